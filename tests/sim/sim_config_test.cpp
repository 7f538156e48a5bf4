#include <gtest/gtest.h>

#include <fstream>

#include "sim/sim_config.h"

using namespace zbsim;

TEST(SimConfig, a_full_file_sets_every_field) {
    ConfigError err;
    auto c = parse_config(
        "# network under test\n"
        "\n"
        "coordinator mac=0123456789abcdef pan=beef channel=26 version=X.9 seed=42  # trailing comment\n"
        "timing reply=1 ping=2 join_delay=3 join_spacing=4 restart=5\n"
        "faults delay=6 drop_every=7 garbage_every=80 ignore_addr=9 silent_restart burst_every=1000 burst_count=11\n"
        "churn rejoin=1 silence=2 silence_for=86400 swap=4 stranger=5 talk=6 restart=864000\n"
        "device mac=00:13:A2:00:40:5A:20:03 type=6 candidate lqi=0 report=3600 poll=65535 echo silent\n"
        "\tdevice   mac=00:13:A2:00:40:5A:20:04 type=7\n",
        err);
    ASSERT_TRUE(c) << err.text();
    EXPECT_EQ(mac_text(c->mac), "01:23:45:67:89:AB:CD:EF");
    EXPECT_EQ(c->pan, 0xBEEF);
    EXPECT_EQ(c->channel, 26);
    EXPECT_EQ(c->version, "X.9");
    EXPECT_EQ(c->seed, 42u);
    EXPECT_EQ(c->timing.reply_ms, 1u);
    EXPECT_EQ(c->timing.ping_ms, 2u);
    EXPECT_EQ(c->timing.join_delay_ms, 3u);
    EXPECT_EQ(c->timing.join_spacing_ms, 4u);
    EXPECT_EQ(c->timing.restart_ms, 5u);
    EXPECT_EQ(c->faults.extra_delay_ms, 6u);
    EXPECT_EQ(c->faults.drop_every, 7u);
    EXPECT_EQ(c->faults.garbage_every_ms, 80u);
    EXPECT_EQ(c->faults.ignore_addr, 9u);
    EXPECT_FALSE(c->faults.ignore_all_addr);
    EXPECT_TRUE(c->faults.silent_restart);
    EXPECT_EQ(c->faults.burst_every_ms, 1000u);
    EXPECT_EQ(c->faults.burst_count, 11u);
    const Churn& ch = c->churn;
    EXPECT_EQ(std::vector<uint32_t>({ch.rejoin_s, ch.silence_s, ch.silence_for_s, ch.swap_s, ch.stranger_s, ch.talk_s,
                                     ch.restart_s}),
              std::vector<uint32_t>({1, 2, 86400, 4, 5, 6, 864000}));
    ASSERT_EQ(c->devices.size(), 2u);
    const auto& d = c->devices[0];
    EXPECT_EQ(mac_text(d.mac), "00:13:A2:00:40:5A:20:03");
    EXPECT_EQ(d.type, 6);
    EXPECT_FALSE(d.member);
    EXPECT_EQ(d.lqi, 0);
    EXPECT_EQ(d.report_s, 3600u);
    EXPECT_EQ(d.poll_ms, 65535);
    EXPECT_TRUE(d.echo && d.silent);
    EXPECT_TRUE(c->devices[1].member);
    EXPECT_FALSE(c->devices[1].echo || c->devices[1].silent);
}

TEST(SimConfig, bad_lines_are_reported_with_their_number) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"router mac=00:00:00:00:00:00:00:01\n", "line 1: unknown line kind 'router' (coordinator, timing, faults, churn or device)"},
        {"\ndevice type=7\n", "line 2: device needs a mac"},
        {"churn restart=0\n", "line 1: restart needs a whole number from 1 to 864000"},
        {"churn silence_for=86401\n", "line 1: silence_for needs a whole number from 1 to 86400"},
        {"device mac=00:00:00:00:00:00:00:01\n", "line 1: device needs a type"},
        {"device mac=00:00:00:00:00:00:00:01 type=5\n", "line 1: type must be 4 or 6 (end device) or 7 (router)"},
        {"device mac=00:00:00:00:00:00:00:1 type=7\n",
         "line 1: mac needs eight hexadecimal bytes like 00:13:A2:00:40:5A:10:01"},
        {"device mac=00-00-00-00-00-00-00-01 type=7\n",
         "line 1: mac needs eight hexadecimal bytes like 00:13:A2:00:40:5A:10:01"},
        {"device mac=00:00:00:00:00:00:00:01 type=7 lqi=256\n", "line 1: lqi needs a whole number from 0 to 255"},
        {"device mac=00:00:00:00:00:00:00:01 type=7 lqi=-1\n", "line 1: lqi needs a whole number from 0 to 255"},
        {"device mac=00:00:00:00:00:00:00:01 type=7 report\n", "line 1: report needs a whole number from 0 to 3600"},
        {"device mac=00:00:00:00:00:00:00:01 type=7 poll=99\n", "line 1: poll needs a whole number from 100 to 65535"},
        {"device mac=00:00:00:00:00:00:00:01 type=7 echo=1\n", "line 1: echo takes no value"},
        {"device mac=00:00:00:00:00:00:00:01 type=7 colour=red\n", "line 1: unknown setting 'colour'"},
        {"device mac=00:00:00:00:00:00:00:01 type=7 type=4\n", "line 1: 'type' given twice"},
        {"device mac=00:00:00:00:00:00:00:01 type=7 member candidate\n",
         "line 1: a device is either a member or a candidate"},
        {"device mac=00:00:00:00:00:00:00:01 type=7\ndevice mac=0000000000000001 type=4\n",
         "line 2: mac 00:00:00:00:00:00:00:01 is used twice"},
        {"device mac=00:00:00:00:00:00:00:01 type=7\ncoordinator mac=00:00:00:00:00:00:00:01\n",
         "mac 00:00:00:00:00:00:00:01 is used by the coordinator and a device"},
        {"coordinator channel=10\n", "line 1: channel needs a whole number from 11 to 26"},
        {"coordinator pan=12345\n", "line 1: pan needs four hexadecimal digits"},
        {"coordinator pan=12G4\n", "line 1: pan needs four hexadecimal digits"},
        {"coordinator version=1.23\n", "line 1: version needs exactly three characters"},
        {"coordinator\ncoordinator\n", "line 2: 'coordinator' given twice"},
        {"timing reply=60001\n", "line 1: reply needs a whole number from 0 to 60000"},
        {"faults ignore_addr=some\n", "line 1: ignore_addr needs a whole number from 1 to 1000000"},
        {"faults drop_every=0\n", "line 1: drop_every needs a whole number from 1 to 1000000"},
        {"faults silent_restart=yes\n", "line 1: silent_restart takes no value"},
        {"device mac=00:00:00:00:00:00:00:01 type=7 lqi=\xFF\n", "line 1: lqi needs a whole number from 0 to 255"},
    };
    for (const auto& c : cases) {
        ConfigError err;
        EXPECT_FALSE(parse_config(c.text, err)) << c.text;
        EXPECT_EQ(err.text(), c.error) << c.text;
    }
}

TEST(SimConfig, an_empty_file_is_a_coordinator_without_devices) {
    ConfigError err;
    auto c = parse_config("# nothing here\n\n", err);
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->devices.empty());
    EXPECT_GE(c->channel, 11);
}

TEST(SimConfig, the_demo_network_has_every_kind_of_device) {
    SimConfig c = demo_config();
    int routers = 0, end_devices = 0, echo = 0, silent = 0, candidates = 0;
    for (const auto& d : c.devices) {
        (d.type == 7 ? routers : end_devices)++;
        echo += d.echo;
        silent += d.silent;
        candidates += !d.member;
    }
    EXPECT_GE(routers, 2);
    EXPECT_GE(end_devices, 2);
    EXPECT_EQ(echo, 1);
    EXPECT_EQ(silent, 1);
    EXPECT_EQ(candidates, 1);
}

TEST(SimConfig, a_missing_file_is_an_error_naming_it) {
    ConfigError err;
    EXPECT_FALSE(load_config_file("/nonexistent/zbsim.conf", err));
    EXPECT_EQ(err.text(), "cannot read /nonexistent/zbsim.conf");
}
