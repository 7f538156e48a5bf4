// The history's rings: what a span sees at its edges, the memory bound under any load, which samples
// a full pool gives up, and the session clock across the platform counter's wrap.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/health/history.h"
#include "app/health/recording.h"

using health::Ds;
using health::History;

namespace {

health::ReportSample ReportAt(Ds t, uint16_t battery = 3300) {
    health::ReportSample r;
    r.t = t;
    r.battery = battery;
    return r;
}

TEST(History, summary_counts_samples_from_the_span_start_inclusive) {
    History h;
    h.Start(0);
    // Pings at 10 s steps: answered 200, 100, 150, unanswered, answered 50; reports at 5 s and 35 s.
    h.AddPing(1, 100, 200, true);
    h.AddReport(1, ReportAt(50));
    h.AddPing(1, 200, 100, true);
    h.AddPing(1, 300, 150, true);
    h.AddReport(1, ReportAt(350));
    h.AddPing(1, 400, 0, false);
    h.AddPing(1, 500, 50, true);
    struct Case {
        Ds from;
        int pings, answered, last, min;
        double mean;
        int reports;
    };
    const Case cases[] = {
        {0, 5, 4, 50, 50, 125.0, 2},   {100, 5, 4, 50, 50, 125.0, 1}, {101, 4, 3, 50, 50, 100.0, 1},
        {300, 3, 2, 50, 50, 100.0, 1}, {350, 2, 1, 50, 50, 50.0, 1},  {351, 2, 1, 50, 50, 50.0, 0},
        {400, 2, 1, 50, 50, 50.0, 0},  {500, 1, 1, 50, 50, 50.0, 0},  {501, 0, 0, -1, -1, -1.0, 0},
    };
    for (const Case& c : cases) {
        const health::Summary s = h.Summarise(1, c.from);
        EXPECT_EQ(s.pings, c.pings) << c.from;
        EXPECT_EQ(s.answered, c.answered) << c.from;
        EXPECT_EQ(s.last_lqi, c.last) << c.from;
        EXPECT_EQ(s.min_lqi, c.min) << c.from;
        EXPECT_DOUBLE_EQ(s.mean_lqi, c.mean) << c.from;
        EXPECT_EQ(s.reports, c.reports) << c.from;
        // When it was last heard does not depend on the span.
        EXPECT_TRUE(s.heard) << c.from;
        EXPECT_EQ(s.last_heard, 500u) << c.from;
    }
    EXPECT_FALSE(h.Summarise(2, 0).heard);
    EXPECT_EQ(h.Summarise(2, 0).pings, 0);
}

TEST(History, stays_within_its_budget_and_keeps_every_devices_newest_samples) {
    struct Case {
        const char* name;
        int devices;
        int chatty;  // devices 0..chatty-1 send a sample every step, the others every 50th
    };
    const Case cases[] = {{"one device", 1, 1}, {"few, all chatty", 4, 4}, {"many, one chatty", 30, 1},
                          {"more than the records", 40, 40}};
    for (const Case& c : cases) {
        History h(64 * 1024, 32);
        h.Start(0);
        for (Ds t = 1; t <= 20000; ++t) {
            for (int d = 0; d < c.devices; ++d) {
                if (d >= c.chatty && t % 50 != 0) continue;
                h.AddPing(static_cast<uint64_t>(d), t, static_cast<uint8_t>(t), true);
                if (t % 3 == 0) h.AddReport(static_cast<uint64_t>(d), ReportAt(t));
            }
            ASSERT_LE(h.MemoryBytes(), h.BudgetBytes()) << c.name << " at " << t;
        }
        EXPECT_LE(h.ChunksInUse(), h.ChunkLimit()) << c.name;
        // Whatever was given up, the newest samples of every device still held are there, in order.
        for (int d = 0; d < c.devices; ++d) {
            if (!h.Knows(static_cast<uint64_t>(d))) continue;
            const auto pings = h.Pings(static_cast<uint64_t>(d));
            ASSERT_FALSE(pings.empty()) << c.name << " device " << d;
            EXPECT_TRUE(std::is_sorted(pings.begin(), pings.end(),
                                       [](const auto& a, const auto& b) { return a.t < b.t; }))
                << c.name;
            EXPECT_EQ(pings.back().t, d < c.chatty ? 20000u : 20000u - 20000u % 50) << c.name << " device " << d;
        }
    }
}

TEST(History, a_full_pool_takes_from_chains_above_their_share_so_a_quiet_device_keeps_its_past) {
    History h(64 * 1024, 8);
    h.Start(0);
    h.AddPing(7, 1, 42, true);  // the quiet device's only sample, the oldest of all
    for (Ds t = 2; t < 100000; ++t) h.AddPing(1, t, 200, true);
    ASSERT_EQ(h.ChunksInUse(), h.ChunkLimit());
    ASSERT_EQ(h.Pings(7).size(), 1u);
    EXPECT_EQ(h.Pings(7)[0].lqi, 42);
    // The chatty device turned its own ring over: its oldest samples went, its newest stayed.
    const auto pings = h.Pings(1);
    EXPECT_GT(pings.front().t, 2u);
    EXPECT_EQ(pings.back().t, 99999u);
    EXPECT_EQ(pings.back().t - pings.front().t + 1, pings.size());
}

TEST(History, a_new_device_beyond_the_records_replaces_the_one_heard_from_least_recently) {
    History h(64 * 1024, 3);
    h.Start(0);
    h.AddPing(1, 10, 1, true);
    h.AddPing(2, 5, 2, true);
    h.AddPing(3, 20, 3, true);
    h.AddReport(4, ReportAt(30));
    EXPECT_TRUE(h.Knows(1));
    EXPECT_FALSE(h.Knows(2));
    EXPECT_TRUE(h.Knows(3));
    ASSERT_EQ(h.Reports(4).size(), 1u);
    EXPECT_TRUE(h.Pings(4).empty());
}

TEST(History, session_time_runs_on_across_the_millisecond_counters_wrap) {
    History h;
    const uint32_t start = 0xFFFFF000u;
    h.Start(start);
    struct Step {
        uint32_t now_ms;
        Ds expected;
    };
    const Step steps[] = {{start, 0}, {start + 99, 0}, {start + 100, 1}, {0xFFFFFFFFu, 40}, {0, 40}, {1000, 50}};
    for (const Step& s : steps) EXPECT_EQ(h.At(s.now_ms), s.expected) << s.now_ms;
    EXPECT_EQ(h.Now(), 50u);
}

TEST(History, mac_texts_become_keys_and_anything_else_does_not) {
    struct Case {
        const char* text;
        bool valid;
        uint64_t key;
    };
    const Case cases[] = {
        {"00:13:A2:00:40:5A:10:01", true, 0x0013A200405A1001ull},
        {"ff:ff:ff:ff:ff:ff:ff:ff", true, ~0ull},
        {"00:13:A2:00:40:5A:10:0", false, 0},
        {"00:13:A2:00:40:5A:10:01:", false, 0},
        {"00-13-A2-00-40-5A-10-01", false, 0},
        {"00:13:A2:00:40:5A:10:0G", false, 0},
        {"", false, 0},
    };
    for (const Case& c : cases) {
        const auto key = health::MacKey(c.text);
        EXPECT_EQ(key.has_value(), c.valid) << c.text;
        if (key) {
            EXPECT_EQ(*key, c.key) << c.text;
        }
    }
}

}  // namespace
