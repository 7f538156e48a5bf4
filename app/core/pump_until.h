#pragma once
// The waiting loop of every long operation: hand control to the event loop until a flag set by a
// reply handler or a timer says the wait is over, or until the wait's own time is up. Each pump
// blocks until something happens or the time is up, so the loop never spins and never outlives its
// deadline, whatever the handlers it runs do to the flags or timers.
#include <cstdint>

#include "platform/clock.h"

namespace modMain {

// True when done() became true, false when max_ms passed first.
template <typename Done>
bool PumpUntil(Done done, uint32_t max_ms) {
    const uint32_t start = platform::now_ms();
    while (!done()) {
        const uint32_t elapsed = platform::now_ms() - start;  // unsigned: right across a counter wrap
        if (elapsed >= max_ms) return false;
        platform::pump_events(max_ms - elapsed);
    }
    return true;
}

}  // namespace modMain
