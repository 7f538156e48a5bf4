#include <gtest/gtest.h>

#include <set>

#include "sim_fixture.h"

using namespace zbsim_test;

namespace {

std::string announce(int code, uint16_t short_addr, const zbsim::Mac& mac, int type) {
    return bytes({code}) + hi_lo(short_addr) + mac_bytes(mac) + bytes({type, ';'});
}

std::vector<Sent> reports_of(const std::vector<Sent>& sent, uint16_t short_addr) {
    std::vector<Sent> out;
    for (const auto& s : sent)
        if (s.bytes[0] == 0x08 && s.bytes.substr(1, 2) == hi_lo(short_addr)) out.push_back(s);
    return out;
}

uint16_t word_at(const std::string& b, size_t pos) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[pos]) * 256 + static_cast<uint8_t>(b[pos + 1]));
}

}  // namespace

TEST_F(SimTest, members_join_one_by_one_once_the_network_starts) {
    start();
    EXPECT_EQ(within(10000), std::vector<Sent>{});  // nobody joins a network that was never started
    host("CMD:04;");
    auto got = within_no_reports(5000);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0], (Sent{20, "0;"}));
    EXPECT_EQ(got[1], (Sent{1000, announce(0x00, short_of(kRouter), kRouter, 0x07)}));
    EXPECT_EQ(got[2], (Sent{1500, announce(0x00, short_of(kEnd), kEnd, 0x04)}));
    EXPECT_EQ(got[3], (Sent{2000, announce(0x00, short_of(kSilent), kSilent, 0x07)}));
    std::set<uint16_t> shorts{short_of(kRouter), short_of(kEnd), short_of(kSilent)};
    EXPECT_EQ(shorts.size(), 3u);
    EXPECT_EQ(shorts.count(0), 0u);
    EXPECT_FALSE(sim->device_by_mac(kCandidate)->joined);
    host("CMD:04;");  // a second start only acknowledges
    EXPECT_EQ(within_no_reports(5000), (std::vector<Sent>{{20, "0;"}}));
}

TEST_F(SimTest, a_candidate_joins_only_while_unlocked_or_once_registered) {
    struct Case {
        const char* name;
        std::vector<std::string> commands;
        bool joins;
    } cases[] = {
        {"locked", {}, false},
        {"unlocked", {"CMD:0A:FF;"}, true},
        {"registered while locked", {"CMD:03:00:00:00:00:00:00:00:0C;"}, true},
        {"unlocked and locked again before it got in", {"CMD:0A:FF;", "CMD:0A:0;"}, false},
        {"another address registered", {"CMD:03:00:00:00:00:00:00:00:0D;"}, false},
    };
    for (const auto& c : cases) {
        start();
        start_network();
        for (const auto& cmd : c.commands) host(cmd);
        std::string expected_tail = mac_bytes(kCandidate) + bytes({0x06, ';'});
        bool announced = false;
        uint32_t at = 0;
        for (const auto& s : within(3000)) {
            if (s.bytes.size() == 13 && s.bytes.substr(3) == expected_tail) {
                announced = true;
                at = s.at;
            }
        }
        EXPECT_EQ(announced, c.joins) << c.name;
        if (c.joins) {
            EXPECT_EQ(at, 1000u) << c.name;
        }
    }
}

TEST_F(SimTest, a_router_answers_pings_and_end_devices_and_silent_ones_do_not) {
    start();
    start_network();
    host("CMD:0E:" + short_text(kRouter) + ";");
    EXPECT_EQ(within(39), std::vector<Sent>{});
    EXPECT_EQ(within(1), (std::vector<Sent>{{1, bytes({0x04, 200}) + hi_lo(short_of(kRouter)) + bytes({0, ';'})}}));
    for (const auto& mac : {kEnd, kSilent}) {
        host("CMD:0E:" + short_text(mac) + ";");
        EXPECT_EQ(within_no_reports(3000), std::vector<Sent>{});
    }
}

TEST_F(SimTest, device_answers_come_after_the_radio_delay_or_the_end_devices_sleep) {
    start();
    start_network();
    const std::string r = short_text(kRouter), e = short_text(kEnd);
    struct Case {
        std::string command;
        uint32_t at;
        std::string reply;
    } cases[] = {
        {"CMD:08:" + r + ":FF;", 40, bytes({0x17}) + hi_lo(short_of(kRouter)) + ";"},
        {"CMD:0F:" + r + ";", 40, bytes({0x06}) + mac_bytes(kRouter) + hi_lo(short_of(kRouter)) + bytes({0x07, ';'})},
        {"CMD:08:" + e + ":00;", 2500, bytes({0x17}) + hi_lo(short_of(kEnd)) + ";"},
        // The new poll rate (5 s) is heard at the old wake-up and used from then on.
        {"CMD:09:" + e + ":1388;", 2500, bytes({0x19}) + hi_lo(short_of(kEnd)) + bytes({0, ';'})},
        {"CMD:08:" + e + ":FF;", 5000, bytes({0x17}) + hi_lo(short_of(kEnd)) + ";"},
        // However long it sleeps, it answers within the host's longest wait.
        {"CMD:09:" + e + ":FFFF;", 5000, bytes({0x19}) + hi_lo(short_of(kEnd)) + bytes({0, ';'})},
        {"CMD:08:" + e + ":FF;", 60000, bytes({0x17}) + hi_lo(short_of(kEnd)) + ";"},
    };
    for (const auto& c : cases) {
        host(c.command);
        EXPECT_EQ(within_no_reports(70000), (std::vector<Sent>{{c.at, c.reply}})) << c.command;
    }
}

TEST_F(SimTest, reports_come_every_period_with_plausible_values) {
    start();
    start_network();
    auto reports = reports_of(within(120000), short_of(kRouter));
    ASSERT_GE(reports.size(), 23u);
    std::set<int> inputs;
    for (size_t i = 0; i < reports.size(); ++i) {
        const std::string& b = reports[i].bytes;
        ASSERT_EQ(b.size(), 17u);
        EXPECT_EQ(b[16], ';');
        if (i) {
            EXPECT_EQ(reports[i].at - reports[i - 1].at, 5000u);
        }
        EXPECT_GE(word_at(b, 3), 3280);  // a mains-powered router's supply, millivolts
        EXPECT_LE(word_at(b, 3), 3320);
        EXPECT_GE(word_at(b, 5), 1300);  // raw temperature: 13.8 to 38.9 degrees
        EXPECT_LE(word_at(b, 5), 1400);
        for (size_t a = 7; a < 15; a += 2) EXPECT_LE(word_at(b, a), 4095);
        uint8_t bitmap = static_cast<uint8_t>(b[15]);
        EXPECT_EQ(bitmap & 0x1F, 0);  // no output set, bit 0 unused
        inputs.insert(bitmap & 0xE0);
    }
    EXPECT_GT(inputs.size(), 1u);  // inputs change now and then
}

TEST_F(SimTest, a_new_report_period_applies_only_once_confirmed) {
    start();
    start_network();
    const std::string r = short_text(kRouter);
    host("CMD:05:" + r + ":011E;");  // 1 min 30 s, not yet applied
    auto before = reports_of(within(20000), short_of(kRouter));
    ASSERT_GE(before.size(), 3u);
    EXPECT_EQ(before[1].at - before[0].at, 5000u);
    host("CMD:06:" + r + ";");
    auto after = reports_of(within(200000), short_of(kRouter));
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].at, 90000u);
    EXPECT_EQ(after[1].at, 180000u);
    host("CMD:05:" + r + ":0000;");
    host("CMD:06:" + r + ";");
    EXPECT_TRUE(reports_of(within(400000), short_of(kRouter)).empty());
}

TEST_F(SimTest, outputs_set_and_reset_show_in_the_next_report) {
    start();
    start_network();
    const std::string r = short_text(kRouter);
    struct Step {
        std::string command;
        int outputs;  // bits 0x02..0x10 for outputs 1..4
    } steps[] = {
        {"CMD:0B:" + r + ":1;", 0x02}, {"CMD:0B:" + r + ":4;", 0x12}, {"CMD:0B:" + r + ":5;", 0x12},
        {"CMD:0B:" + r + ":0;", 0x12}, {"CMD:0C:" + r + ":1;", 0x10}, {"CMD:0C:" + r + ":4;", 0x00},
    };
    for (const auto& s : steps) {
        host(s.command);
        auto reports = reports_of(within(5000), short_of(kRouter));
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(static_cast<uint8_t>(reports[0].bytes[15]) & 0x1F, s.outputs) << s.command;
    }
}

TEST_F(SimTest, strings_are_delivered_and_echoed_or_reported_undeliverable) {
    start();
    start_network();
    const uint16_t r = short_of(kRouter);
    host("SNT:" + short_text(kRouter) + ":04:a;b;;");
    EXPECT_EQ(within_no_reports(200), (std::vector<Sent>{{40, "8;"}, {80, bytes({0x02}) + hi_lo(r) + bytes({9}) + "ECHO:a;b;;"}}));

    std::string data(255, 'x');
    host("SNT:" + short_text(kRouter) + ":FF:" + data + ";");
    auto got = within_no_reports(200);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].bytes, bytes({0x02}) + hi_lo(r) + bytes({255}) + ("ECHO:" + data).substr(0, 255) + ";");

    struct Case {
        std::string to;
        Sent report;
    } cases[] = {
        {short_text(kEnd), {2500, "8;"}},  // delivered when it wakes, and it does not echo
        {short_text(kSilent), {300, "4;"}},
        {"FFFE", {300, "4;"}},
    };
    for (const auto& c : cases) {
        host("SNT:" + c.to + ":02:hi;");
        EXPECT_EQ(within_no_reports(3000), std::vector<Sent>{c.report}) << c.to;
    }
}

TEST_F(SimTest, a_reset_restarts_the_coordinator_and_devices_rejoin_with_new_addresses) {
    start();
    start_network();
    host("CMD:0A:FF;");
    clock.advance(1500);  // the candidate gets in and now belongs to the network
    ASSERT_TRUE(sim->device_by_mac(kCandidate)->joined);
    const uint16_t old_router = short_of(kRouter);
    std::map<const void*, uint16_t> old;
    for (const auto& d : sim->devices()) old[&d] = d.short_addr;

    host("CMD:01;");
    EXPECT_EQ(within(20), (std::vector<Sent>{{20, "F;"}}));
    host("CMD:11;");  // restarting: nobody listens
    auto got = within_no_reports(2980 + 2600);
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0], (Sent{2980, announce(0x00, 0, kCoord, 0x09)}));
    const zbsim::Mac order[] = {kRouter, kEnd, kSilent, kCandidate};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(got[i + 1], (Sent{2980 + 1000 + 500 * static_cast<uint32_t>(i),
                                    announce(0xCC, short_of(order[i]), order[i], i == 1 ? 4 : i == 3 ? 6 : 7)}));
    }
    for (const auto& d : sim->devices()) EXPECT_NE(d.short_addr, old[&d]);
    EXPECT_TRUE(sim->locked());

    char old_text[8];
    std::snprintf(old_text, sizeof old_text, "%04X", old_router);
    host(std::string("CMD:0E:") + old_text + ";");
    EXPECT_EQ(within_no_reports(1000), std::vector<Sent>{});
    host("CMD:0E:" + short_text(kRouter) + ";");
    EXPECT_EQ(within_no_reports(40).size(), 1u);
}

TEST_F(SimTest, a_channel_change_restarts_on_the_channel_asked_for_or_one_it_picks) {
    struct Case {
        const char* field;
        int channel;  // 0: any other than the current one
    } cases[] = {{"B", 11}, {"1A", 26}, {"14", 20}, {"1B", 0}, {"0", 0}};
    for (const auto& c : cases) {
        start();
        host(std::string("CMD:07:") + c.field + ";");
        EXPECT_EQ(within(20), (std::vector<Sent>{{20, "F;"}})) << c.field;
        auto got = within(3000);
        ASSERT_EQ(got.size(), 1u);  // the coordinator only: its network had not been started
        EXPECT_EQ(got[0].bytes, announce(0x00, 0, kCoord, 0x09));
        host("CMD:0D;");
        got = within(20);
        ASSERT_EQ(got.size(), 1u);
        int ch = static_cast<uint8_t>(got[0].bytes[1]);
        if (c.channel) EXPECT_EQ(ch, c.channel) << c.field;
        else EXPECT_TRUE(ch >= 11 && ch <= 26 && ch != 20) << c.field << " gave " << ch;
    }
}
