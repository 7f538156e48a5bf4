#pragma once
// The real clock: Qt's event loop on the calling thread. Pumping blocks in the event dispatcher until
// an event or a timer arrives (or the wait's deadline), so waiting loops never spin the CPU.
#include <QObject>
#include <QTimer>
#include <map>
#include <memory>

#include "platform/clock.h"

namespace platform {

class QtClock : public Clock {
public:
    QtClock();
    ~QtClock() override;

    uint32_t now_ms() override;
    uint64_t now_us() override;
    void pump_events(uint32_t max_wait_ms) override;
    void post(std::function<void()> fn) override;
    uint64_t call_later(uint32_t ms, std::function<void()> fn) override;
    void cancel(uint64_t id) override;

protected:
    void timer_changed(Timer& timer) override;
    void timer_removed(Timer& timer) override;

private:
    std::unique_ptr<QObject> context_;
    std::map<Timer*, std::unique_ptr<QTimer>> timers_;
    std::map<uint64_t, std::unique_ptr<QTimer>> later_;
    uint64_t next_id_ = 1;
};

}  // namespace platform
