#include "platform/clock.h"

#include <memory>

#include "platform/qt_clock.h"

namespace platform {

namespace {
thread_local Clock* installed = nullptr;
thread_local std::unique_ptr<QtClock> real;
}  // namespace

Clock& clock() {
    if (installed) return *installed;
    if (!real) real = std::make_unique<QtClock>();
    return *real;
}

void set_clock(Clock* c) { installed = c; }

Clock* installed_clock() { return installed; }

void wait_ms(int32_t ms) {
    Clock& c = clock();
    uint32_t start = c.now_ms();
    int64_t elapsed = 0;
    do {
        uint32_t left = ms > elapsed ? static_cast<uint32_t>(ms - elapsed) : 0;
        c.pump_events(left);
        elapsed = static_cast<int32_t>(c.now_ms() - start);
        if (elapsed < 0) {  // the counter wrapped
            start = c.now_ms();
            elapsed = 0;
        }
    } while (elapsed < ms);
}

}  // namespace platform
