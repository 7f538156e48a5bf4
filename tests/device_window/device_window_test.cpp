// The device window on a started program against the in-process coordinator: a router that echoes
// strings and an end device, both reporting every second.
#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QTest>
#include <algorithm>
#include <functional>

#include "app/core/device_table.h"
#include "app/core/mod_main.h"
#include "app/device_window/frmDevice.h"
#include "app/device_window/setting_limits.h"
#include "app/log_splash/frmLog.h"
#include "app/main_window/frmMain.h"
#include "app/main_window/reply_handling.h"
#include "tests/program/program_fixture.h"

using modMain::g;
using modMain::windows;

namespace {

class DeviceWindow : public ProgramTest {
protected:
    // `timing` is the simulator's timing line; `poll` the end device's sleep.
    void StartNetwork(const std::string& timing = "", int poll = 2000) {
        Preset("ShowSplash", "0");
        UseSim(CoordinatorOnly(timing + "device mac=" + kEndDeviceMac + " type=4 report=1 poll=" +
                               std::to_string(poll) + "\ndevice mac=" + kRouterMac + " type=7 report=1 echo\n"));
        Start("5");
        // Both joined, completed and reporting.
        ASSERT_TRUE(clock.run_until(
            [] { return g().TotalDevice == 2 && g().Devices[1].devStatus == 1 && g().Devices[2].devStatus == 1; },
            30000));
        router = modMain::FindDeviceByMac(kRouterMac);
        end_device = modMain::FindDeviceByMac(kEndDeviceMac);
    }
    // The window for slot i as the opener loads it, without the opener's loop.
    frmDevice& Load(int i) {
        auto& s = g();
        s.DevWinState = 2;
        s.CurDevice = s.Devices[static_cast<size_t>(i)];
        s.OpenDeviceShort = s.CurDevice.ID16Short;
        s.OpenDeviceIdx = static_cast<int16_t>(i);
        window.reset(new frmDevice);
        window->show();
        return *window;
    }
    // Steps run `after` ms after the previous one while the opener runs; the last should close it.
    void Open(int row, std::vector<std::pair<uint32_t, std::function<void()>>> steps) {
        uint32_t at = 0;
        for (auto& [after, step] : steps) clock.call_later(at += after, step);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                        Qt::NoModifier);
        QApplication::sendEvent(windows().main->lblLstDEVName[static_cast<size_t>(row)], &dbl);
    }
    std::vector<std::string> Sent(const std::string& prefix) {
        std::vector<std::string> out;
        for (const std::string& w : line->writes())
            if (w.rfind(prefix, 0) == 0) out.push_back(w);
        return out;
    }
    static int Lamp(const QPixmap& shown) {
        for (int i : {1, 2})
            if (shown.toImage() == windows().main->imgList.ListImages(i).toImage()) return i;
        return 0;
    }
    static int Lamp(const QPushButton* b) { return Lamp(b->icon().pixmap(24, 24)); }

    int router = 0, end_device = 0;
    std::unique_ptr<frmDevice> window;
};

}  // namespace

TEST_F(DeviceWindow, double_click_binds_the_row_slot_and_puts_the_record_back_where_the_device_is) {
    StartNetwork();
    auto& s = g();
    ASSERT_EQ(router, 2);
    frmDevice* shown = nullptr;
    Open(1, {{1500, [&] {
                  shown = windows().device;
                  EXPECT_EQ(shown->lblSTATUS->text(), "ONLINE");
                  shown->txtDevName->setText("  Boiler ");
                  shown->cmdApply_Click();
                  // Scrolling and a double-click while open change nothing; a deletion below moves it down.
                  s.ListTop = 2;
                  windows().main->lblLstDEVName_DblClick(0);
                  s.Devices[1] = s.Devices[2];
                  s.Devices[2] = DeviceRecord{};
                  s.TotalDevice = 1;
              }},
             {1500, [&] {
                  EXPECT_EQ(windows().device, shown);
                  shown->close();
              }}});
    EXPECT_EQ(s.DevWinState, 0);
    EXPECT_EQ(windows().device, nullptr);
    EXPECT_EQ(s.Devices[1].ID64Long, kRouterMac);
    EXPECT_EQ(s.Devices[1].DeviceName, "Boiler");
    EXPECT_TRUE(s.Devices[2].ID64Long.empty());
    EXPECT_EQ(Saved("DeviceLeft"), "1005");  // 1000 twips, on whole pixels
    // An empty row opens nothing; a filled one still does afterwards, and its status is 0 once closed.
    s.ListTop = 1;
    windows().main->lblLstDEVName_DblClick(5);
    EXPECT_EQ(s.DevWinState, 0);
    s.Devices[1].devStatus = 1;
    Open(0, {{1000, [&] { windows().device->close(); }}});
    EXPECT_EQ(s.Devices[1].devStatus, 0);
    // A device deleted while it is shown stays deleted.
    Open(0, {{1000, [&] {
                  s.Devices[1] = DeviceRecord{};
                  windows().device->close();
              }}});
    EXPECT_TRUE(s.Devices[1].ID64Long.empty());
}

TEST_F(DeviceWindow, opening_sends_the_stored_period_as_far_as_the_rate_command_carries_it_and_keeps_it) {
    StartNetwork();
    auto& s = g();
    const std::string id = s.Devices[router].ID16Short;
    struct Case {
        int32_t stored; std::string field;  // the minutes and seconds the rate command carries
    };
    for (const Case& c : {Case{7200, "7800"}, Case{90, "011E"}, Case{-5, "0000"}, Case{5000000, "7FFF3B"}}) {
        s.Devices[router].devNewRate = c.stored;
        line->clear_writes();
        QString shown;
        Open(router - 1, {{1000, [&] {
                               shown = windows().device->txtNewRate->text();
                               windows().device->close();
                           }}});
        EXPECT_EQ(Sent("CMD:05"), std::vector<std::string>{"CMD:05:" + id + ":" + c.field + ";"}) << c.stored;
        EXPECT_EQ(shown.toStdString(), std::to_string(c.stored));
        // Closed without Apply: the stored period is the one the network file gave.
        EXPECT_EQ(s.Devices[router].devNewRate, c.stored);
    }
}

TEST_F(DeviceWindow, apply_while_the_coordinator_restarts_leaves_the_restart_wait_alone) {
    // The coordinator takes 8 s to come back: long enough for Apply's 3 s wait to run out inside it.
    StartNetwork("timing restart=8000\n");
    frmMain& m = *windows().main;
    for (QPushButton* command : {m.cmdChgRFCh, m.cmdReset}) {
        const std::string label = command->text().toStdString();
        windows().log->txtLOG->clear();
        line->clear_writes();
        Open(router - 1, {{1000, [&] {
                               clock.call_later(1000, [] {
                                   QTest::mouseClick(windows().device->cmdApply, Qt::LeftButton);
                               });
                               dialogs.answers = {"20"};
                               QTest::mouseClick(command, Qt::LeftButton);
                               EXPECT_TRUE(clock.run_until([&] { return m.frmNETWORK->isEnabled(); }, 30000)) << label;
                               // An Apply that did run refuses the closing until its waits are over.
                               clock.run_until([] { return g().DevWinState != 10; }, 80000);
                               windows().device->close();
                           }}});
        // Anything the restart would still set off.
        clock.advance(20000);
        const auto log = LogLines();
        EXPECT_EQ(Sent("CMD:11"), std::vector<std::string>{"CMD:11;"}) << label;
        EXPECT_EQ(Sent("CMD:08"), std::vector<std::string>{}) << label;
        EXPECT_EQ(std::count(log.begin(), log.end(), "Errore Reset Coordinatore"), 0) << label;
        EXPECT_EQ(std::count(log.begin(), log.end(),
                             "Apply not sent: the coordinator is restarting; apply again once it is ready"),
                  1)
            << label;
        EXPECT_EQ(g().DevWinState, 0);
    }
}

TEST_F(DeviceWindow, a_device_that_rejoins_while_shown_keeps_its_new_short_address_when_the_window_closes) {
    StartNetwork();
    struct Case {
        int slot;
        int short_lo;  // the new short address is 7Fxx
        bool closed_at_once;  // the window closes right after the announce is handled
    } cases[] = {{router, 0x21, false}, {end_device, 0x22, false}, {router, 0x23, true}};
    for (const auto& c : cases) {
        auto& s = g();
        const std::string mac = s.Devices[static_cast<size_t>(c.slot)].ID64Long;
        const auto type = static_cast<int>(s.Devices[static_cast<size_t>(c.slot)].DeviceType);
        std::string announce = Bytes({0xCC, 0x7F, c.short_lo});
        for (size_t k = 0; k < 23; k += 3) announce += static_cast<char>(std::stoi(mac.substr(k, 2), nullptr, 16));
        announce += Bytes({type, ';'});
        char expected[8];
        std::snprintf(expected, sizeof expected, "7F%02X", c.short_lo);
        std::string shown;
        if (c.closed_at_once) {
            Open(c.slot - 1, {{1000, [&] {
                                   modMain::HandleStringReceived(announce);
                                   windows().device->close();
                               }}});
        } else {
            Open(c.slot - 1, {{1000, [&] { line->send_to_host(announce); }},
                              {1500, [&] {
                                   shown = windows().device->lblSHORT->text().toStdString();
                                   windows().device->close();
                               }}});
            EXPECT_EQ(shown, expected) << mac;
        }
        EXPECT_EQ(s.Devices[static_cast<size_t>(c.slot)].ID16Short, expected) << mac;
    }
}

TEST_F(DeviceWindow, redraw_shows_bars_in_bounds_follows_the_slot_status_and_syncs_the_outputs_once) {
    OpenWindows();
    auto& s = g();
    s.Devices[1].ID64Long = kRouterMac;
    s.Devices[1].ID16Short = "1A2B";
    frmDevice& w = Load(1);
    auto& cur = s.CurDevice;
    cur.devAnalog1 = "1FFF", cur.devAnalog2 = "2000", cur.devAnalog3 = "FFFF", cur.devAnalog4 = "";
    cur.devVBatt = 3.077f, cur.devTemp = 38.93f;
    cur.devStatus = 1;
    cur.devRxLog = std::string(70000, 'x');
    // The copy says online; the table slot, which the redraw follows, does not until it does.
    for (int16_t slot_status : {int16_t{0}, int16_t{1}}) {
        s.Devices[1].devStatus = slot_status;
        w.tmrIOA_Timer();
        EXPECT_EQ(w.lblSTATUS->text(), slot_status ? "ONLINE" : "OFFLINE");
        EXPECT_EQ(w.lblSTATUS->palette().color(QPalette::Window), slot_status ? QColor(0, 255, 0) : QColor(255, 0, 0));
    }
    EXPECT_EQ((std::vector<int>{w.barANG[0]->value(), w.barANG[1]->value(), w.barANG[2]->value(), w.barANG[3]->value()}),
              (std::vector<int>{8191, 0, 0, 0}));
    EXPECT_EQ(w.lblVBatt->text() + " " + w.lblTemp->text(), "3.077 38.93");
    // The general number form: the locale's decimal separator and no group separators.
    for (const auto& [locale, shown] : {std::pair{QLocale(QLocale::English, QLocale::UnitedStates), "1234.5 -12345.25"},
                                        std::pair{QLocale(QLocale::German, QLocale::Germany), "1234,5 -12345,25"}}) {
        QLocale::setDefault(locale);
        cur.devVBatt = 1234.5f, cur.devTemp = -12345.25f;
        w.tmrIOA_Timer();
        EXPECT_EQ((w.lblVBatt->text() + " " + w.lblTemp->text()).toStdString(), shown);
    }
    QLocale::setDefault(QLocale::system());
    EXPECT_EQ(w.txtRxData->textCursor().position(), 65535);

    struct Step {
        int16_t phase; std::string inputs; int16_t phase_after; std::vector<int> lamps;  // inputs, then outputs
    };
    // A4: inputs 1 and 3, output 2.
    const std::vector<Step> steps = {
        {10, "A4", 10, {2, 1, 2, 2, 2, 2, 2}},
        {20, "", 20, {2, 1, 2, 2, 2, 2, 2}},
        {20, "A4", 30, {2, 1, 2, 1, 2, 1, 1}},
        {30, "FE", 30, {2, 2, 2, 1, 2, 1, 1}},
    };
    for (const Step& st : steps) {
        s.DevPollPhase = st.phase;
        cur.devInputs = st.inputs;
        w.tmrIOA_Timer();
        std::vector<int> lamps;
        for (QLabel* l : w.imgI) lamps.push_back(Lamp(l->pixmap()));
        for (QPushButton* b : w.cmdOutput) lamps.push_back(Lamp(b));
        EXPECT_EQ(s.DevPollPhase, st.phase_after) << st.phase << st.inputs;
        EXPECT_EQ(lamps, st.lamps) << st.phase << st.inputs;
    }
    EXPECT_EQ((std::vector<int>{s.OutputState1, s.OutputState2, s.OutputState3, s.OutputState4}),
              (std::vector<int>{0, 1, 0, 0}));
}

TEST_F(DeviceWindow, apply_keeps_what_was_acknowledged_in_time_as_the_boxes_read_after_the_answer) {
    StartNetwork("timing ping=4000\n", 4000);
    struct Case {
        int slot; bool kept;
    };
    for (const Case& c : {Case{router, false}, Case{end_device, true}}) {
        frmDevice& w = Load(c.slot);
        const std::string id = g().CurDevice.ID16Short;
        line->clear_writes();
        w.txtNewRate->setText("5000");
        w.txtPollRate->setText("50");
        w.chkKeepAlive->setChecked(true);
        // Once the poll rate reaches the device, before its answer, the operator changes the box.
        sim->set_log([&](const std::string& l) {
            if (l.rfind("<- CMD:09", 0) == 0) w.txtPollRate->setText("250");
            if (l.rfind("<- CMD:08", 0) == 0) {
                w.close();
                EXPECT_TRUE(w.isVisible());
                // A second Apply waits for nothing; a stray reply that stops the time-out does not
                // make the wait outlast its limit.
                w.cmdApply_Click();
                windows().main->tmrTimeOut.set_enabled(false);
            }
        });
        w.cmdApply_Click();
        EXPECT_EQ(g().DevWinState, 20);
        EXPECT_EQ(w.txtNewRate->text(), "3600");
        EXPECT_EQ(Sent("CMD:09"), c.kept ? std::vector<std::string>{"CMD:09:" + id + ":0064;"} : std::vector<std::string>{});
        EXPECT_EQ(g().CurDevice.devPollRate, c.kept ? 250 : g().Devices[c.slot].devPollRate);
        EXPECT_EQ(g().CurDevice.stsEnableKeepAlive, c.kept ? 1 : 0);
        EXPECT_EQ(Sent("CMD:08"), std::vector<std::string>{"CMD:08:" + id + ":FF;"});
        clock.advance(600);
        EXPECT_EQ(Sent("CMD:05"), std::vector<std::string>{"CMD:05:" + id + ":3C00;"});
        w.close();
        EXPECT_EQ(g().DevWinState, 1);
        sim->set_log(nullptr);
    }
}

TEST(DeviceSettingLimits, typed_negative_periods_are_0_and_only_four_hex_digits_make_an_address) {
    using Text = std::optional<std::string>;
    EXPECT_EQ((std::vector<Text>{modMain::CorrectedNewRateText(-5), modMain::CorrectedPollRateText(70000),
                                 modMain::ShortAddress("1a2b"), modMain::ShortAddress("1A2B:")}),
              (std::vector<Text>{"0", "65535", "1A2B", std::nullopt}));
}

TEST_F(DeviceWindow, strings_are_bounded_by_how_they_are_sent_and_outputs_toggle_from_the_believed_state) {
    StartNetwork();
    const std::string to = g().Devices[router].ID16Short;
    struct Case {
        int shown; bool by_enter; size_t length; std::string address; bool sent;
    };
    const std::vector<Case> cases = {
        {end_device, false, 46, to, true}, {end_device, false, 47, to, false},
        {end_device, true, 80, to, true},  {end_device, true, 81, to, false},
        {router, false, 80, to, true},     {router, false, 81, to, false},
        {router, true, 90, "9999", false}, {router, false, 5, "1A;B", false},
    };
    for (const Case& c : cases) {
        frmDevice& w = Load(c.shown);
        g().Devices[router].devRxLog.clear();
        const std::string text(c.length, 'a');
        w.txtSendAddr->setText(QString::fromStdString(c.address));
        w.txtSendData->setText(QString::fromStdString(text));
        if (c.by_enter) {
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(w.txtSendData, &enter);
        } else {
            w.cmdSendData_Click();
        }
        clock.advance(1000);
        const std::string label = std::to_string(c.length) + (c.by_enter ? " enter" : " button");
        EXPECT_EQ(Sent("SNT:").size(), c.sent ? 1u : 0u) << label;
        line->clear_writes();
        const std::string expected_log = c.sent              ? "*TX: " + text + "\rRX: ECHO:" + text + "\r"
                                         : c.address == to ? "!TX: " + text + "\r"
                                                           : "";
        EXPECT_EQ(g().Devices[router].devRxLog, expected_log) << label;
        EXPECT_EQ(w.txtSendData->text().isEmpty(), c.address != "1A;B") << label;
    }
    const auto lines = LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "!TX: " + std::string(90, 'a') + " -> 9999"), lines.end());

    frmDevice& w = Load(router);
    Settle(600);
    line->clear_writes();
    w.cmdOutput_Click(0);
    w.cmdOutput_Click(0);
    w.cmdOutput_Click(4);
    Settle();
    EXPECT_EQ(Sent("CMD:0"), (std::vector<std::string>{"CMD:0C:" + to + ":1;", "CMD:0B:" + to + ":1;"}));
    EXPECT_EQ(Lamp(w.cmdOutput[0]), 2);
}

TEST_F(DeviceWindow, program_closed_with_the_window_open_saves_what_the_window_holds) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_PROGRAM_ENDS(
        {
            StartNetwork();
            Open(router - 1, {{1500, [] {
                                   windows().device->txtDevName->setText("Boiler");
                                   windows().device->cmdApply_Click();
                                   windows().main->close();
                               }}});
        },
        0);
    EXPECT_NE(ReadFile(ProgramFile(std::string(kCoordDigits) + ".ini")).find("DeviceName=\"Boiler\""),
              std::string::npos);
}
