// The operator's buttons clicked on the started program, with scripted answers, against the simulated
// network: what reaches the wire, the table, the files, the captions, the status panel and the frames.
#include <QPushButton>
#include <QTest>

#include "app/core/mod_main.h"
#include "app/log_splash/frmLog.h"
#include "app/device_window/frmDevice.h"
#include "app/main_window/frmMain.h"
#include "tests/program/program_fixture.h"

using modMain::g;
using Strings = std::vector<std::string>;
constexpr const char* kCandidateMac = "00:13:A2:00:40:5A:30:01";

class Console : public ProgramTest {
protected:
    explicit Console(const std::string& faults = "") : w(Started(faults)) {}
    frmMain& Started(const std::string& faults) {
        Preset("ShowSplash", "0");
        UseSim(CoordinatorOnly(faults + "device mac=" + kRouterMac + " type=7\ndevice mac=" + kEndDeviceMac +
                               " type=4\ndevice mac=" + kCandidateMac + " type=7 candidate\n"));
        WriteSavedNetwork();
        Start("5");
        Settle();
        return *modMain::windows().main;
    }
    // Clicks with these answers ready; what the program wrote until things settled.
    Strings Click(QPushButton* button, const Strings& answers = {}) {
        dialogs.answers.assign(answers.begin(), answers.end());
        dialogs.asked.clear();
        line->clear_writes();
        button->click();
        Settle(300);
        return line->writes();
    }
    bool FramesOn() { return w.frmNETWORK->isEnabled() && w.frmLSTDEV->isEnabled(); }
    frmMain& w;
};

struct SilentRestart : Console {
    SilentRestart() : Console("faults silent_restart\n") {}
};

TEST_F(Console, channel_answer_selects_the_channel_sent_or_refuses_it) {
    for (const auto& [answer, first] : std::vector<std::pair<std::string, std::string>>{
             {"0", "CMD:07:1B;"}, {"27", "CMD:07:1B;"}, {"26", "CMD:07:1A;"}, {"11.5", "CMD:07:C;"},
             {"text", "CMD:07:1B;"}, {"10", ""}, {"28", ""}, {"99999", ""}, {"", ""}}) {
        const QString shown = w.lblRFCh->text();
        const Strings wire = Click(w.cmdChgRFCh, {answer});
        EXPECT_EQ(dialogs.asked.at(0).def, shown.toStdString());
        EXPECT_EQ(wire.empty() ? "" : wire.front(), first) << answer;
        EXPECT_TRUE(FramesOn() && w.lblRFCh->text().toInt() == sim->channel()) << answer;
    }
}

TEST_F(SilentRestart, channel_change_without_an_announce_goes_on_after_65_s_even_if_the_wait_was_stopped) {
    for (const bool stray_ping_answer : {false, true}) {
        if (stray_ping_answer) clock.call_later(6000, [&] { line->send_to_host(Bytes({4, 9, 0x1A, 0x2B, 0, ';'})); });
        modMain::windows().log->txtLOG->clear();
        const uint32_t start = clock.now_ms();
        const Strings wire = Click(w.cmdChgRFCh, {"20"}), log = LogLines();
        EXPECT_TRUE(clock.now_ms() - start >= 65000u && clock.now_ms() - start <= 80000u);
        EXPECT_EQ(Strings(wire.begin(), wire.begin() + 3), (Strings{"CMD:07:14;", "CMD:11;", "CMD:0D;"}));
        EXPECT_EQ(std::count(log.begin(), log.end(), "Errore Reset Coordinatore"), 1);
        EXPECT_TRUE(FramesOn() && w.lblRFCh->text() == "20");
    }
}

TEST_F(Console, ping_time_answer_is_bounded_to_what_the_alive_timer_can_count) {
    for (const auto& [answer, ms] : std::vector<std::pair<std::string, int>>{
             {"50", 200}, {"", 200}, {"1500", 1500}, {"70000", 65535}, {"1e999", 65535}, {"-3", 200}}) {
        Click(w.cmdEnPing, {answer});
        EXPECT_TRUE(g().mSecAlive == ms && w.tmrDevAlive.interval() == ms && g().enaPollPing == 1) << answer;
        EXPECT_EQ(w.cmdEnPing->text(), "Disable cycling PING");
        Click(w.cmdEnPing);
        EXPECT_TRUE(dialogs.asked.empty() && g().enaPollPing == 0);
        EXPECT_EQ(w.cmdEnPing->text(), "Enable cycling PING");
    }
}

TEST_F(Console, delete_needs_a_used_slot_and_its_exact_address_and_sends_nothing) {
    for (const Strings& refused : {Strings{"0"}, Strings{"3"}, Strings{"-1"}, Strings{"2", ""},
                                   Strings{"2", "00:13:a2:00:40:5a:20:01"}}) {
        g().ListTop = 2;
        EXPECT_EQ(Click(w.cmdDelDevice, refused), Strings{});
        EXPECT_TRUE(dialogs.asked.size() == refused.size() && g().TotalDevice == 2 && g().ListTop == 2);
    }
    EXPECT_EQ(Click(w.cmdDelDevice, {"2", platform::ScriptedDialogs::kTakeDefault}), Strings{});
    EXPECT_EQ(dialogs.asked.at(1).def, kEndDeviceMac);
    EXPECT_TRUE(g().ListTop == 1 && g().TotalDevice == 1 && g().Devices[1].ID64Long == kRouterMac);
}

TEST_F(Console, mac_direct_command_and_lock_answers_reach_the_wire_as_checked) {
    const std::string list = ProgramFile(std::string(kCoordDigits) + "_macList.txt"), before = ReadFile(list);
    for (const std::string refused : {"00:13:A2:00:40:5A:30:0", "00:13:A2:00:40:5A:30:01;CMD:01"})
        EXPECT_EQ(Click(w.cmdAddItem, {refused}), Strings{});
    EXPECT_EQ(Click(w.cmdAddItem, {kCandidateMac}).at(3), std::string("CMD:03:") + kCandidateMac + ";");
    EXPECT_EQ(ReadFile(list), before + kCandidateMac + "\r\n");
    EXPECT_EQ(Click(w.cmdDirectCmd, {"  CMD:13;  "}), Strings{"CMD:13;"});
    EXPECT_EQ(Click(w.cmdDirectCmd, {"   "}), Strings{});
    EXPECT_EQ(Click(w.cmdULockNet), Strings{"CMD:0A:FF;"});
    EXPECT_EQ(w.Status->Panels(1).text() + w.cmdULockNet->text(), "Net UnLockedLock Net");
    EXPECT_EQ(Click(w.cmdULockNet), Strings{"CMD:0A:0;"});
    EXPECT_EQ(w.Status->Panels(1).text() + w.cmdULockNet->text(), "Net LockedUnlock Net");
}

TEST_F(Console, paging_stays_within_the_table_and_reset_waits_for_the_coordinator) {
    g().TotalDevice = 20;
    for (const auto& [top, step, after] : {std::tuple{20, 1, 20}, std::tuple{1, -1, 1}, std::tuple{0, -1, 1}}) {
        g().ListTop = static_cast<int16_t>(top);
        step > 0 ? w.cmdDown_Click() : w.cmdUP_Click();
        EXPECT_EQ(g().ListTop, after);
    }
    EXPECT_EQ(Click(w.cmdReset), Strings{"CMD:01;"});
    EXPECT_TRUE(!FramesOn() && g().Devices[1].ID16Short.empty());
    ASSERT_TRUE(clock.run_until([&] { return FramesOn(); }, 10000));
    EXPECT_EQ(line->writes().at(1), "CMD:11;");
}

TEST_F(SilentRestart, reset_without_an_announce_identifies_the_coordinator_once_the_restart_wait_is_over) {
    Click(w.cmdReset);
    ASSERT_FALSE(clock.run_until([&] { return FramesOn(); }, 65000));
    ASSERT_TRUE(clock.run_until([&] { return FramesOn(); }, 10000));
    EXPECT_EQ(line->writes().at(1), "CMD:11;");
}

TEST_F(Console, device_list_takes_no_double_click_while_a_reset_or_a_channel_change_has_it_off) {
    auto& s = g();
    // Whether the name was opened, seen half a second after the double-click; a window that opened is
    // closed then, or its supplying loop would hold the command for as long as it stays open.
    auto double_click_name = [&](bool& opened) {
        clock.call_later(500, [&opened] {
            opened = modMain::windows().device != nullptr;
            if (opened) modMain::windows().device->close();
        });
        QTest::mouseDClick(w.lblLstDEVName[0], Qt::LeftButton);
    };
    for (QPushButton* command : {w.cmdChgRFCh, w.cmdReset}) {
        bool opened = true, list_off = false;
        clock.call_later(1000, [&] {
            list_off = !w.frmLSTDEV->isEnabled();
            double_click_name(opened);
        });
        Click(command, {"20"});
        ASSERT_TRUE(clock.run_until([&] { return FramesOn(); }, 20000));
        EXPECT_TRUE(list_off);
        EXPECT_FALSE(opened) << command->text().toStdString();
        EXPECT_EQ(s.DevWinState, 0);
    }
    // With the list on, the same double-click opens the device.
    bool opened = false;
    double_click_name(opened);
    EXPECT_TRUE(opened);
}

TEST_F(Console, output_test_alternates_output_1_of_a_known_device_starting_with_on) {
    w.txtTstID->setText("1a2b");
    Click(w.cmdTst);
    EXPECT_EQ(w.cmdTst->text() + w.txtTstID->text(), "Test OFF1A2B");
    line->clear_writes();
    clock.advance(450);  // each switch goes out on the link's next beat, 50 ms after the tick
    EXPECT_EQ(line->writes(), (Strings{"CMD:0B:1A2B:1;", "CMD:0C:1A2B:1;", "CMD:0B:1A2B:1;", "CMD:0C:1A2B:1;",
                                       "CMD:0B:1A2B:1;"}));
    w.txtTstID->setText("9999");
    EXPECT_EQ(Click(w.cmdTst), Strings{});
    EXPECT_TRUE(w.cmdTst->text() == "Test ON" && !w.tmrTest.enabled());
    w.tmrTest_Timer();
    w.txtTstID->clear();
    EXPECT_EQ(Click(w.cmdTst), Strings{});
    EXPECT_FALSE(w.tmrTest.enabled());
}

TEST_F(Console, operator_session_from_unlock_to_saved_files) {
    auto& s = g();
    auto all_in = [&s] {
        return s.TotalDevice == 3 && !s.Devices[2].ID16Short.empty() && !s.Devices[3].ID16Short.empty();
    };
    clock.advance(6000);
    Click(w.cmdULockNet);
    ASSERT_TRUE(clock.run_until(all_in, 10000));
    Click(w.cmdULockNet);
    Click(w.cmdChgRFCh, {"20"});
    ASSERT_TRUE(sim->channel() == 20 && clock.run_until(all_in, 10000));
    Click(w.cmdDelDevice, {"2", platform::ScriptedDialogs::kTakeDefault});
    Click(w.cmdSaveData);
    EXPECT_EQ(ReadFile(ProgramFile(std::string(kCoordDigits) + "_macList.txt")),
              std::string(kCoordMac) + "\r\n" + kRouterMac + "\r\n" + kCandidateMac + "\r\n");
    const Strings ini = FileLines(ProgramFile(std::string(kCoordDigits) + ".ini"));
    for (const auto& [l, n] : std::vector<std::pair<std::string, int>>{
             {"TotalDevice=\"2\"\r", 1}, {"RFCh=\"20\"\r", 1}, {"DeviceTypeSTR=\"Router\"\r", 2},
             {std::string("Device000002=\"") + kCandidateMac + "\"\r", 1},
             {"ID16Short=\"" + s.Devices[2].ID16Short + "\"\r", 1}, {"[" + std::string(kEndDeviceMac) + "]\r", 0}})
        EXPECT_EQ(std::count(ini.begin(), ini.end(), l), n) << l;
}
