// The network health window on the program's windows, driven as an operator would: the View menu's
// shortcut, clicks on the column headers and the rows, the span control and the weak-link threshold
// by keys, the exports through the save prompt; and the table's figures at the span's edges.
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTest>

#include "app/core/mod_main.h"
#include "app/health/frmHealth.h"
#include "app/health/recording.h"
#include "app/main_window/frmMain.h"
#include "tests/program/program_fixture.h"

using health::Ds;
using modMain::g;
using modMain::windows;

namespace {

const char* const kMacs[] = {"00:13:A2:00:40:5A:10:01", "00:13:A2:00:40:5A:10:02", "00:13:A2:00:40:5A:10:03",
                             "00:13:A2:00:40:5A:10:04"};

class HealthWindow : public ProgramTest {
protected:
    HealthWindow() {
        OpenWindows();
        // Slot k+1: device k. Device 0 strong, 1 weak, 2 answered once long ago, 3 strong but a report only.
        const char* names[] = {"Pump", "Gate", "Barn", "Tank"};
        for (int k = 0; k < 4; ++k) {
            DeviceRecord& d = g().Devices[static_cast<size_t>(k + 1)];
            d.ID64Long = kMacs[k];
            d.ID16Short = "1A0" + std::to_string(k);
            d.DeviceName = names[k];
            d.DeviceType = 7;
            d.DeviceTypeSTR = "Router";
        }
        g().TotalDevice = 4;
    }
    ~HealthWindow() override { EndRun(); }

    health::History& H() { return health::history(); }
    uint64_t Key(int k) { return *health::MacKey(kMacs[k]); }
    // The session clock advanced to `t` tenths of a second.
    void To(Ds t) { clock.advance(static_cast<uint32_t>(t - H().At(platform::now_ms())) * 100); }

    frmHealth& Open() {
        // Shortcuts belong to the active window.
        windows().main->activateWindow();
        QApplication::processEvents();
        QTest::keyClick(windows().main, Qt::Key_H, Qt::ControlModifier);
        EXPECT_NE(windows().health, nullptr);
        return *windows().health;
    }
    static std::vector<std::string> Column(frmHealth& w, int column) {
        std::vector<std::string> out;
        for (int row = 0; row < w.model.rowCount(); ++row)
            out.push_back(w.model.index(row, column).data().toString().toStdString());
        return out;
    }
    static void ClickHeader(frmHealth& w, int column) {
        QHeaderView* h = w.lstHealth->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2));
    }
    static void Close(frmHealth& w) {
        w.close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    static void ClickRow(frmHealth& w, int row, Qt::KeyboardModifiers mods = {}) {
        const QRect r = w.lstHealth->visualRect(w.model.index(row, health::HealthTableModel::kName));
        QTest::mouseClick(w.lstHealth->viewport(), Qt::LeftButton, mods, r.center());
    }
};

using M = health::HealthTableModel;

TEST_F(HealthWindow, figures_over_the_span_and_the_colours_of_weak_and_silent_devices) {
    // 600 s is the ten-minute span: a sample exactly 600 s old is in it, one 600.1 s old is not.
    H().AddPing(Key(2), 10, 90, true);
    H().AddPing(Key(1), 100, 40, true);
    H().AddPing(Key(0), 198, 10, true);
    H().AddPing(Key(0), 199, 220, true);
    H().AddPing(Key(0), 200, 100, true);
    H().AddPing(Key(1), 200, 0, false);
    H().AddPing(Key(2), 200, 0, false);
    H().AddPing(Key(1), 5000, 60, true);
    H().AddReport(Key(3), health::ReportSample{5000, 3300, 1300, {}});
    To(6199);
    frmHealth& w = Open();
    struct Row {
        const char *last, *min, *mean, *answered, *heard, *rate;
        bool weak, silent;
    };
    // The span starts at 199: device 0's ping at 198 is out; device 2 was asked and never answered.
    const Row ten_minutes[] = {{"100", "100", "160.0", "100 %", "9 min", "0.0", false, false},
                               {"60", "60", "60.0", "50 %", "1 min", "0.0", true, false},
                               {"—", "—", "—", "0 %", "10 min", "0.0", false, true},
                               {"—", "—", "—", "—", "1 min", "0.1", false, false}};
    const Row whole[] = {{"100", "10", "110.0", "100 %", "9 min", "0.0", false, false},
                         {"60", "40", "50.0", "67 %", "1 min", "0.0", true, false},
                         {"90", "90", "90.0", "50 %", "10 min", "0.0", true, false},
                         {"—", "—", "—", "—", "1 min", "0.1", false, false}};
    auto check = [&](const Row* rows, const char* span) {
        for (int k = 0; k < 4; ++k) {
            const Row& r = rows[k];
            EXPECT_EQ(Column(w, M::kLastLqi)[k], r.last) << span << " " << k;
            EXPECT_EQ(Column(w, M::kMinLqi)[k], r.min) << span << " " << k;
            EXPECT_EQ(Column(w, M::kMeanLqi)[k], r.mean) << span << " " << k;
            EXPECT_EQ(Column(w, M::kAnswered)[k], r.answered) << span << " " << k;
            EXPECT_EQ(Column(w, M::kLastHeard)[k], r.heard) << span << " " << k;
            EXPECT_EQ(Column(w, M::kReportsPerMinute)[k], r.rate) << span << " " << k;
            EXPECT_EQ(w.model.Row(k).weak, r.weak) << span << " " << k;
            EXPECT_EQ(w.model.Row(k).silent, r.silent) << span << " " << k;
        }
    };
    check(ten_minutes, "10 min");
    EXPECT_EQ(w.model.index(1, 0).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 214, 140));
    EXPECT_EQ(w.model.index(2, 0).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 168, 168));
    EXPECT_FALSE(w.model.index(0, 0).data(Qt::BackgroundRole).isValid());

    // The whole session, chosen by keys.
    w.cboSpan->setFocus();
    QTest::keyClick(w.cboSpan, Qt::Key_Down);
    QTest::keyClick(w.cboSpan, Qt::Key_Down);
    EXPECT_EQ(w.ChosenSpan(), health::kWholeSession);
    check(whole, "session");

    // The threshold typed lower: device 1 (mean 50) is weak down to 51, not at 50.
    w.spnWeak->setFocus();
    w.spnWeak->selectAll();
    QTest::keyClicks(w.spnWeak, "50");
    EXPECT_FALSE(w.model.Row(1).weak);
    QTest::keyClick(w.spnWeak, Qt::Key_Up);
    EXPECT_TRUE(w.model.Row(1).weak);
}

TEST_F(HealthWindow, header_clicks_sort_and_the_selection_follows_its_devices_into_the_plot) {
    const uint8_t lqi[] = {200, 40, 120, 160};
    for (int k = 0; k < 4; ++k) H().AddPing(Key(k), 5, lqi[k], true);
    To(10);
    frmHealth& w = Open();
    w.resize(1000, 700);
    QApplication::processEvents();
    EXPECT_EQ(Column(w, M::kName), (std::vector<std::string>{"Pump", "Gate", "Barn", "Tank"}));

    ClickRow(w, 0);
    ClickRow(w, 2, Qt::ControlModifier);
    ASSERT_EQ(w.picPlot->Series().size(), 2u);
    EXPECT_EQ(w.picPlot->Series()[0].label, "1 Pump");
    EXPECT_EQ(w.picPlot->Series()[1].label, "3 Barn");

    ClickHeader(w, M::kMeanLqi);
    EXPECT_EQ(Column(w, M::kName), (std::vector<std::string>{"Gate", "Barn", "Tank", "Pump"}));
    ClickHeader(w, M::kMeanLqi);
    EXPECT_EQ(Column(w, M::kName), (std::vector<std::string>{"Pump", "Tank", "Barn", "Gate"}));
    ClickHeader(w, M::kName);
    EXPECT_EQ(Column(w, M::kName), (std::vector<std::string>{"Barn", "Gate", "Pump", "Tank"}));
    // Pump and Barn are still the ones selected, wherever they went; a refresh keeps them.
    clock.advance(frmHealth::kRefreshMs);
    ASSERT_EQ(w.picPlot->Series().size(), 2u);
    EXPECT_EQ(w.picPlot->Series()[0].label, "3 Barn");
    EXPECT_EQ(w.picPlot->Series()[1].label, "1 Pump");
    EXPECT_EQ(w.picPlot->Series()[1].points.size(), 1u);
    EXPECT_EQ(w.picPlot->Series()[1].points[0].value, 200);

    // A new device restarts the rows; the selection is put back by address.
    DeviceRecord& d = g().Devices[5];
    d.ID64Long = "00:13:A2:00:40:5A:10:05";
    d.DeviceName = "Mill";
    g().TotalDevice = 5;
    clock.advance(frmHealth::kRefreshMs);
    EXPECT_EQ(w.model.rowCount(), 5);
    EXPECT_EQ(w.lstHealth->selectionModel()->selectedRows().size(), 2);
    EXPECT_EQ(w.picPlot->Series().size(), 2u);
}

TEST_F(HealthWindow, the_plot_scrolls_live_and_keeps_its_span_wide) {
    H().AddPing(Key(0), 1, 150, true);
    frmHealth* w = &Open();
    ClickRow(*w, 0);
    // Ten minutes wide from the start, until the session is older than that; then it moves with now.
    EXPECT_EQ(w->picPlot->From(), 0u);
    EXPECT_EQ(w->picPlot->To(), health::kTenMinutes);
    w->close();
    To(7000);
    w = &Open();
    ClickRow(*w, 0);
    EXPECT_EQ(w->picPlot->To(), 7000u);
    EXPECT_EQ(w->picPlot->From(), 7000u - health::kTenMinutes);
    // The old ping has left the view; a new one, unanswered, shows on the next refresh, a second on.
    EXPECT_TRUE(w->picPlot->Series()[0].points.empty());
    H().AddPing(Key(0), 7000, 0, false);
    clock.advance(frmHealth::kRefreshMs);
    EXPECT_EQ(w->picPlot->To(), 7010u);
    EXPECT_EQ(w->picPlot->From(), 7010u - health::kTenMinutes);
    ASSERT_EQ(w->picPlot->Series()[0].points.size(), 1u);
    EXPECT_TRUE(w->picPlot->Series()[0].points[0].missing);
    // Whole session: from the start to now.
    w->cboSpan->setCurrentIndex(2);
    EXPECT_EQ(w->picPlot->From(), 0u);
    EXPECT_EQ(w->picPlot->Series()[0].points.size(), 2u);
}

TEST_F(HealthWindow, exports_read_back_as_the_table_shows_and_as_the_history_holds) {
    g().Devices[2].DeviceName = "Gate, east";
    H().AddPing(Key(0), 10, 200, true);
    H().AddPing(Key(1), 20, 0, false);
    H().AddReport(Key(1), health::ReportSample{30, 0x0C05, 0x0514, {0x0A05, 0xFFFF, 0, 8191}});
    To(40);
    frmHealth& w = Open();
    w.cboSpan->setCurrentIndex(2);
    ClickHeader(w, M::kMeanLqi);

    const std::string table = TestFile("table.csv"), hist = TestFile("history.csv");
    dialogs.answers = {table, hist, ""};
    QTest::mouseClick(w.cmdExportTable, Qt::LeftButton);
    QTest::mouseClick(w.cmdExportHistory, Qt::LeftButton);
    QTest::mouseClick(w.cmdExportHistory, Qt::LeftButton);  // cancelled: nothing written

    const auto rows = FileLines(table);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(rows[0].substr(3, 30), "Number,MAC,Name,Type,Status,La");
    // Sorted by mean as shown: those without an answered ping first.
    EXPECT_EQ(rows[1].rfind("2,00:13:A2:00:40:5A:10:02,\"Gate, east\",Router,no answer,,,,1,0,", 0), 0u) << rows[1];
    EXPECT_NE(rows[1].find(",15.00,session,"), std::string::npos) << rows[1];
    EXPECT_EQ(rows[4].rfind("1,00:13:A2:00:40:5A:10:01,Pump,Router,no answer,200,200,200.0,1,1,", 0), 0u) << rows[4];
    EXPECT_EQ(rows[4].back(), '\r');

    const auto lines = FileLines(hist);
    ASSERT_EQ(lines.size(), 4u);
    const std::string ping_time = health::WallTime(20).toString(Qt::ISODateWithMs).toStdString();
    EXPECT_EQ(lines[1].rfind("2,00:13:A2:00:40:5A:10:02,\"Gate, east\"," + ping_time + ",ping,,no,,,,,,,", 0), 0u)
        << lines[1];
    EXPECT_NE(lines[2].find(",report,,,2565,-1,0,8191,3.077,13.80,"), std::string::npos) << lines[2];
    EXPECT_NE(lines[3].find(",ping,200,yes,"), std::string::npos) << lines[3];
    EXPECT_EQ(dialogs.asked.size(), 3u);
}

TEST_F(HealthWindow, every_column_shows_whole_at_the_default_size_in_either_language) {
    // Enough devices for a scroll bar, and the widest usual figures: an hours-old answer, a fast reporter.
    for (int i = 5; i <= 80; ++i) {
        DeviceRecord& d = g().Devices[static_cast<size_t>(i)];
        d.ID64Long = "00:13:A2:00:40:5A:20:" + std::to_string(10 + i);
        d.DeviceTypeSTR = "End Device";
        d.devStatus = 2;
    }
    g().TotalDevice = 80;
    H().AddPing(Key(0), 10, 255, true);
    for (Ds t = 370000; t < 370600; t += 5) H().AddReport(Key(3), health::ReportSample{t, 3300, 1300, {}});
    To(370600);
    for (const int offset : {0, 9000}) {
        g().LangOffset = offset;
        frmHealth& w = Open();
        w.cboSpan->setCurrentIndex(2);
        QApplication::processEvents();
        const QHeaderView* header = w.lstHealth->horizontalHeader();
        ASSERT_TRUE(w.lstHealth->verticalScrollBar()->isVisible());
        EXPECT_EQ(w.lstHealth->horizontalScrollBar()->maximum(), 0) << offset;
        EXPECT_LE(header->length(), w.lstHealth->viewport()->width()) << offset;
        const QAbstractItemView* view = w.lstHealth;
        for (int c = 0; c < M::kColumns; ++c) {
            EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c)) << offset << " column " << c;
            EXPECT_GE(header->sectionSize(c), view->sizeHintForColumn(c)) << offset << " column " << c;
        }
        Close(w);
    }
}

TEST_F(HealthWindow, the_weak_link_threshold_is_kept_between_runs_and_a_bad_stored_one_reads_as_the_default) {
    struct Case {
        const char* stored;  // nullptr: never saved
        int shown;
    };
    const Case cases[] = {{nullptr, 100}, {"60", 60},   {" 0 ", 0},  {"255", 255},   {"+7", 7},
                          {"256", 100},   {"-1", 100},  {"", 100},   {"abc", 100},   {"60abc", 100},
                          {"6.5", 100},   {"1e2", 100}, {"-", 100},  {"99999999999999999999", 100}};
    for (const Case& c : cases) {
        if (c.stored)
            Preset("HealthWeakLQI", c.stored);
        else
            store.values.erase({"Corvani_ZigBee_Demo", "Settings", "HealthWeakLQI"});
        frmHealth& w = Open();
        EXPECT_EQ(w.spnWeak->value(), c.shown) << (c.stored ? c.stored : "absent");
        EXPECT_EQ(w.model.WeakThreshold(), c.shown) << (c.stored ? c.stored : "absent");
        Close(w);
    }
    // Typed by the operator: saved as it changes, and the next window starts with it.
    frmHealth& w = Open();
    w.spnWeak->setFocus();
    w.spnWeak->selectAll();
    QTest::keyClicks(w.spnWeak, "72");
    EXPECT_EQ(Saved("HealthWeakLQI"), "72");
    Close(w);
    EXPECT_EQ(Open().spnWeak->value(), 72);
}

TEST_F(HealthWindow, a_device_whose_type_text_is_not_known_yet_shows_the_text_of_its_type_number) {
    struct Case {
        const char* text;  // the table's type text
        int16_t type;
        const char* shown;
    };
    const Case cases[] = {{"Router", 4, "Router"}, {"", 4, "End Device"}, {"", 6, "End Device"},
                          {"", 7, "Router"},       {"", 9, "Coordinator"}, {"", 3, "3"}};
    for (size_t k = 0; k < std::size(cases); ++k) {
        DeviceRecord& d = g().Devices[k + 1];
        d.ID64Long = "00:13:A2:00:40:5A:30:0" + std::to_string(k);
        d.DeviceTypeSTR = cases[k].text;
        d.DeviceType = cases[k].type;
    }
    g().TotalDevice = static_cast<int16_t>(std::size(cases));
    frmHealth& w = Open();
    const auto types = Column(w, M::kType);
    ASSERT_EQ(types.size(), std::size(cases));
    for (size_t k = 0; k < std::size(cases); ++k) EXPECT_EQ(types[k], cases[k].shown) << k;
}

TEST_F(HealthWindow, a_ping_with_no_answered_neighbour_shows_as_a_mark_not_a_pixel) {
    struct Case {
        std::vector<std::pair<Ds, bool>> pings;  // time, answered
        long at_least;                           // pixels of the curve's colour
    };
    // Over the whole session, 6000 tenths wide: two answers 4000 apart are joined over hundreds of pixels.
    const Case cases[] = {{{{3000, true}}, 9},
                          {{{2000, false}, {3000, true}, {4000, false}}, 9},
                          {{{1000, true}, {5000, true}}, 300}};
    for (size_t k = 0; k < std::size(cases); ++k)
        for (const auto& [t, answered] : cases[k].pings) H().AddPing(Key(static_cast<int>(k)), t, 200, answered);
    To(6000);
    frmHealth& w = Open();
    w.cboSpan->setCurrentIndex(2);
    const QRgb colour = health::SeriesColour(0).rgb();
    for (size_t k = 0; k < std::size(cases); ++k) {
        ClickRow(w, static_cast<int>(k));
        ASSERT_EQ(w.picPlot->Series().size(), 1u);
        const QImage image = w.picPlot->grab().toImage();
        long pixels = 0;
        // Below the legend and above the ticks of unanswered pings.
        for (int y = 20; y < image.height() - 30; ++y)
            for (int x = 0; x < image.width(); ++x) pixels += image.pixel(x, y) == colour;
        EXPECT_GE(pixels, cases[k].at_least) << k;
    }
}

}  // namespace
