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

}  // namespace modMain
