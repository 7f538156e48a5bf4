#include "sim/report_flood.h"

#include "platform/clock.h"

namespace zbsim {

ReportFlood::ReportFlood(uint16_t short_id, Sink sink) : short_id_(short_id), sink_(std::move(sink)) {
    timer_.set_interval(kGroupMs);
    timer_.set_on_tick([this] { send_group(); });
}

void ReportFlood::set_rate(uint32_t per_second) {
    per_group_ = per_second / (1000 / kGroupMs);
    timer_.set_enabled(per_group_ > 0);
}

uint32_t ReportFlood::take_oldest_send_time() {
    if (send_times_.empty()) return platform::now_ms();
    const uint32_t t = send_times_.front();
    send_times_.pop_front();
    return t;
}

std::string ReportFlood::report(uint16_t short_id, uint32_t n) {
    const auto b = [](uint32_t v) { return static_cast<char>(v & 0xFF); };
    const uint32_t battery = 3280 + n % 40;
    const uint32_t temperature = 1300 + n % 100;
    std::string r{b(0x08), b(short_id >> 8), b(short_id), b(battery >> 8), b(battery), b(temperature >> 8),
                  b(temperature)};
    for (uint32_t k = 0; k < 4; ++k) {
        const uint32_t analogue = (n * 7 + k * 1000) % 4096;
        r += b(analogue >> 8);
        r += b(analogue);
    }
    r += b(0x22);  // output 1 and input 1 on
    r += ';';
    return r;
}

void ReportFlood::send_group() {
    std::string bytes;
    for (uint32_t i = 0; i < per_group_; ++i) {
        bytes += report(short_id_, static_cast<uint32_t>(sent_++));
        send_times_.push_back(platform::now_ms());
    }
    sink_(bytes);
}

}  // namespace zbsim
