#include <gtest/gtest.h>

#include "sim_fixture.h"

using namespace zbsim_test;

TEST_F(SimTest, an_extra_delay_holds_back_every_answer) {
    start("faults delay=500\n");
    host("CMD:11;");
    EXPECT_EQ(within(519), std::vector<Sent>{});
    EXPECT_EQ(within(1).size(), 1u);
}

TEST_F(SimTest, every_nth_answer_is_dropped) {
    start("faults drop_every=3\n");
    for (int i = 0; i < 7; ++i) host("CMD:0D;");
    EXPECT_EQ(within(20).size(), 5u);  // the 3rd and 6th are lost
}

TEST_F(SimTest, address_requests_are_ignored_the_first_n_times_or_always) {
    struct Case {
        const char* faults;
        std::vector<size_t> answers;  // per request
    } cases[] = {
        {"faults ignore_addr=2\n", {0, 0, 1, 1}},
        {"faults ignore_addr=all\n", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        start(c.faults);
        std::vector<size_t> answers;
        for (size_t i = 0; i < c.answers.size(); ++i) {
            host("CMD:11;");
            answers.push_back(within(1000).size());
        }
        EXPECT_EQ(answers, c.answers) << c.faults;
        host("CMD:0D;");  // the rest of the coordinator still works
        EXPECT_EQ(within(20).size(), 1u);
    }
}

TEST_F(SimTest, noise_appears_on_the_line_at_its_interval) {
    start("faults garbage_every=1000\n");
    EXPECT_EQ(within(4000), (std::vector<Sent>{{1000, "Z;"},
                                               {2000, bytes({0x08, 0x12, 0x34})},
                                               {3000, bytes({0xEE})},
                                               {4000, "??;"}}));
    EXPECT_EQ(within(1000), (std::vector<Sent>{{1000, "Z;"}}));
}

TEST_F(SimTest, a_silent_restart_never_announces_the_coordinator_but_comes_back) {
    start("faults silent_restart\n");
    start_network();
    host("CMD:01;");
    EXPECT_EQ(within(20), (std::vector<Sent>{{20, "F;"}}));
    auto got = within(65000);
    for (const auto& s : got) EXPECT_NE(s.bytes.substr(0, 3), bytes({0x00, 0x00, 0x00}));
    EXPECT_TRUE(sim->device_by_mac(kRouter)->joined);  // its devices rejoined all the same
    host("CMD:11;");
    EXPECT_EQ(within(20).size(), 1u);
}

TEST_F(SimTest, bursts_of_reports_come_faster_than_twenty_a_second) {
    start("faults burst_every=10000 burst_count=40\n");
    start_network();  // now at 2.1 s; the burst starts at 10 s
    clock.advance(7000);
    std::vector<Sent> reports;
    for (const auto& s : within(2000))
        if (s.bytes[0] == 0x08 && s.bytes.substr(1, 2) == hi_lo(short_of(kRouter))) reports.push_back(s);
    ASSERT_GE(reports.size(), 40u);
    uint32_t first_burst = 0;
    for (size_t i = 0; i + 1 < reports.size(); ++i)
        if (reports[i + 1].at - reports[i].at == 10) ++first_burst;
    EXPECT_GE(first_burst, 38u);
}
