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

    // A timer whose ticks have nothing to do until something happens may rest: it stays enabled but
    // does not tick, so an idle program does not wake up for it. Woken, it ticks again on the beat it
    // kept since it was last started, at the next multiple of its interval, so resting changes no
    // tick's timing, only the ticks that would have found nothing to do.
    void rest();
    void wake();
    bool resting() const { return resting_; }

    // Armed means it will tick: enabled with a non-zero interval, and not resting.
    bool armed() const { return enabled_ && interval_ > 0 && !resting_; }
    // How long the countdown the clock starts now runs: the interval, or what is left of the current
    // beat for the first tick after a wake-up.
    uint32_t countdown_ms() const { return countdown_ != 0 ? countdown_ : interval_; }

    // Called by the clock when the countdown ends.
    void fire();

    // Clock-private bookkeeping.
    Clock* armed_on = nullptr;
    uint64_t clock_data = 0;

private:
    void changed();
    // A fresh countdown starts now: the beat starts again from here.
    void restart();

    std::function<void()> on_tick_;
    uint16_t interval_ = 0;
    bool enabled_ = false;
    bool in_tick_ = false;
    bool resting_ = false;
    uint16_t countdown_ = 0;
    uint32_t beat_origin_ms_ = 0;
    std::shared_ptr<bool> alive_;
};

}  // namespace platform
