// The network's unrest on its seeded schedule: what each kind of churn puts on the line and how the
// devices stand afterwards.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "sim_fixture.h"

using namespace zbsim_test;

namespace {

using Shorts = std::map<zbsim::Mac, uint16_t>;

Shorts shorts_of(const zbsim::Coordinator& sim) {
    Shorts out;
    for (const auto& d : sim.devices())
        if (d.joined) out[d.config().mac] = d.short_addr;
    return out;
}

bool is_announce(const Sent& s, int code) { return s.bytes.size() == 13 && static_cast<uint8_t>(s.bytes[0]) == code; }
zbsim::Mac announced_mac(const Sent& s) {
    zbsim::Mac m{};
    for (size_t i = 0; i < 8; ++i) m[i] = static_cast<uint8_t>(s.bytes[3 + i]);
    return m;
}
uint16_t announced_short(const Sent& s) {
    return static_cast<uint16_t>(static_cast<uint8_t>(s.bytes[1]) * 256 + static_cast<uint8_t>(s.bytes[2]));
}
int count_if(const std::vector<Sent>& sent, const std::function<bool(const Sent&)>& pred) {
    int n = 0;
    for (const auto& s : sent) n += pred(s);
    return n;
}

}  // namespace

TEST_F(SimTest, each_kind_of_churn_shows_on_the_line_and_in_the_devices) {
    struct Case {
        const char* line;
        // Checks what 30 s of churn sent, given the short addresses before and after.
        std::function<void(const std::vector<Sent>&, const Shorts&, const Shorts&, zbsim::Coordinator&)> check;
    } cases[] = {
        {"churn rejoin=10\n",
         [](const auto& got, const Shorts& before, const Shorts& after, auto&) {
             int rejoins = 0;
             for (const auto& s : got) {
                 if (!is_announce(s, 0xCC)) continue;
                 ++rejoins;
                 EXPECT_NE(announced_short(s), before.at(announced_mac(s)));
             }
             EXPECT_GE(rejoins, 2);
             EXPECT_EQ(after.size(), before.size());
         }},
        {"churn swap=20\n",
         [](const auto& got, const Shorts& before, const Shorts& after, auto&) {
             std::vector<Sent> swaps;
             for (const auto& s : got)
                 if (is_announce(s, 0xCC)) swaps.push_back(s);
             ASSERT_GE(swaps.size(), 2u);
             EXPECT_EQ(swaps[0].at, swaps[1].at);
             EXPECT_EQ(announced_short(swaps[0]), before.at(announced_mac(swaps[1])));
             EXPECT_EQ(announced_short(swaps[1]), before.at(announced_mac(swaps[0])));
             EXPECT_EQ(after.at(announced_mac(swaps[0])), announced_short(swaps[0]));
         }},
        {"churn stranger=10\n",
         [](const auto& got, const Shorts& before, const Shorts& after, auto& coord) {
             int strangers = 0;
             for (const auto& s : got) {
                 if (!is_announce(s, 0x00)) continue;
                 ++strangers;
                 EXPECT_EQ(before.count(announced_mac(s)), 0u);
                 EXPECT_EQ(coord.device_by_mac(announced_mac(s))->short_addr, announced_short(s));
             }
             EXPECT_GE(strangers, 2);
             EXPECT_EQ(after.size(), before.size() + static_cast<size_t>(strangers));
         }},
        {"churn talk=10\n",
         [](const auto& got, const Shorts& before, const Shorts&, auto&) {
             int talks = count_if(got, [&](const Sent& s) {
                 if (s.bytes[0] != 0x02) return false;
                 for (const auto& [mac, sh] : before)
                     if (announced_short(Sent{0, " " + s.bytes.substr(1, 2)}) == sh) return true;
                 return false;
             });
             EXPECT_GE(talks, 2);
         }},
        {"churn restart=20\n",
         [](const auto& got, const Shorts& before, const Shorts& after, auto&) {
             EXPECT_GE(count_if(got, [](const Sent& s) { return s.bytes == "F;"; }), 1);
             EXPECT_GE(count_if(got, [](const Sent& s) { return is_announce(s, 0x00) && announced_short(s) == 0; }), 1);
             // Whoever has rejoined since has a new short address.
             EXPECT_GE(after.size(), 1u);
             for (const auto& [mac, sh] : after) EXPECT_NE(sh, before.at(mac));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        start(c.line);
        start_network();
        const Shorts before = shorts_of(*sim);
        const auto got = within(30000);
        c.check(got, before, shorts_of(*sim), *sim);
    }
}

TEST_F(SimTest, a_device_fallen_silent_neither_answers_nor_reports_until_its_silence_ends) {
    start("churn silence=100 silence_for=60\n");
    start_network();
    const zbsim::SimDevice* quiet = nullptr;
    clock.run_until([&] {
        for (const auto& d : sim->devices())
            if (d.quiet) quiet = &d;
        return quiet != nullptr;
    }, 200000);
    ASSERT_NE(quiet, nullptr);
    const std::string id = short_text(quiet->config().mac);
    const std::string own = hi_lo(quiet->short_addr);
    auto from_it = [&](const Sent& s) { return s.bytes[0] != 0x02 && s.bytes.substr(1, 2) == own; };
    host("CMD:0F:" + id + ";");
    host("SNT:" + id + ":02:hi;");
    auto during = within(40000);
    EXPECT_EQ(count_if(during, from_it), 0);
    EXPECT_EQ(count_if(during, [](const Sent& s) { return s.bytes == "4;"; }), 1);  // the string is not delivered
    clock.advance(20000);
    EXPECT_FALSE(quiet->quiet);
    host("CMD:0F:" + id + ";");
    EXPECT_EQ(count_if(within(5000), [&](const Sent& s) { return s.bytes[0] == 0x06; }), 1);
}

TEST_F(SimTest, a_device_that_left_never_comes_back) {
    start();
    start_network();
    EXPECT_TRUE(sim->leave(kRouter));
    EXPECT_FALSE(sim->leave(kRouter));
    host("CMD:01;");
    auto got = within(20000);
    EXPECT_EQ(count_if(got, [](const Sent& s) { return is_announce(s, 0xCC) && announced_mac(s) == kRouter; }), 0);
    EXPECT_EQ(count_if(got, [](const Sent& s) { return is_announce(s, 0xCC) && announced_mac(s) == kEnd; }), 1);
    EXPECT_FALSE(sim->device_by_mac(kRouter)->joined);
}

TEST_F(SimTest, a_candidate_that_left_comes_back_only_once_admitted_again) {
    struct Case {
        const char* name;
        std::vector<std::string> commands;
        bool joins;
    } cases[] = {
        {"locked, its old registration forgotten", {}, false},
        {"registered again", {"CMD:03:00:00:00:00:00:00:00:0C;"}, true},
        {"unlocked", {"CMD:0A:FF;"}, true},
    };
    auto announced = [](const std::vector<Sent>& got) {
        return count_if(got, [](const Sent& s) { return s.bytes.size() == 13 && announced_mac(s) == kCandidate; });
    };
    for (const auto& c : cases) {
        start();
        start_network();
        host("CMD:03:00:00:00:00:00:00:00:0C;");
        ASSERT_EQ(announced(within(3000)), 1) << c.name;
        ASSERT_TRUE(sim->leave(kCandidate)) << c.name;
        EXPECT_FALSE(sim->leave(kCandidate)) << c.name;  // it is out already
        for (const auto& cmd : c.commands) host(cmd);
        EXPECT_EQ(announced(within(5000)), c.joins ? 1 : 0) << c.name;
        EXPECT_FALSE(sim->device_by_mac(kCandidate)->gone) << c.name;
    }
}
