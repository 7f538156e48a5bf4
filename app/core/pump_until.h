#pragma once
// The waiting loop of every long operation: hand control to the event loop until a flag set by a
// reply handler or a timer says the wait is over. Each pump blocks until something happens, so the
// loop never spins.
#include "platform/clock.h"

namespace modMain {

template <typename Done>
void PumpUntil(Done done) {
    while (!done()) platform::pump_events(platform::Clock::kForever);
}

// The same wait with a deadline of its own, for waits whose flag might never be set (a lost reply
// whose time-out was stopped by another reply): ends once `limit_ms` have passed. True when `done`
// ended it.
template <typename Done>
bool PumpUntil(Done done, uint32_t limit_ms) {
    const uint32_t start = platform::now_ms();
    while (!done()) {
        const uint32_t elapsed = platform::now_ms() - start;
        if (elapsed >= limit_ms) return false;
        platform::pump_events(limit_ms - elapsed);
    }
    return true;
}

}  // namespace modMain
