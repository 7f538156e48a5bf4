#include "fuzz/fuzz_target.h"
#include "platform/virtual_clock.h"

namespace fuzz {

void next_turn() {
    static platform::VirtualClock* const clock = new platform::VirtualClock;
    clock->run_pending();
}

}  // namespace fuzz
