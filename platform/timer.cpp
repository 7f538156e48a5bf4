#include "platform/timer.h"

#include "platform/clock.h"

namespace platform {

Timer::~Timer() {
    if (armed_on) armed_on->timer_removed(*this);
    if (alive_) *alive_ = false;
}

void Timer::set_interval(uint16_t ms) {
    interval_ = ms;
    changed();
}

void Timer::set_enabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    changed();
}

void Timer::changed() {
    Clock& c = armed_on ? *armed_on : clock();
    c.timer_changed(*this);
}

void Timer::fire() {
    if (in_tick_ || !armed() || !on_tick_) return;
    // The handler may destroy this timer (a window closing from its own tick).
    auto alive = alive_ ? alive_ : (alive_ = std::make_shared<bool>(true));
    in_tick_ = true;
    auto handler = on_tick_;
    handler();
    if (*alive) in_tick_ = false;
}

}  // namespace platform
