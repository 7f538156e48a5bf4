#include "platform/virtual_clock.h"

#include <QCoreApplication>
#include <algorithm>

#include "platform/timer.h"

namespace platform {

VirtualClock::VirtualClock(uint32_t start_ms) : abs_now_(start_ms), now_(start_ms) {
    previous_ = installed_clock();
    set_clock(this);
}

VirtualClock::~VirtualClock() {
    for (auto& [key, entry] : due_)
        if (entry.timer) entry.timer->armed_on = nullptr;
    set_clock(previous_ == this ? nullptr : previous_);
}

void VirtualClock::process_qt() {
    if (process_qt_ && QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool VirtualClock::run_posted() {
    // Only what was posted before this pump runs now; a handler that posts again is served next time.
    size_t n = posted_.size();
    for (size_t i = 0; i < n && !posted_.empty(); ++i) {
        auto fn = std::move(posted_.front());
        posted_.pop_front();
        fn();
    }
    return n > 0;
}

bool VirtualClock::run_due() {
    const uint64_t last_id = next_id_;
    bool any = false;
    while (!due_.empty()) {
        auto it = due_.begin();
        if (it->first.first > abs_now_ || it->first.second >= last_id) {
            // Entries created during this pass wait for the next one; look past them.
            auto jt = std::find_if(due_.begin(), due_.end(), [&](const auto& e) {
                return e.first.first <= abs_now_ && e.first.second < last_id;
            });
            if (jt == due_.end()) break;
            it = jt;
        }
        Entry entry = std::move(it->second);
        due_of_id_.erase(it->first.second);
        due_.erase(it);
        any = true;
        if (entry.timer) {
            Timer* t = entry.timer;
            t->armed_on = nullptr;
            timer_changed(*t);  // next countdown starts now
            t->fire();
        } else if (entry.fn) {
            entry.fn();
        }
    }
    return any;
}

void VirtualClock::pump_events(uint32_t max_wait_ms) {
    process_qt();
    bool did = run_posted();
    did = run_due() || did;
    if (did) return;

    const bool unbounded = max_wait_ms == kForever;
    if (!due_.empty()) {
        uint64_t next = due_.begin()->first.first;
        if (unbounded || next <= abs_now_ + max_wait_ms) {
            now_ = static_cast<uint32_t>(now_ + (next - abs_now_));
            abs_now_ = next;
            run_due();
            process_qt();
            return;
        }
    }
    if (unbounded) throw VirtualClockStalled("virtual clock: a pump would wait for ever (no timer, no event)");
    abs_now_ += max_wait_ms;
    now_ += max_wait_ms;
}

void VirtualClock::post(std::function<void()> fn) { posted_.push_back(std::move(fn)); }

uint64_t VirtualClock::call_later(uint32_t ms, std::function<void()> fn) {
    uint64_t id = next_id_++;
    uint64_t due = abs_now_ + ms;
    Entry e;
    e.fn = std::move(fn);
    due_.emplace(std::make_pair(due, id), std::move(e));
    due_of_id_[id] = due;
    return id;
}

void VirtualClock::cancel(uint64_t id) {
    auto it = due_of_id_.find(id);
    if (it == due_of_id_.end()) return;
    due_.erase(std::make_pair(it->second, id));
    due_of_id_.erase(it);
}

void VirtualClock::timer_changed(Timer& timer) {
    if (timer.armed_on == this) cancel(timer.clock_data);
    timer.armed_on = nullptr;
    if (!timer.armed()) return;
    uint64_t id = next_id_++;
    uint64_t due = abs_now_ + timer.countdown_ms();
    Entry e;
    e.timer = &timer;
    due_.emplace(std::make_pair(due, id), std::move(e));
    due_of_id_[id] = due;
    timer.clock_data = id;
    timer.armed_on = this;
}

void VirtualClock::timer_removed(Timer& timer) {
    if (timer.armed_on == this) cancel(timer.clock_data);
    timer.armed_on = nullptr;
}

void VirtualClock::advance(uint32_t ms) {
    const uint64_t end = abs_now_ + ms;
    do {
        pump_events(static_cast<uint32_t>(end - abs_now_));
    } while (abs_now_ < end);
    // What became due exactly at the end runs too.
    run_pending();
}

bool VirtualClock::run_until(const std::function<bool()>& pred, uint32_t limit_ms) {
    const uint64_t end = abs_now_ + limit_ms;
    while (!pred() && abs_now_ < end) pump_events(static_cast<uint32_t>(end - abs_now_));
    if (!pred()) run_pending();
    return pred();
}

void VirtualClock::run_pending() {
    process_qt();
    while (run_posted() | run_due()) {
    }
}

}  // namespace platform
