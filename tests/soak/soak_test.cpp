// A short soak across the millisecond counter's wrap, and the invariant checks it relies on catching
// what they are there to catch.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <functional>
#include <memory>

#include "app/core/mod_main.h"
#include "platform/virtual_clock.h"
#include "tests/soak/invariants.h"
#include "tests/soak/soak_run.h"
#include "tests/qt_application_environment.h"

namespace {

const auto* const registered = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment("soak_tests"));

std::string Joined(const soak::Problems& p) {
    std::string s;
    for (const auto& x : p) s += x + "\n";
    return s;
}

}  // namespace

TEST(Soak, two_hours_across_the_counter_wrap_keep_every_invariant) {
    soak::Options opt;
    opt.hours = 2;
    opt.start_ms = 0xFFFFFFFFu - 30u * 60u * 1000u + 1u;  // the counter wraps after half an hour
    opt.folder = QDir::tempPath().toStdString() + "/dalmiro-soak-test-" + std::to_string(QCoreApplication::applicationPid());
    // A smaller network than the long soak's, with churn often enough that two hours meet every kind.
    soak::NetworkRates& r = opt.rates;
    r.routers = 30;
    r.end_devices = 20;
    r.busy = 10;
    r.busy_report_s = 10;
    r.unlock_candidates = 5;
    r.added_candidates = 3;
    r.rejoin_s = 600;
    r.silence_s = 1800;
    r.silence_for_s = 1800;
    r.swap_s = 1800;
    r.stranger_s = 1200;
    r.talk_s = 300;
    r.restart_s = 3600;
    r.noise_every_ms = 60000;
    soak::Figures f;
    {
        soak::SoakRun run(opt);
        f = run.Run();
    }
    QDir(QString::fromStdString(opt.folder)).removeRecursively();
    for (const auto& v : f.violations) ADD_FAILURE() << soak::SoakRun::When(v.at_ms) << ": " << v.what;
    EXPECT_EQ(f.checks, 3);  // two hourly ones and the last
    EXPECT_GT(f.events, 10000u);
    EXPECT_DOUBLE_EQ(f.simulated_days * 24, 2.0);
}

TEST(SoakInvariants, the_table_check_names_each_way_the_table_can_go_wrong) {
    platform::VirtualClock clock{0};
    zbsim::ConfigError error;
    auto config = zbsim::parse_config(
        "device mac=00:00:00:00:00:00:00:01 type=7\ndevice mac=00:00:00:00:00:00:00:02 type=4\n"
        "device mac=00:00:00:00:00:00:00:03 type=7 candidate\n", error);
    ASSERT_TRUE(config) << error.text();
    zbsim::Coordinator sim(*config);
    sim.receive("CMD:04;");
    clock.advance(10000);
    const std::string mac1 = "00:00:00:00:00:00:00:01", mac2 = "00:00:00:00:00:00:00:02", mac3 = "00:00:00:00:00:00:00:03";
    auto short_of = [&](int n) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04X", sim.devices()[static_cast<size_t>(n)].short_addr);
        return std::string(buf);
    };
    struct Case {
        const char* name;
        std::function<void(modMain::State&)> spoil;
        std::string expected;  // "" for a sound table
    } cases[] = {
        {"sound", [](modMain::State&) {}, ""},
        {"short address out of date", [](modMain::State& s) { s.Devices[2].ID16Short = "0001"; },
         mac2 + " has short address " + short_of(1) + " but its record says \"0001\"\n"},
        {"two records with one short address", [&](modMain::State& s) { s.Devices[2].ID16Short = short_of(0); },
         "short address " + short_of(0) + " is in slot 1 and slot 2\n" + mac2 + " has short address " + short_of(1) +
             " but its record says \"" + short_of(0) + "\"\n"},
        {"record lost", [](modMain::State& s) {
             s.Devices[2] = DeviceRecord{};
             s.TotalDevice = 1;
         }, mac2 + " joined the network but is not in the table\n"},
        {"record twice", [&](modMain::State& s) {
             s.Devices[3] = s.Devices[1];
             s.Devices[3].ID16Short.clear();
             s.TotalDevice = 3;
         }, mac1 + " is in slot 1 and slot 3\n"},
        {"count behind the table", [](modMain::State& s) { s.TotalDevice = 1; },
         "slot 2 holds " + mac2 + " beyond TotalDevice\nTotalDevice 1 but 2 records\n"},
        {"gap inside the count", [](modMain::State& s) { s.TotalDevice = 3; },
         "slot 3 is empty inside TotalDevice 3\nTotalDevice 3 but 2 records\n"},
        {"a device that never joined", [&](modMain::State& s) {
             s.Devices[3].ID64Long = mac3;
             s.TotalDevice = 3;
         }, mac3 + " never joined but is in slot 3\n"},
    };
    for (const auto& c : cases) {
        modMain::reset();
        modMain::State& s = modMain::g();
        s.Devices[1].ID64Long = mac1;
        s.Devices[1].ID16Short = short_of(0);
        s.Devices[2].ID64Long = mac2;
        s.Devices[2].ID16Short = short_of(1);
        s.TotalDevice = 2;
        c.spoil(s);
        EXPECT_EQ(Joined(soak::CheckTable(sim)), c.expected) << c.name;
    }
    // A device that left must be gone from the table too.
    modMain::reset();
    modMain::g().Devices[1].ID64Long = mac1;
    modMain::g().Devices[1].ID16Short = short_of(0);
    modMain::g().Devices[2].ID64Long = mac2;
    modMain::g().Devices[2].ID16Short = short_of(1);
    modMain::g().TotalDevice = 2;
    ASSERT_TRUE(sim.leave(sim.devices()[0].config().mac));
    EXPECT_EQ(Joined(soak::CheckTable(sim)), mac1 + " left the network but is in slot 1\n");
    modMain::reset();
}
