#include "platform/timer.h"

#include "platform/clock.h"

namespace platform {

Timer::~Timer() {
    if (armed_on) armed_on->timer_removed(*this);
    if (alive_) *alive_ = false;
}

void Timer::set_interval(uint16_t ms) {
    interval_ = ms;
    restart();
}

void Timer::set_enabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    // Started afresh, it ticks: whoever starts it expects its ticks.
    if (enabled) resting_ = false;
    restart();
}

void Timer::rest() {
    if (resting_) return;
    resting_ = true;
    countdown_ = 0;
    changed();
}

void Timer::wake() {
    if (!resting_) return;
    resting_ = false;
    if (interval_ > 0) {
        const uint32_t since = now_ms() - beat_origin_ms_;
        countdown_ = static_cast<uint16_t>(interval_ - since % interval_);
    }
    changed();
}

void Timer::restart() {
    countdown_ = 0;
    beat_origin_ms_ = now_ms();
    changed();
}

void Timer::changed() {
    Clock& c = armed_on ? *armed_on : clock();
    c.timer_changed(*this);
}

void Timer::fire() {
    if (in_tick_ || !armed() || !on_tick_) return;
    // The first tick after a wake-up ends a shortened countdown: from here the full interval again.
    if (countdown_ != 0) restart();
    // The handler may destroy this timer (a window closing from its own tick).
    auto alive = alive_ ? alive_ : (alive_ = std::make_shared<bool>(true));
    in_tick_ = true;
    auto handler = on_tick_;
    handler();
    if (*alive) in_tick_ = false;
}

}  // namespace platform
