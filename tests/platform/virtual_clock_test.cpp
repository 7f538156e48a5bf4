#include <gtest/gtest.h>

#include <vector>

#include "platform/timer.h"
#include "platform/virtual_clock.h"

using platform::Timer;
using platform::VirtualClock;

TEST(VirtualClock, timer_ticks_exactly_on_its_interval_and_restarts_when_reenabled) {
    VirtualClock clock(0);
    std::vector<uint32_t> ticks;
    Timer t([&] { ticks.push_back(clock.now_ms()); });
    t.set_interval(100);
    t.set_enabled(true);
    clock.advance(99);
    EXPECT_TRUE(ticks.empty());
    clock.advance(1);
    ASSERT_EQ(ticks, (std::vector<uint32_t>{100}));
    clock.advance(50);
    t.set_enabled(false);
    t.set_enabled(true);  // a fresh countdown from 150
    clock.advance(99);
    EXPECT_EQ(ticks.size(), 1u);
    clock.advance(1);
    EXPECT_EQ(ticks.back(), 250u);
}

// A resting timer stays enabled but does not tick; woken, it keeps the beat it had (ticks at
// multiples of 100 ms from its start at 0), and a fresh start ends the rest and starts a new beat.
TEST(VirtualClock, a_resting_timer_skips_its_ticks_and_wakes_on_its_beat) {
    VirtualClock clock(0);
    std::vector<uint32_t> ticks;
    Timer t([&] { ticks.push_back(clock.now_ms()); });
    t.set_interval(100);
    t.set_enabled(true);
    clock.advance(100);
    t.rest();
    struct Step {
        uint32_t advance_to;
        void (Timer::*then)();
        std::vector<uint32_t> ticks;
    };
    const std::vector<Step> steps = {
        {1000, &Timer::wake, {100}},                 // nothing while resting
        {1250, &Timer::rest, {100, 1100, 1200}},     // the beat of 100, 200, ...
        {1370, &Timer::wake, {100, 1100, 1200}},     // mid-beat: next at 1400
        {1450, &Timer::rest, {100, 1100, 1200, 1400}},
        {1500, &Timer::wake, {100, 1100, 1200, 1400}},  // on the beat: the next one, 1600
        {1650, &Timer::rest, {100, 1100, 1200, 1400, 1600}},
    };
    for (const Step& step : steps) {
        clock.advance(step.advance_to - clock.now_ms());
        EXPECT_EQ(ticks, step.ticks) << step.advance_to;
        (t.*step.then)();
    }
    EXPECT_TRUE(t.enabled() && t.resting());
    t.set_enabled(false);
    t.set_enabled(true);  // started afresh at 1650
    clock.advance(100);
    EXPECT_EQ(ticks.back(), 1750u);
}

TEST(VirtualClock, posted_calls_run_before_time_moves_and_in_order) {
    VirtualClock clock(0);
    std::vector<int> order;
    clock.call_later(10, [&] { order.push_back(3); });
    clock.post([&] { order.push_back(1); });
    clock.post([&] { order.push_back(2); });
    clock.pump_events(VirtualClock::kForever);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(clock.now_ms(), 0u);
    clock.pump_events(VirtualClock::kForever);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(clock.now_ms(), 10u);
}

TEST(VirtualClock, bounded_pump_ends_at_its_deadline_and_unbounded_pump_without_work_throws) {
    VirtualClock clock(0);
    clock.pump_events(40);
    EXPECT_EQ(clock.now_ms(), 40u);
    EXPECT_THROW(clock.pump_events(VirtualClock::kForever), platform::VirtualClockStalled);
}

TEST(VirtualClock, wait_ms_pumps_nested_ticks_and_returns_on_time) {
    VirtualClock clock(0);
    int ticks = 0;
    Timer t([&] { ++ticks; });
    t.set_interval(50);
    t.set_enabled(true);
    platform::wait_ms(500);
    EXPECT_EQ(clock.now_ms(), 500u);
    EXPECT_EQ(ticks, 10);
}

TEST(VirtualClock, a_timer_does_not_tick_inside_its_own_handler_and_may_delete_itself) {
    VirtualClock clock(0);
    int entered = 0;
    auto* t = new Timer;
    t->set_on_tick([&] {
        ++entered;
        platform::wait_ms(300);  // a nested pump: the same timer must not re-enter
    });
    t->set_interval(100);
    t->set_enabled(true);
    clock.advance(100);
    EXPECT_EQ(entered, 1);
    Timer* self = new Timer;
    self->set_on_tick([&] { delete self; });
    self->set_interval(10);
    self->set_enabled(true);
    clock.advance(20);  // must not touch the freed timer
    delete t;
}

TEST(VirtualClock, the_counter_wraps_like_the_platform_counter) {
    VirtualClock clock(UINT32_MAX - 20);
    int ticks = 0;
    Timer t([&] { ++ticks; });
    t.set_interval(30);
    t.set_enabled(true);
    platform::wait_ms(100);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(clock.now_ms(), 79u);
}
