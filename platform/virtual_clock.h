#pragma once
// Virtual time for tests: time stands still while there is work to do and jumps to the next timer
// or deferred call only when a pump finds nothing pending, so a 65 s wait takes microseconds and
// every boundary (799 ms versus 800 ms) is exact.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <stdexcept>
#include <utility>

#include "platform/clock.h"

namespace platform {

// Thrown by a pump that would wait for ever: nothing pending, no timer armed, no deferred call.
struct VirtualClockStalled : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class VirtualClock : public Clock {
public:
    explicit VirtualClock(uint32_t start_ms = 1000);
    ~VirtualClock() override;

    uint32_t now_ms() override { return now_; }
    uint64_t now_us() override { return abs_now_ * 1000; }
    void pump_events(uint32_t max_wait_ms) override;
    void post(std::function<void()> fn) override;
    uint64_t call_later(uint32_t ms, std::function<void()> fn) override;
    void cancel(uint64_t id) override;

    // Pumps until `ms` milliseconds of virtual time have passed (the events due at the end included).
    void advance(uint32_t ms);
    // Pumps until pred() holds or `limit_ms` of virtual time have passed; returns pred().
    bool run_until(const std::function<bool()>& pred, uint32_t limit_ms);
    // Runs what is pending now without moving time.
    void run_pending();

    // Also process Qt's own events (paints, deferred deletes) on every pump; on by default when a
    // QCoreApplication exists.
    void set_process_qt_events(bool on) { process_qt_ = on; }

protected:
    void timer_changed(Timer& timer) override;
    void timer_removed(Timer& timer) override;

private:
    // Due times are kept as 64-bit absolute times so that the 32-bit counter may wrap.
    struct Entry {
        Timer* timer = nullptr;           // a timer's countdown, or
        std::function<void()> fn;         // a deferred call
    };
    bool run_due();
    bool run_posted();
    void process_qt();

    uint64_t abs_now_;
    uint32_t now_;
    uint64_t next_id_ = 1;
    std::deque<std::function<void()>> posted_;
    std::multimap<std::pair<uint64_t, uint64_t>, Entry> due_;  // (due time, id) -> entry
    std::map<uint64_t, uint64_t> due_of_id_;                   // id -> due time
    bool process_qt_ = true;
    Clock* previous_ = nullptr;
};

}  // namespace platform
