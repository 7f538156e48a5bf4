#pragma once
// The one source of time and events for everything that runs on a thread: timers, deferred calls,
// the serial line's receive notifications and the windows all go through the thread's Clock, so the
// whole program can run on virtual time in tests.
#include <cstdint>
#include <functional>

namespace platform {

class Timer;

class Clock {
public:
    static constexpr uint32_t kForever = UINT32_MAX;

    virtual ~Clock() = default;

    // Millisecond counter; wraps at 2^32 like the platform counter it stands in for.
    virtual uint32_t now_ms() = 0;
    // A microsecond counter that does not wrap, for stamping what must be timed finer than the
    // millisecond counter (the serial recording).
    virtual uint64_t now_us() = 0;

    // Processes everything that is pending (posted calls, due timers, window events) and returns.
    // When nothing is pending it first waits, at most max_wait_ms, for the next event or timer:
    // a loop around it therefore never spins, and a loop with a deadline still ends on time.
    virtual void pump_events(uint32_t max_wait_ms) = 0;

    // Runs fn on this thread from a later pump, in the order of posting.
    virtual void post(std::function<void()> fn) = 0;

    // Runs fn once, ms milliseconds from now. The id can be cancelled until then.
    virtual uint64_t call_later(uint32_t ms, std::function<void()> fn) = 0;
    virtual void cancel(uint64_t id) = 0;

protected:
    friend class Timer;
    // A timer's interval or enabled state changed: (re)arm it so its next tick is one interval from
    // now, or disarm it.
    virtual void timer_changed(Timer& timer) = 0;
    virtual void timer_removed(Timer& timer) = 0;
};

// The clock of the calling thread. Unless one was installed, the real clock on Qt's event loop.
Clock& clock();
// Installs a clock for the calling thread (tests install a VirtualClock); nullptr restores the real one.
void set_clock(Clock* c);
// The clock installed with set_clock, or nullptr.
Clock* installed_clock();

// Shorthands on the thread's clock.
inline uint32_t now_ms() { return clock().now_ms(); }
inline void pump_events(uint32_t max_wait_ms = 0) { clock().pump_events(max_wait_ms); }

// Pumps events until `ms` milliseconds have passed on the thread's clock (at least one pump).
void wait_ms(int32_t ms);

}  // namespace platform
