// The history on the running program against the in-process coordinator: every ping the alive tick
// sent and judged, answered or not, and every I/O report, exactly as the wire carried them.
#include <QProgressBar>
#include <map>
#include <memory>

#include "app/core/device_table.h"
#include "app/core/mod_main.h"
#include "app/device_window/frmDevice.h"
#include "app/health/recording.h"
#include "app/main_window/frmMain.h"
#include "app/main_window/reply_handling.h"
#include "tests/program/program_fixture.h"

using modMain::g;

namespace {

constexpr const char* kSilentMac = "00:13:A2:00:40:5A:30:01";

int HexByte(const std::string& line, size_t n) { return std::stoi(line.substr(3 + 3 * n, 2), nullptr, 16); }

class HealthRecording : public ProgramTest {
protected:
    HealthRecording() {
        Preset("ShowSplash", "0");
        UseSim(CoordinatorOnly(std::string("device mac=") + kRouterMac + " type=7 lqi=210 report=0\n" +
                               "device mac=" + kSilentMac + " type=7 silent\n" + "device mac=" + kEndDeviceMac +
                               " type=4 report=2 poll=2000\n"));
        sim->set_log([this](const std::string& l) { wire.push_back(l); });
        Start("5");
        EXPECT_TRUE(clock.run_until(
            [] { return g().TotalDevice == 3 && g().NewDeviceFlag == 0 && g().OperBusy == 0; }, 30000));
    }
    std::string ShortOf(const char* mac) { return g().Devices[modMain::FindDeviceByMac(mac)].ID16Short; }
    uint64_t Key(const char* mac) { return *health::MacKey(mac); }

    std::vector<std::string> wire;
};

TEST_F(HealthRecording, keeps_every_judged_ping_and_every_report_the_wire_carried) {
    g().enaPollPing = 1;
    clock.advance(40000);
    // Polling stops, what was sent is answered, then the coordinator goes and what it said is handled.
    g().enaPollPing = 0;
    clock.advance(300);
    sim.reset();
    clock.advance(500);

    // Pings sent per short address, reports per reporting short address, and the last ping of all (its
    // answer is judged on the next tick, which has not come).
    std::map<std::string, int> pings, reports;
    std::string last_ping;
    std::string last_report;
    for (const std::string& l : wire) {
        if (l.rfind("<- CMD:0E:", 0) == 0) pings[last_ping = l.substr(10, 4)]++;
        if (l.rfind("-> 08-", 0) == 0) {
            char s[5];
            std::snprintf(s, sizeof s, "%02X%02X", HexByte(l, 1), HexByte(l, 2));
            reports[s]++;
            last_report = l;
        }
    }
    struct Case {
        const char* name;
        const char* mac;
        bool answers;
        int lqi;
    };
    const Case cases[] = {{"router", kRouterMac, true, 210}, {"silent router", kSilentMac, false, 0},
                          {"end device", kEndDeviceMac, false, 0}};
    for (const Case& c : cases) {
        const std::string shortId = ShortOf(c.mac);
        const auto history = health::history().Pings(Key(c.mac));
        const int expected = pings[shortId] - (last_ping == shortId ? 1 : 0);
        EXPECT_EQ(static_cast<int>(history.size()), expected) << c.name;
        for (const health::PingSample& p : history) {
            EXPECT_EQ(p.answered, c.answers) << c.name;
            EXPECT_EQ(p.lqi, c.lqi) << c.name;
        }
        EXPECT_EQ(static_cast<int>(health::history().Reports(Key(c.mac)).size()), reports[shortId]) << c.name;
    }
    EXPECT_GE(pings[ShortOf(kRouterMac)], 5);
    EXPECT_EQ(pings[ShortOf(kEndDeviceMac)], 0);
    ASSERT_GE(reports[ShortOf(kEndDeviceMac)], 10);

    // The last report's words give what the table holds.
    const auto end_reports = health::history().Reports(Key(kEndDeviceMac));
    const health::ReportSample& r = end_reports.back();
    const DeviceRecord& d = g().Devices[modMain::FindDeviceByMac(kEndDeviceMac)];
    EXPECT_EQ(r.battery, HexByte(last_report, 3) * 256 + HexByte(last_report, 4));
    EXPECT_EQ(modMain::BatteryVolts(static_cast<uint8_t>(r.battery >> 8), static_cast<uint8_t>(r.battery)), d.devVBatt);
    EXPECT_EQ(modMain::Temperature(static_cast<uint8_t>(r.temperature >> 8), static_cast<uint8_t>(r.temperature)),
              d.devTemp);
    char analog1[5];
    std::snprintf(analog1, sizeof analog1, "%04X", r.analog[0]);
    EXPECT_EQ(analog1, d.devAnalog1);
    // Reports come every 2 s: the newest is at most that old when the coordinator went.
    EXPECT_LE(health::history().Now() - r.t, 20u + 8u);
}

TEST_F(HealthRecording, the_device_window_plots_the_shown_devices_readings) {
    const int slot = modMain::FindDeviceByMac(kEndDeviceMac);
    clock.advance(20000);
    auto& s = g();
    s.DevWinState = 2;
    s.CurDevice = s.Devices[slot];
    s.OpenDeviceShort = s.CurDevice.ID16Short;
    s.OpenDeviceIdx = static_cast<int16_t>(slot);
    auto window = std::make_unique<frmDevice>();
    window->show();
    clock.advance(1000);

    const auto reports = health::history().Reports(Key(kEndDeviceMac));
    ASSERT_GE(reports.size(), 8u);
    const auto& plots = window->sparklines->plots;
    for (size_t k = 0; k < plots.size(); ++k) {
        ASSERT_EQ(plots[k]->Series().size(), 1u) << k;
        EXPECT_EQ(plots[k]->Series()[0].points.size(), reports.size()) << k;
    }
    const health::ReportSample& last = reports.back();
    EXPECT_EQ(plots[0]->Series()[0].points.back().value, static_cast<int16_t>(last.analog[0]));
    EXPECT_EQ(plots[3]->Series()[0].points.back().value, static_cast<int16_t>(last.analog[3]));
    EXPECT_FLOAT_EQ(static_cast<float>(plots[5]->Series()[0].points.back().value), s.Devices[slot].devVBatt);
    EXPECT_FLOAT_EQ(static_cast<float>(plots[4]->Series()[0].points.back().value), s.Devices[slot].devTemp);
    // The plots begin at the first reading held and end now; the bars kept their place on the left.
    EXPECT_EQ(plots[0]->From(), reports.front().t);
    EXPECT_EQ(plots[0]->To(), health::history().Now());
    EXPECT_LT(window->barANG[0]->geometry().right(), plots[0]->geometry().left());
    window->close();
}

}  // namespace
