#include "app/core/reply_wait.h"

#include <algorithm>
#include <limits>

#include "app/core/log_line.h"
#include "app/core/mod_main.h"
#include "app/core/string_table.h"
#include "app/log_splash/frmLog.h"
#include "app/main_window/frmMain.h"
#include "platform/clock.h"

namespace modMain {

namespace {
constexpr int32_t kDefaultLimitMs = 1000;
constexpr uint16_t kTickMs = 100;
constexpr int32_t kBarRange = 100000;
constexpr int32_t kResetFailurePauseMs = 2000;
constexpr int32_t kTimeOutStringId = 1058;

void bar_to_minimum() {
    if (frmLog* log = windows().log) log->barLOG->setValue(log->barLOG->minimum());
}

void expire() {
    State& s = g();
    frmMain* main = windows().main;
    if (s.CoordResetWait != 0) {
        s.CoordResetWait = 0;
        if (main) main->tmrTimeOut.set_enabled(false);
        // Fixed text: this message was never part of the string table.
        LogLine("Errore Reset Coordinatore", 3);
        WaitMs(kResetFailurePauseMs);
    } else {
        s.WaitTimedOut = 1;
        if (main) main->tmrTimeOut.set_enabled(false);
        LogLine(LocString(kTimeOutStringId), 3);
    }
    bar_to_minimum();
}

// From arming to the tick that finds the limit reached, plus one tick: the expiry has surely had its
// turn by then unless something stopped the timer.
uint32_t deadline_after_arming(int32_t limit_ms) {
    const int64_t ticks = limit_ms <= 0 ? 0 : (int64_t{limit_ms} + kTickMs - 1) / kTickMs;
    return static_cast<uint32_t>((ticks + 2) * kTickMs);
}
}  // namespace

int BarMaximumFor(int32_t limit_ms) { return std::clamp(limit_ms, 1, kBarRange); }

int BarValueFor(int32_t elapsed_ms, int32_t limit_ms) {
    const int64_t elapsed = std::max<int32_t>(elapsed_ms, 0);
    if (limit_ms <= kBarRange) return static_cast<int>(std::min<int64_t>(elapsed, kBarRange));
    return static_cast<int>(std::min<int64_t>(elapsed * kBarRange / limit_ms, kBarRange));
}

void StartReplyWait(int32_t limit_ms) {
    State& s = g();
    s.WaitTimedOut = 0;
    s.WaitLimitMs = limit_ms == 0 ? kDefaultLimitMs : limit_ms;
    s.WaitElapsedMs = 0;
    s.WaitArmedMs = platform::now_ms();
    if (frmLog* log = windows().log) log->barLOG->setMaximum(BarMaximumFor(s.WaitLimitMs));
    if (frmMain* main = windows().main) {
        main->tmrTimeOut.set_interval(kTickMs);
        main->tmrTimeOut.set_enabled(false);
        main->tmrTimeOut.set_enabled(true);
    }
}

void ReplyWaitTick() {
    State& s = g();
    if (s.WaitElapsedMs < s.WaitLimitMs) {
        if (frmLog* log = windows().log) log->barLOG->setValue(BarValueFor(s.WaitElapsedMs, s.WaitLimitMs));
        // Saturates instead of overflowing for limits close to the 32-bit maximum.
        s.WaitElapsedMs = static_cast<int32_t>(
            std::min<int64_t>(int64_t{s.WaitElapsedMs} + kTickMs, std::numeric_limits<int32_t>::max()));
        return;
    }
    expire();
}

void WaitForReply(const std::function<bool()>& done) {
    State& s = g();
    while (!done()) {
        const uint32_t elapsed = platform::now_ms() - s.WaitArmedMs;
        const uint32_t deadline = deadline_after_arming(s.WaitLimitMs);
        if (elapsed >= deadline) {
            // Only a wait whose counting was stopped before its limit still needs its expiry.
            if (s.WaitElapsedMs < s.WaitLimitMs) expire();
            return;
        }
        platform::pump_events(deadline - elapsed);
    }
}

void WaitMs(int32_t ms) { platform::wait_ms(ms); }

}  // namespace modMain
