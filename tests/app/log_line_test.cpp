#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <vector>

#include "app/core/log_line.h"
#include "app/core/mod_main.h"
#include "app/log_splash/frmLog.h"
#include "app/log_splash/rich_text_box.h"
#include "tests/app/app_fixture.h"

using namespace modMain;

namespace {

class LogLineTest : public AppTest {
protected:
    LogLineTest() { log.show(); }

    QStringList lines() const {
        log.txtLOG->ShowHeldLines();
        QStringList all = log.txtLOG->toPlainText().split('\n');
        all.removeLast();  // after the last line end
        return all;
    }
    // Colour of the text of line `n` (0-based).
    QColor colour_of(int n) const {
        log.txtLOG->ShowHeldLines();
        QTextCursor c(log.txtLOG->document()->findBlockByNumber(n));
        c.movePosition(QTextCursor::EndOfBlock);
        return c.charFormat().foreground().color();
    }

    frmLog log;
};

}  // namespace

TEST_F(LogLineTest, line_reads_time_arrow_and_message_and_ends_with_a_line_end) {
    LogLine("Coordinator Ready", 4);
    LogLine(std::string("RX: 30-34-0A \xE8", 14), 1);
    // Time (8) + arrow (4) + message + CR LF per line, counted at once though the second line waits
    // for the next refresh.
    EXPECT_EQ(log.txtLOG->TextLength(), (8 + 4 + 17 + 2) + (8 + 4 + 14 + 2));
    const QStringList l = lines();
    ASSERT_EQ(l.size(), 2);
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d--> Coordinator Ready$").match(l[0]).hasMatch()) << l[0].toStdString();
    EXPECT_TRUE(l[1].endsWith(QString::fromUtf8("--> RX: 30-34-0A \u00E8")));
    EXPECT_EQ(log.txtLOG->TextLength(), (8 + 4 + 17 + 2) + (8 + 4 + 14 + 2));
}

TEST_F(LogLineTest, kinds_colour_their_line_and_other_kinds_keep_the_previous_colour) {
    const std::vector<std::pair<int16_t, QColor>> cases = {
        {1, QColor(0, 255, 0)}, {2, QColor(64, 0, 0)}, {3, QColor(255, 0, 0)}, {7, QColor(255, 0, 0)},
        {4, QColor(0, 0, 255)}, {0, QColor(0, 0, 255)}, {-3, QColor(0, 0, 255)}, {2, QColor(64, 0, 0)},
    };
    for (const auto& [kind, expected] : cases) LogLine("kind", kind);
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(colour_of(static_cast<int>(i)), cases[i].second) << "line " << i << " kind " << cases[i].first;
}

TEST_F(LogLineTest, log_is_emptied_first_once_it_holds_30001_characters) {
    // 29998 characters and one line end (two in the classic count) make 30000.
    log.txtLOG->setPlainText(QString(29998, 'x') + '\n');
    ASSERT_EQ(log.txtLOG->TextLength(), 30000);
    LogLine("appended", 2);
    ASSERT_EQ(lines().size(), 2);
    EXPECT_TRUE(lines()[1].endsWith("--> appended"));

    log.txtLOG->setPlainText(QString(29999, 'x') + '\n');
    ASSERT_EQ(log.txtLOG->TextLength(), 30001);
    LogLine("alone", 3);
    ASSERT_EQ(lines().size(), 1);
    EXPECT_TRUE(lines()[0].endsWith("--> alone"));
    EXPECT_EQ(colour_of(0), QColor(255, 0, 0));

    // Lines held for the next refresh count towards the bound and go with the emptying.
    log.txtLOG->setPlainText(QString(29990, 'x') + '\n');
    LogLine("held", 1);
    LogLine("next", 1);
    ASSERT_EQ(lines().size(), 1);
    EXPECT_TRUE(lines()[0].endsWith("--> next"));
}

TEST_F(LogLineTest, closed_log_window_saves_its_position_and_takes_no_more_lines) {
    LogLine("before", 4);
    log.move(200, 300);
    log.close();
    EXPECT_EQ(saved("LogLeft"), "3000");
    EXPECT_EQ(saved("LogTop"), "4500");
    LogLine("after", 4);
    EXPECT_EQ(lines().size(), 1);
    EXPECT_TRUE(lines()[0].endsWith("--> before"));
}

namespace {

// Counts the paints of the log text.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
    int paints = 0;
};

}  // namespace

TEST_F(LogLineTest, a_busy_log_holds_every_line_at_once_and_paints_about_once_a_second) {
    RichTextBox& box = *log.txtLOG;
    box.resize(400, 120);
    PaintCounter counter, bar;
    box.viewport()->installEventFilter(&counter);
    box.verticalScrollBar()->installEventFilter(&bar);
    clock.advance(1000);

    // After a quiet spell a line reaches the screen without waiting for a refresh.
    counter.paints = 0;
    LogLine("first", 4);
    clock.advance(1);
    EXPECT_GE(counter.paints, 1);

    // Twenty lines a second for two seconds: counted at once, painted about once a second.
    counter.paints = 0;
    bar.paints = 0;
    for (int i = 0; i < 40; ++i) {
        const int32_t before = box.TextLength();
        LogLine("busy " + std::to_string(i), 1);
        ASSERT_GT(box.TextLength(), before);
        clock.advance(50);
    }
    // Once for the lines scrolled into view, once where the caret stood when the next line came.
    const int periods = 2000 / RichTextBox::kRefreshMs;
    EXPECT_LE(counter.paints, 2 * periods + 4);
    EXPECT_GE(counter.paints, periods - 1);
    EXPECT_LE(bar.paints, periods + 2);

    // Within one refresh period of the burst's last line the document holds every line, counted as
    // they were while held, and the screen shows the last, scrolled into view.
    LogLine("last", 2);
    const int32_t counted = box.TextLength();
    clock.advance(RichTextBox::kRefreshMs);
    EXPECT_EQ(box.toPlainText().count(QStringLiteral("--> busy ")), 40);
    EXPECT_TRUE(box.toPlainText().endsWith(QStringLiteral("--> last\n")));
    EXPECT_EQ(box.TextLength(), counted);
    EXPECT_GT(box.verticalScrollBar()->value(), 0);
    EXPECT_TRUE(box.viewport()->rect().contains(box.cursorRect()));
    EXPECT_EQ(box.textCursor().position(), box.document()->characterCount() - 1);
}

using LogLineWithoutWindow = AppTest;

TEST_F(LogLineWithoutWindow, writes_nowhere_and_does_not_fail) { LogLine("nowhere", 3); }
