// A busy network: devices reporting faster than one reply per link tick. Replies reach their
// handler within a second however long the traffic lasts, and a coordinator that restarts meanwhile
// is identified again within seconds.
#include <algorithm>

#include "app/core/mod_main.h"
#include "app/main_window/frmMain.h"
#include "link/link_state.h"
#include "sim/report_flood.h"
#include "tests/program/program_fixture.h"

using modMain::g;
using modMain::windows;

namespace {

// Stands between the link and the main window and times each I/O report from its sending to its
// handler.
class TimedEvents : public ZigBeeNetEvents {
public:
    TimedEvents(frmMain& w, zbsim::ReportFlood& flood, platform::VirtualClock& clock)
        : w_(w), flood_(flood), clock_(clock) {}
    void StringReceived(const std::string& r) override {
        if (!r.empty() && r[0] == '\x08') {
            const uint32_t delay = clock_.now_ms() - flood_.take_oldest_send_time();
            if (clock_.now_ms() >= measure_from) longest = std::max(longest, delay);
        }
        w_.ZigBeeNet_StringReceived(r);
    }
    void StringSent(const std::string& s) override { w_.ZigBeeNet_StringSent(s); }
    void ErrorDetected(int16_t code) override { w_.ZigBeeNet_ErrorDetected(code); }
    void DataReceived(const std::string& a, const std::string& d) override { w_.ZigBeeNet_DataReceived(a, d); }

    uint32_t measure_from = 0;
    uint32_t longest = 0;

private:
    frmMain& w_;
    zbsim::ReportFlood& flood_;
    platform::VirtualClock& clock_;
};

}  // namespace

TEST_F(ProgramTest, under_a_busy_network_replies_keep_up_and_a_restarted_coordinator_is_identified_in_seconds) {
    for (uint32_t rate : {20u, 60u, 200u}) {
        SCOPED_TRACE("reports a second: " + std::to_string(rate));
        Preset("ShowSplash", "0");
        UseSim(CoordinatorOnly());
        WriteSavedNetwork();
        Start("5");
        Settle();
        frmMain& w = *windows().main;
        auto& s = g();
        zbsim::ReportFlood flood(0x1A2B, [this](const std::string& bytes) { line->send_to_host(bytes); });
        TimedEvents timed(w, flood, clock);
        w.ZigBeeNet.set_events(&timed);
        flood.set_rate(rate);
        // Twenty seconds of one reply per tick would leave 800 waiting at 60 a second, more than the
        // identification's retries outlast.
        timed.measure_from = clock.now_ms() + 10000;
        clock.advance(20000);
        EXPECT_LT(timed.longest, 1000u);
        EXPECT_LE(brivola::link_state().RxQueue.pending(), 30);
        EXPECT_EQ(s.Devices[1].devIOValid, 1);

        // An unexpected restart in the middle of the traffic: notice, then the coordinator's announce.
        s.ReplyCoordMac.clear();
        s.CoordMac.clear();
        line->send_to_host("F;");
        Settle();
        line->send_to_host(Bytes({0xCC, 0x00, 0x00, 0x00, 0x13, 0xA2, 0x00, 0x40, 0x5A, 0xC0, 0x01, 0x09, ';'}));
        const uint32_t announced = clock.now_ms();
        ASSERT_TRUE(clock.run_until([&] { return s.CoordAnnounced == 1; }, 1000));
        ASSERT_TRUE(clock.run_until([&] { return s.CoordAnnounced == 0 && w.frmNETWORK->isEnabled(); }, 5000));
        EXPECT_LT(clock.now_ms() - announced, 5000u);
        EXPECT_EQ(s.CoordMac, kCoordMac);
        flood.set_rate(0);
        Settle(2000);
        w.ZigBeeNet.set_events(nullptr);
        EndRun();
    }
}
