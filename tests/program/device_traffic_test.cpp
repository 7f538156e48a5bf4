// Traffic about devices: delivery reports of a sent string, data frames, the coordinator's restart
// notice and the link's error codes that are not serial failures.
#include "app/core/mod_main.h"
#include "app/log_splash/frmLog.h"
#include "app/main_window/frmMain.h"
#include "app/main_window/reply_handling.h"
#include "tests/program/program_fixture.h"

using modMain::g;
using modMain::windows;

TEST_F(ReplyTest, delivery_reports_mark_the_sent_text_until_one_says_delivered) {
    Known(1, kRouterMac, "1A2B");
    auto& s = g();
    s.LastTxShort = "1A2B";
    s.LastTxText = "TX: hello";
    s.SendDataPending = 1;
    struct Step {
        std::string reply;
        std::string rx_log;
        int16_t pending;
    };
    // "4;" is the coordinator still trying, "8;" the string delivered; after that, reports are stale.
    const std::vector<Step> steps = {
        {"4;", "!TX: hello\r", 1},
        {"4;", "!TX: hello\r!TX: hello\r", 1},
        {"8;", "!TX: hello\r!TX: hello\r*TX: hello\r", 0},
        {"8;", "!TX: hello\r!TX: hello\r*TX: hello\r", 0},
        {"4;", "!TX: hello\r!TX: hello\r*TX: hello\r", 0},
    };
    for (const Step& st : steps) {
        modMain::HandleStringReceived(st.reply);
        EXPECT_EQ(s.Devices[1].devRxLog, st.rx_log) << st.reply;
        EXPECT_EQ(s.SendDataPending, st.pending) << st.reply;
    }

    // Nothing sent yet: no target to mark.
    Fresh();
    Known(1, kRouterMac, "1A2B");
    g().SendDataPending = 1;
    modMain::HandleStringReceived("8;");
    EXPECT_EQ(g().Devices[1].devRxLog, "");
    EXPECT_EQ(g().SendDataPending, 1);
}

TEST_F(ReplyTest, data_frame_is_logged_and_kept_with_the_device_log_cut_past_65000) {
    Known(1, kRouterMac, "1A2B");
    auto& d = g().Devices[1];
    modMain::HandleDataReceived("1A2B", "T=21.5");
    modMain::HandleDataReceived("7777", "lost");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"RX FROM: 1A2B DATA: T=21.5", "RX FROM: 7777 DATA: lost"}));
    EXPECT_EQ(LogColour(0), QColor(64, 0, 0));
    EXPECT_EQ(d.devLastData, "T=21.5");
    EXPECT_EQ(d.devRxLog, "RX: T=21.5\r");

    struct Case {
        size_t log_after;  // length of devRxLog right after the append, before any cut
        size_t kept;
    };
    for (const Case& c : {Case{65000, 65000}, Case{65001, 1000}}) {
        // "RX: " + "abcd" + CR adds 9 characters.
        d.devRxLog = std::string(c.log_after - 9, 'x');
        modMain::HandleDataReceived("1A2B", "abcd");
        EXPECT_EQ(d.devRxLog.size(), c.kept) << c.log_after;
        EXPECT_EQ(d.devRxLog.substr(d.devRxLog.size() - 9), "RX: abcd\r") << c.log_after;
    }
}

TEST_F(ReplyTest, restart_notice_gives_the_coordinator_65_seconds_and_speaks_only_when_unexpected) {
    struct Case {
        const char* name;
        int16_t reset_wait, start_wait;
        int16_t reset_wait_after;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"unexpected", 0, 0, 0, {"RX: 46-3B", "Waiting for Coordinator Reset"}},
        {"channel change", 30, 0, 20, {"RX: 46-3B"}},
        {"start-up", 0, 30, 20, {"RX: 46-3B"}},
    };
    for (const Case& c : cases) {
        Fresh();
        auto& s = g();
        s.CoordResetWait = c.reset_wait;
        s.CoordStartWait = c.start_wait;
        modMain::HandleStringReceived("F;");
        EXPECT_EQ(s.OperBusy, 1) << c.name;
        EXPECT_EQ(s.CoordResetWait, c.reset_wait_after) << c.name;
        EXPECT_EQ(LogLines(), c.lines) << c.name;
        if (c.lines.size() == 2) {
            EXPECT_EQ(LogColour(1), QColor(0, 0, 255)) << c.name;
        }
        EXPECT_EQ(s.WaitLimitMs, 65000) << c.name;
        EXPECT_TRUE(windows().main->tmrTimeOut.enabled()) << c.name;
        EXPECT_EQ(windows().log->barLOG->maximum(), 65000) << c.name;
    }
}

TEST_F(ReplyTest, error_codes_other_than_10_and_20_change_nothing) {
    for (int16_t code : {int16_t{0}, int16_t{11}, int16_t{21}, int16_t{30}, int16_t{-10}}) {
        modMain::HandleErrorDetected(code);
        EXPECT_EQ(g().OperBusy, 0) << code;
    }
    EXPECT_TRUE(LogLines().empty());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ReplyTest, sent_command_is_logged_in_blue) {
    modMain::HandleStringSent("CMD:0E:1A2B;");
    EXPECT_EQ(LogLines(), std::vector<std::string>{"TX: CMD:0E:1A2B;"});
    EXPECT_EQ(LogColour(0), QColor(0, 0, 255));
}
