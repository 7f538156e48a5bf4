#pragma once
// A steady stream of valid I/O reports from one device, for loading the host with a busy network:
// `per_second` reports a second, sent in equal groups every 50 ms on the thread's clock, each stamped
// with the time it was sent.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "platform/timer.h"

namespace zbsim {

class ReportFlood {
public:
    using Sink = std::function<void(const std::string& bytes)>;
    static constexpr uint16_t kGroupMs = 50;

    // short_id: the sender's two address bytes.
    ReportFlood(uint16_t short_id, Sink sink);

    // 0 stops the flood. Rates are taken in steps of 20 a second (one report per group).
    void set_rate(uint32_t per_second);
    uint32_t rate() const { return per_group_ * (1000 / kGroupMs); }
    uint64_t sent() const { return sent_; }

    // The send times of the reports not yet taken, oldest first; the host's side takes one as it
    // handles each report, in order.
    uint32_t take_oldest_send_time();
    bool waiting() const { return send_times_.empty() == false; }

    // A report as the device sends it (17 bytes); n varies the measurements.
    static std::string report(uint16_t short_id, uint32_t n);

private:
    void send_group();

    uint16_t short_id_;
    Sink sink_;
    uint32_t per_group_ = 0;
    uint64_t sent_ = 0;
    std::deque<uint32_t> send_times_;
    platform::Timer timer_;
};

}  // namespace zbsim
