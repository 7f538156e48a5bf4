// The coordinator's replies as the main window decodes them: flags for the waiting routines, the
// reply wait, the log line of each reply and the I/O reports.
#include <functional>

#include "app/core/mod_main.h"
#include "app/log_splash/frmLog.h"
#include "app/main_window/frmMain.h"
#include "app/main_window/reply_handling.h"
#include "tests/program/program_fixture.h"

using modMain::g;
using modMain::HandleStringReceived;
using modMain::windows;

namespace {

const QColor kGreen(0, 255, 0), kDarkRed(64, 0, 0), kRed(255, 0, 0);

// An I/O report from 1A2B: battery bytes, temperature bytes, four analog words, inputs; 17 characters,
// or 19 with two trailing bytes (the 18th being the mark).
std::string IoReport(int vb_hi, int vb_lo, int t_hi, int t_lo, int a1_hi, int a1_lo, int inputs, int mark = -1) {
    std::string r = Bytes({0x08, 0x1A, 0x2B, vb_hi, vb_lo, t_hi, t_lo, a1_hi, a1_lo, 0x00, 0x11, 0x22, 0x33, 0xFF,
                           0xFE, inputs});
    if (mark >= 0) r += Bytes({0x00, mark});
    return r + ";";
}

// The values the row of a reply shorter than its minimum must leave alone.
std::string Snapshot() {
    const auto& s = g();
    const auto& d = s.Devices[1];
    return "ping " + std::to_string(s.PingFlagA) + " reply " + std::to_string(s.ReplyReceived) + " start " +
           std::to_string(s.CoordStartWait) + " total " + std::to_string(s.TotalDevice) + " found " +
           std::to_string(s.FoundDevIdx) + " busy " + std::to_string(s.OperBusy) + " io " +
           std::to_string(d.devIOValid) + " timer " + std::to_string(windows().main->tmrTimeOut.enabled());
}

}  // namespace

TEST_F(ReplyTest, answers_set_the_flag_their_waiter_polls_and_close_the_reply_wait) {
    struct Case {
        std::string reply;
        bool closes_wait;
        std::function<void()> check;
    };
    const std::vector<Case> cases = {
        {Bytes({0x04, 0xB4, 0x1A, 0x2B, 0x00, ';'}), true,
         [] {
             EXPECT_EQ(g().PingLQI, 180);
             EXPECT_EQ(g().PingShort, "1A2B");
             EXPECT_EQ(g().PingFlagA, 1);
             EXPECT_EQ(g().PingFlagC, 1);
         }},
        {Bytes({0x06, 1, 2, 3, 4, 5, 6, 7, 8, 0x1A, 0x2B, 7, ';'}), true, [] { EXPECT_EQ(g().ReplyReceived, 0); }},
        {Bytes({0x07, 0x00, 0x13, 0xA2, 0x00, 0x40, 0x5A, 0xC0, 0x01, ';'}), true,
         [] {
             EXPECT_EQ(g().ReplyCoordMac, kCoordMac);
             EXPECT_EQ(g().ReplyReceived, 1);
             EXPECT_EQ(g().CoordStartWait, 1);
         }},
        {Bytes({0x09, '2', '.', '1', ';'}), true, [] { EXPECT_EQ(g().ReplyReceived, 1); }},
        {Bytes({0x11, 0x1A, 0x0B, 0x17, ';'}), true,
         [] {
             EXPECT_EQ(g().ReplyRFCh, 26);
             EXPECT_EQ(g().ReplyPanId, "0B17");
             EXPECT_EQ(g().ReplyReceived, 1);
         }},
        {Bytes({0x17, 0x1A, 0x2B, ';'}), true, [] { EXPECT_EQ(g().KeepAliveAck, 1); }},
        {Bytes({0x19, 0x1A, 0x2B, 0x00, ';'}), true, [] { EXPECT_EQ(g().PollRateAck, 1); }},
        // The command acknowledgement leaves the wait and its progress bar running.
        {"0;", false, [] { EXPECT_EQ(g().CmdAck, 1); }},
        {"Z;", false, [] { EXPECT_EQ(g().ReplyReceived, 0); }},
    };
    for (const Case& c : cases) {
        Fresh();
        WaitRunning();
        const int bar_before = BarValue();
        ASSERT_GT(bar_before, 0);
        HandleStringReceived(c.reply);
        EXPECT_EQ(WaitClosed(), c.closes_wait) << c.reply;
        if (!c.closes_wait) {
            EXPECT_EQ(BarValue(), bar_before) << c.reply;
        }
        c.check();
    }
}

TEST_F(ReplyTest, reply_shorter_than_its_row_needs_is_only_logged) {
    // Bytes 2.. count up from 2, so bytes 2-3 make the short address 0203 of slot 1.
    const std::vector<std::pair<int, size_t>> minimum = {{0x04, 5}, {0x06, 12}, {0x07, 10}, {0x08, 16},
                                                         {0x09, 5}, {0x11, 5},  {0x00, 12}, {0xCC, 12}};
    for (const auto& [code, min_len] : minimum) {
        for (size_t len : {min_len - 1, min_len}) {
            Fresh();
            Known(1, kRouterMac, "0203");
            WaitRunning();
            std::string reply(1, static_cast<char>(code));
            for (size_t k = 2; k < len; ++k) reply += static_cast<char>(k);
            reply += ';';
            const std::string before = Snapshot();
            HandleStringReceived(reply);
            if (len < min_len) {
                EXPECT_EQ(Snapshot(), before) << "code " << code << " length " << len;
                EXPECT_EQ(LogLines().size(), 1u) << "code " << code << " length " << len;
                EXPECT_EQ(LogColour(0), kDarkRed) << "code " << code;
            } else {
                EXPECT_NE(Snapshot(), before) << "code " << code << " length " << len;
            }
        }
    }
}

TEST_F(ReplyTest, log_line_colour_follows_the_code_and_the_h_mark) {
    struct Case {
        std::string reply;
        std::vector<std::string> lines;
        QColor colour;
    };
    const std::vector<Case> cases = {
        {"0;", {"RX: 30-3B"}, kGreen},
        {"4;", {"RX: 34-3B"}, kGreen},
        {"8;", {"RX: 38-3B"}, kDarkRed},
        {IoReport(0x0C, 0x05, 0x05, 0x14, 0x0A, 0x05, 0x05, 'H'),
         {"RX: 08-1A-2B-0C-05-05-14-0A-05-00-11-22-33-FF-FE-05-00-48-3B"},
         kRed},
        {IoReport(0x0C, 0x05, 0x05, 0x14, 0x0A, 0x05, 0x05, 'h'), {}, QColor()},
        {IoReport(0x0C, 0x05, 0x05, 0x14, 0x0A, 0x05, 0x05),
         {"RX: 08-1A-2B-0C-05-05-14-0A-05-00-11-22-33-FF-FE-05-3B"},
         kDarkRed},
        {Bytes({0x07, 0x00, 0x13, 0xA2, 0x00, 0x40, 0x5A, 0xC0, 0x01, ';'}),
         {"RX: 07-00-13-A2-00-40-5A-C0-01-3B"},
         kDarkRed},
    };
    for (const Case& c : cases) {
        Fresh();
        Known(1, kRouterMac, "1A2B");
        HandleStringReceived(c.reply);
        EXPECT_EQ(LogLines(), c.lines) << c.reply;
        if (!c.lines.empty()) {
            EXPECT_EQ(LogColour(0), c.colour) << c.reply;
        }
    }
}

TEST_F(ReplyTest, io_report_is_stored_in_device_units) {
    struct Case {
        int vb_hi, vb_lo, t_hi, t_lo, a_hi, a_lo, inputs;
        float volts, temp;
        const char* analog1;
        const char* inputs_text;
    };
    const std::vector<Case> cases = {
        {0x0C, 0x05, 0x05, 0x14, 0x0A, 0x05, 0x05, 3.077f, 13.8f, "0A05", "5"},
        {0x0D, 0xAC, 0x05, 0x78, 0xF0, 0x0F, 0xC4, 3.5f, 38.93f, "F00F", "C4"},
        {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0.0f, -312.88f, "0000", "0"},
    };
    for (const Case& c : cases) {
        Fresh();
        Known(1, kRouterMac, "1A2B");
        HandleStringReceived(IoReport(c.vb_hi, c.vb_lo, c.t_hi, c.t_lo, c.a_hi, c.a_lo, c.inputs));
        const DeviceRecord& d = g().Devices[1];
        EXPECT_EQ(d.devVBatt, c.volts) << c.analog1;
        EXPECT_EQ(d.devTemp, c.temp) << c.analog1;
        EXPECT_EQ(d.devAnalog1, c.analog1);
        EXPECT_EQ(d.devAnalog2, "0011");
        EXPECT_EQ(d.devAnalog3, "2233");
        EXPECT_EQ(d.devAnalog4, "FFFE");
        EXPECT_EQ(d.devInputs, c.inputs_text);
        EXPECT_EQ(d.devIOValid, 1);
        EXPECT_EQ(d.devStatus, 1);
    }
}

TEST_F(ReplyTest, io_report_refreshes_the_open_device_copy_but_keeps_what_the_operator_edits) {
    struct Case {
        const char* name;
        std::string report;
        int16_t startup_done;
        int16_t phase_before, phase_after;
        bool measurements_stored, copy_refreshed;
        int16_t bound_slot = 0;  // the slot the window is bound to, 0 before the opener binds one
    };
    const std::vector<Case> cases = {
        {"plain report", IoReport(0x0C, 0x05, 0x05, 0x14, 0x0A, 0x05, 0x05), 1, 10, 20, true, true},
        {"marked report", IoReport(0x0C, 0x05, 0x05, 0x14, 0x0A, 0x05, 0x05, 'H'), 1, 10, 20, false, true},
        {"phase other than 10", IoReport(0x0C, 0x05, 0x05, 0x14, 0x0A, 0x05, 0x05), 1, 0, 0, true, true},
        {"before start-up ends", IoReport(0x0C, 0x05, 0x05, 0x14, 0x0A, 0x05, 0x05), 0, 10, 10, false, false},
        {"unknown sender", Bytes({0x08, 0x77, 0x77, 0x0C, 0x05, 0x05, 0x14, 0, 0, 0, 0, 0, 0, 0, 0, 5, ';'}), 1, 10,
         10, false, false},
        // 1A2B was the shown device's address before it rejoined; slot 1 is another device now.
        {"window bound to another slot", IoReport(0x0C, 0x05, 0x05, 0x14, 0x0A, 0x05, 0x05), 1, 10, 10, true, false, 2},
    };
    for (const Case& c : cases) {
        Fresh();
        auto& s = g();
        s.StartupDone = c.startup_done;
        Known(1, kRouterMac, "1A2B");
        Known(2, kEndDeviceMac, "3C4D");
        s.Devices[1].DeviceName = "Pump";
        s.Devices[1].devPollRate = 2000;
        s.Devices[1].devNewRate = 30;
        s.Devices[1].stsEnableKeepAlive = 0;
        s.Devices[1].DeviceLQI = 77;
        // The device window has 1A2B open and the operator has edited the copy.
        s.OpenDeviceShort = "1A2B";
        s.OpenDeviceIdx = c.bound_slot;
        s.CurDevice = s.Devices[1];
        s.CurDevice.DeviceName = "Pump (edited)";
        s.CurDevice.devPollRate = 9000;
        s.CurDevice.devNewRate = 60;
        s.CurDevice.stsEnableKeepAlive = 1;
        s.CurDevice.DeviceLQI = 0;
        s.DevPollPhase = c.phase_before;

        HandleStringReceived(c.report);

        EXPECT_EQ(s.Devices[1].devIOValid, c.measurements_stored ? 1 : 0) << c.name;
        EXPECT_EQ(s.Devices[1].devVBatt, c.measurements_stored ? 3.077f : 0.0f) << c.name;
        EXPECT_EQ(s.CurDevice.DeviceLQI, c.copy_refreshed ? 77 : 0) << c.name;
        EXPECT_EQ(s.CurDevice.devVBatt, c.measurements_stored && c.copy_refreshed ? 3.077f : 0.0f) << c.name;
        EXPECT_EQ(s.CurDevice.DeviceName, "Pump (edited)") << c.name;
        EXPECT_EQ(s.CurDevice.devPollRate, 9000) << c.name;
        EXPECT_EQ(s.CurDevice.devNewRate, 60) << c.name;
        EXPECT_EQ(s.CurDevice.stsEnableKeepAlive, 1) << c.name;
        EXPECT_EQ(s.DevPollPhase, c.phase_after) << c.name;
        EXPECT_EQ(s.Devices[2].devIOValid, 0) << c.name;
    }
}
