#include "platform/qt_clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>

#include "platform/timer.h"

namespace platform {

QtClock::QtClock() : context_(std::make_unique<QObject>()) {}

QtClock::~QtClock() {
    for (auto& [timer, qt] : timers_) timer->armed_on = nullptr;
}

uint32_t QtClock::now_ms() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint64_t QtClock::now_us() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

void QtClock::pump_events(uint32_t max_wait_ms) {
    if (!QCoreApplication::instance()) return;
    if (max_wait_ms == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    // A wake-up timer bounds the blocking wait so that a loop with a deadline ends on time.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    if (max_wait_ms != kForever) wake.start(static_cast<int>(std::min<uint32_t>(max_wait_ms, INT32_MAX)));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtClock::post(std::function<void()> fn) {
    QMetaObject::invokeMethod(context_.get(), std::move(fn), Qt::QueuedConnection);
}

uint64_t QtClock::call_later(uint32_t ms, std::function<void()> fn) {
    uint64_t id = next_id_++;
    auto t = std::make_unique<QTimer>();
    t->setSingleShot(true);
    t->setTimerType(Qt::PreciseTimer);
    QObject::connect(t.get(), &QTimer::timeout, context_.get(), [this, id, fn = std::move(fn)]() {
        auto keep = std::move(later_[id]);
        later_.erase(id);
        fn();
        if (keep) keep.release()->deleteLater();
    });
    t->start(static_cast<int>(std::min<uint32_t>(ms, INT32_MAX)));
    later_[id] = std::move(t);
    return id;
}

void QtClock::cancel(uint64_t id) { later_.erase(id); }

void QtClock::timer_changed(Timer& timer) {
    auto& qt = timers_[&timer];
    if (!qt) {
        qt = std::make_unique<QTimer>();
        // Window timers may be a few per cent late, so Qt can serve several with one wake-up.
        qt->setTimerType(Qt::CoarseTimer);
        Timer* t = &timer;
        QObject::connect(qt.get(), &QTimer::timeout, context_.get(), [t]() { t->fire(); });
    }
    timer.armed_on = this;
    if (timer.armed())
        qt->start(static_cast<int>(timer.countdown_ms()));
    else
        qt->stop();
}

void QtClock::timer_removed(Timer& timer) {
    timers_.erase(&timer);
    timer.armed_on = nullptr;
}

}  // namespace platform
