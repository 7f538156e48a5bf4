// With reconnection chosen, a lost adapter or a coordinator that cannot be identified again is
// waited out: the network is saved, the frames are off and the status bar says so, the port is
// retried every few seconds, and once the coordinator answers the program goes on with every device.
#include <algorithm>
#include <functional>

#include "app/core/device_table.h"
#include "app/core/mod_main.h"
#include "app/main_window/frmMain.h"
#include "tests/program/program_fixture.h"

using modMain::g;
using modMain::windows;

namespace {

constexpr const char* kLost = "Serial Communication Error";

class AdapterReconnect : public ProgramTest {
protected:
    AdapterReconnect() {
        Preset("ShowSplash", "0");
        Preset("Reconnect", "1");
        UseSim(CoordinatorOnly());
        WriteSavedNetwork(1);  // alive polling on: its pings find a lost adapter out
        Start("5");
        Settle();
    }
    frmMain& W() { return *windows().main; }
    int Count(const std::string& text) const {
        const auto lines = LogLines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), text));
    }
    bool Waiting() { return g().AdapterLost == 1 && !W().frmNETWORK->isEnabled(); }
    bool Running() { return g().AdapterLost == 0 && W().frmNETWORK->isEnabled() && g().OperBusy == 0; }
    std::string NetFile() const { return ReadFile(ProgramFile(std::string(kCoordDigits) + ".ini")); }
};

}  // namespace

TEST_F(AdapterReconnect, a_lost_adapter_is_waited_for_and_the_station_goes_on_with_every_device) {
    struct Case {
        const char* name;
        std::vector<uint32_t> away;  // unplugged for each of these, back for 1 s in between
    };
    for (const Case& c : {Case{"a minute", {60000}}, Case{"an hour", {3600000}},
                          Case{"flapping", {2000, 500, 4000, 100, 7000}}}) {
        SCOPED_TRACE(c.name);
        auto& s = g();
        // A router joins; the saved files do not know it yet.
        line->send_to_host(Bytes({0x00, 0x5E, 0x6F, 0x00, 0x13, 0xA2, 0x00, 0x40, 0x5A, 0x30, 0x01, 0x07, ';'}));
        ASSERT_TRUE(clock.run_until([&] { return s.TotalDevice == 3 && s.OperBusy == 0; }, 2000));
        const int lost_before = Count(kLost);
        const int messages_before = static_cast<int>(dialogs.messages.size());
        line->clear_writes();

        for (size_t k = 0; k < c.away.size(); ++k) {
            line->unplug();
            ASSERT_TRUE(clock.run_until([&] { return Waiting(); }, 2500));
            EXPECT_EQ(W().Status->Panels(1).text(), "waiting for the adapter");
            EXPECT_NE(NetFile().find("00:13:A2:00:40:5A:30:01"), std::string::npos);  // saved at the loss
            const int attempts = line->open_attempts;
            clock.advance(c.away[k]);
            // Retried every 3 s, never in a tight loop.
            EXPECT_NEAR(line->open_attempts - attempts, static_cast<int>(c.away[k] / 3000), 1);
            EXPECT_TRUE(Waiting());
            line->replug();
            if (k + 1 < c.away.size()) clock.advance(1000);
        }
        ASSERT_TRUE(clock.run_until([&] { return Running(); }, 10000));
        Settle();
        // Identified, the known devices registered, the network started and locked.
        const auto& wire = line->writes();
        const auto at = std::find(wire.begin(), wire.end(), "CMD:11;");
        ASSERT_NE(at, wire.end());
        std::vector<std::string> expected = {"CMD:11;", "CMD:0D;"};
        for (const char* mac : {kCoordMac, kRouterMac, kEndDeviceMac, "00:13:A2:00:40:5A:30:01"})
            expected.push_back(std::string("CMD:03:") + mac + ";");
        expected.insert(expected.end(), {"CMD:04;", "CMD:0A:0;"});
        std::vector<std::string> registration;
        for (auto it = std::find(wire.rbegin(), wire.rend(), "CMD:11;").base() - 1; it != wire.end(); ++it)
            if (it->rfind("CMD:0E:", 0) != 0) registration.push_back(*it);
        EXPECT_EQ(registration, expected);
        EXPECT_EQ(s.TotalDevice, 3);
        EXPECT_EQ(s.Devices[3].ID16Short, "5E6F");
        EXPECT_EQ(s.CoordMac, kCoordMac);
        EXPECT_TRUE(W().frmLSTDEV->isEnabled());
        EXPECT_NE(W().Status->Panels(1).text(), "waiting for the adapter");
        // Each loss is logged once, never in a box.
        EXPECT_GE(Count(kLost) - lost_before, 1);
        EXPECT_LE(Count(kLost) - lost_before, static_cast<int>(c.away.size()));
        EXPECT_EQ(static_cast<int>(dialogs.messages.size()), messages_before);
        // The next case starts from a table without the router that joined.
        modMain::DeleteDevice(3);
        Settle(300);
    }
}

TEST_F(AdapterReconnect, a_coordinator_that_cannot_be_identified_after_a_restart_is_waited_for_like_a_lost_adapter) {
    auto& s = g();
    // The coordinator hears every command but the address request while `deaf`.
    bool deaf = true;
    auto forward = line->on_host_write;
    line->on_host_write = [&](const std::string& bytes) {
        if (!(deaf && bytes == "CMD:11;")) forward(bytes);
    };
    line->send_to_host("F;");
    Settle();
    line->send_to_host(Bytes({0xCC, 0x00, 0x00, 0x00, 0x13, 0xA2, 0x00, 0x40, 0x5A, 0xC0, 0x01, 0x09, ';'}));
    ASSERT_TRUE(clock.run_until([&] { return Waiting(); }, 30000));
    EXPECT_EQ(Count("Coordinator Reset Error"), 1);
    EXPECT_EQ(Count(kLost), 0);
    EXPECT_EQ(W().Status->Panels(1).text(), "waiting for the adapter");
    clock.advance(120000);  // retries identify in vain, and say so no more
    EXPECT_TRUE(Waiting());
    EXPECT_EQ(Count("Coordinator Reset Error"), 1);
    deaf = false;
    ASSERT_TRUE(clock.run_until([&] { return Running(); }, 60000));
    EXPECT_EQ(s.TotalDevice, 2);
    EXPECT_EQ(s.CoordMac, kCoordMac);
}
