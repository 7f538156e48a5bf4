#pragma once
// A window timer: an interval of at most 65535 ms, an enabled flag and a tick handler that runs on
// the owning thread. Enabling it, or changing its interval while enabled, starts a fresh countdown.
// Ticks do not pile up (a late timer ticks once) and do not nest: while a handler runs, for example
// inside a nested pump, the same timer does not tick again.
#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

class Clock;

class Timer {
public:
    Timer() = default;
    explicit Timer(std::function<void()> on_tick) : on_tick_(std::move(on_tick)) {}
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void set_on_tick(std::function<void()> on_tick) { on_tick_ = std::move(on_tick); }

    void set_interval(uint16_t ms);
    uint16_t interval() const { return interval_; }

    void set_enabled(bool enabled);
    bool enabled() const { return enabled_; }

    // Armed means it will tick: enabled with a non-zero interval.
    bool armed() const { return enabled_ && interval_ > 0; }

    // Called by the clock when the countdown ends.
    void fire();

    // Clock-private bookkeeping.
    Clock* armed_on = nullptr;
    uint64_t clock_data = 0;

private:
    void changed();

    std::function<void()> on_tick_;
    uint16_t interval_ = 0;
    bool enabled_ = false;
    bool in_tick_ = false;
    std::shared_ptr<bool> alive_;
};

}  // namespace platform
