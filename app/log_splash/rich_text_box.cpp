#include "app/log_splash/rich_text_box.h"

#include <QApplication>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include "app/log_splash/banded_scroll_bar_style.h"

RichTextBox::RichTextBox(QWidget* parent) : QTextEdit(parent) {
    // Nobody edits the log: keeping every appended line for undo only costs time and memory.
    setUndoRedoEnabled(false);
    // Its scroll bars repaint with every line appended.
    auto* style = new BandedScrollBarStyle(QApplication::style()->name());
    style->setParent(this);
    verticalScrollBar()->setStyle(style);
    horizontalScrollBar()->setStyle(style);
    refresh_.set_interval(kRefreshMs);
    refresh_.set_on_tick([this] { RefreshTick(); });
}

int32_t RichTextBox::TextLength() const {
    // Counted from the document rather than from a copy of its text: the log asks before every line.
    // Each paragraph ends in one separator (the last one's is not text), and each line end counts two.
    const QTextDocument* doc = document();
    return static_cast<int32_t>(doc->characterCount() - 1 + doc->blockCount() - 1);
}

void RichTextBox::AppendText(const QString& text) {
    // Every line changes the scroll bar's range, and repainting it repainted the window behind it:
    // while lines are held back, so is the scroll bar.
    if (held_ && !stale_) verticalScrollBar()->setUpdatesEnabled(false);
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(sel_colour_);
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    cursor.insertText(lines, format);
    if (held_) {
        stale_ = true;
        return;
    }
    ShowEnd();
    held_ = true;
    refresh_.set_enabled(true);
}

void RichTextBox::ShowEnd() {
    // The caret follows text inserted where it stands, so it is moved only when it stands elsewhere.
    const int end = document()->characterCount() - 1;
    if (textCursor().position() != end) {
        QTextCursor caret = textCursor();
        caret.setPosition(end);
        setTextCursor(caret);
    }
    ensureCursorVisible();
}

void RichTextBox::RefreshTick() {
    if (!stale_) {
        held_ = false;
        refresh_.set_enabled(false);
        return;
    }
    stale_ = false;
    verticalScrollBar()->setUpdatesEnabled(true);
    ShowEnd();
}
