#include <gtest/gtest.h>

#include <vector>

#include "app/core/log_line.h"
#include "app/core/mod_main.h"
#include "app/core/reply_wait.h"
#include "app/log_splash/frmLog.h"
#include "app/main_window/frmMain.h"
#include "platform/timer.h"
#include "tests/app/app_fixture.h"

using namespace modMain;

namespace {

class ReplyWaitTest : public AppTest {
protected:
    ReplyWaitTest() { log.show(); }

    // Advances in 100 ms steps until the wait ends; the bar values shown on the way and the ms it took.
    struct Run {
        std::vector<int> shown;
        uint32_t took_ms = 0;
    };
    Run run_until_expiry() {
        Run r;
        const uint32_t start = clock.now_ms();
        while (main.tmrTimeOut.enabled()) {
            clock.advance(100);
            if (main.tmrTimeOut.enabled()) r.shown.push_back(log.barLOG->value());
        }
        r.took_ms = clock.now_ms() - start;
        return r;
    }
    QString last_line() const {
        log.txtLOG->ShowHeldLines();
        QStringList l = log.txtLOG->toPlainText().split('\n', Qt::SkipEmptyParts);
        return l.isEmpty() ? QString() : l.last();
    }

    frmLog log;
    frmMain main;
};

}  // namespace

TEST_F(ReplyWaitTest, wait_of_250_ms_shows_0_100_200_and_expires_on_the_fourth_tick) {
    StartReplyWait(250);
    EXPECT_EQ(log.barLOG->maximum(), 250);
    clock.advance(399);
    EXPECT_EQ(log.barLOG->value(), 200);
    EXPECT_EQ(g().WaitTimedOut, 0);
    clock.advance(1);
    EXPECT_EQ(g().WaitTimedOut, 1);
    EXPECT_FALSE(main.tmrTimeOut.enabled());
    EXPECT_EQ(log.barLOG->value(), log.barLOG->minimum());
    EXPECT_TRUE(last_line().endsWith("--> Sent Command Time Out")) << last_line().toStdString();
}

TEST_F(ReplyWaitTest, limit_0_waits_1000_ms_and_expiry_logs_in_the_language_of_the_run) {
    g().LangOffset = 9000;
    StartReplyWait(0);
    EXPECT_EQ(g().WaitLimitMs, 1000);
    const Run r = run_until_expiry();
    EXPECT_EQ(r.took_ms, 1100u);
    EXPECT_EQ(r.shown.back(), 900);
    EXPECT_TRUE(last_line().endsWith("--> Time Out Comando Inviato"));
}

TEST_F(ReplyWaitTest, wait_of_65000_ms_expires_on_the_651st_tick_after_showing_at_most_64900) {
    StartReplyWait(65000);
    const Run r = run_until_expiry();
    EXPECT_EQ(r.took_ms, 651u * 100u);
    EXPECT_EQ(r.shown.size(), 650u);
    EXPECT_EQ(r.shown.back(), 64900);
    EXPECT_EQ(g().WaitTimedOut, 1);
}

TEST_F(ReplyWaitTest, arming_again_restarts_the_countdown_from_now) {
    StartReplyWait(300);
    clock.advance(250);
    StartReplyWait(300);
    EXPECT_EQ(g().WaitElapsedMs, 0);
    clock.advance(399);
    EXPECT_EQ(g().WaitTimedOut, 0);
    clock.advance(1);
    EXPECT_EQ(g().WaitTimedOut, 1);
}

TEST_F(ReplyWaitTest, expiry_during_coordinator_reset_logs_the_fixed_text_and_pauses_2_seconds) {
    g().CoordResetWait = 20;
    StartReplyWait(250);
    clock.advance(400);  // the fourth tick runs the expiry, which pauses inside the tick
    EXPECT_EQ(g().CoordResetWait, 0);
    EXPECT_EQ(g().WaitTimedOut, 0);
    EXPECT_FALSE(main.tmrTimeOut.enabled());
    EXPECT_TRUE(last_line().endsWith("--> Errore Reset Coordinatore"));
    EXPECT_EQ(log.barLOG->value(), log.barLOG->minimum());
    EXPECT_EQ(clock.now_ms(), 1000u + 400u + 2000u);
}

TEST_F(ReplyWaitTest, waits_beyond_100000_ms_fill_the_bar_in_proportion_and_end_at_their_limit) {
    StartReplyWait(200000);
    EXPECT_EQ(log.barLOG->maximum(), 100000);
    clock.advance(100000 + 100);
    EXPECT_EQ(log.barLOG->value(), 50000);
    const Run r = run_until_expiry();
    EXPECT_EQ(r.shown.back(), 99950);
    EXPECT_EQ(g().WaitTimedOut, 1);
}

TEST(ReplyWaitBar, range_and_position_for_short_long_and_negative_limits) {
    EXPECT_EQ(BarMaximumFor(250), 250);
    EXPECT_EQ(BarMaximumFor(100000), 100000);
    EXPECT_EQ(BarMaximumFor(2147483647), 100000);
    EXPECT_EQ(BarMaximumFor(-5), 1);
    EXPECT_EQ(BarValueFor(64900, 65000), 64900);
    EXPECT_EQ(BarValueFor(150000, 300000), 50000);
    EXPECT_EQ(BarValueFor(-100, 1000), 0);
}

TEST_F(ReplyWaitTest, negative_limit_expires_on_the_first_tick) {
    StartReplyWait(-5);
    clock.advance(100);
    EXPECT_EQ(g().WaitTimedOut, 1);
}

using WaitMsTest = AppTest;

TEST_F(WaitMsTest, pause_runs_timers_and_ends_exactly_on_time) {
    std::vector<uint32_t> ticks;
    platform::Timer t([&] { ticks.push_back(clock.now_ms()); });
    t.set_interval(300);
    t.set_enabled(true);
    WaitMs(1000);
    EXPECT_EQ(clock.now_ms(), 2000u);
    EXPECT_EQ(ticks, (std::vector<uint32_t>{1300, 1600, 1900}));
}

TEST_F(WaitMsTest, zero_or_negative_pause_pumps_once_without_moving_time) {
    for (int32_t ms : {0, -50}) {
        int ran = 0;
        clock.post([&] { ++ran; });
        WaitMs(ms);
        EXPECT_EQ(ran, 1) << ms;
        EXPECT_EQ(clock.now_ms(), 1000u) << ms;
    }
}

TEST(WaitMsWrap, pause_across_the_counter_wrap_ends_on_time) {
    platform::VirtualClock wrapping(0xFFFFFF00u);
    WaitMs(1000);
    EXPECT_EQ(wrapping.now_ms(), 0xFFFFFF00u + 1000u);
}
