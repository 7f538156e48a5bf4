#include "sim/sim_device.h"

#include <algorithm>

namespace zbsim {

uint32_t Rng::next() {
    // xorshift32
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

namespace {

uint16_t wander(uint16_t v, int step, int lo, int hi) {
    return static_cast<uint16_t>(std::clamp(static_cast<int>(v) + step, lo, hi));
}

}  // namespace

SimDevice::SimDevice(const DeviceConfig& cfg, uint32_t seed)
    : report_s(cfg.report_s), pending_report_s(cfg.report_s), poll_ms(cfg.poll_ms), cfg_(cfg), rng_(seed) {
    // Mains-powered routers sit at 3.3 V; battery end devices start a little lower and drain.
    io_.battery_mv = static_cast<uint16_t>(end_device() ? rng_.between(2900, 3100) : rng_.between(3280, 3320));
    io_.temp_raw = static_cast<uint16_t>(rng_.between(1320, 1370));
    for (auto& a : io_.analog) a = static_cast<uint16_t>(rng_.between(200, 3800));
    inputs_ = static_cast<uint8_t>(rng_.next() & kInputBits);
}

void SimDevice::set_output(int n, bool on) {
    if (on) outputs_ = static_cast<uint8_t>(outputs_ | output_bit(n));
    else outputs_ = static_cast<uint8_t>(outputs_ & ~output_bit(n));
}

std::string SimDevice::next_report() {
    if (end_device()) {
        if (rng_.between(0, 1) == 0) io_.battery_mv = wander(io_.battery_mv, -1, 2400, 3300);
    } else {
        io_.battery_mv = wander(io_.battery_mv, rng_.between(-3, 3), 3280, 3320);
    }
    // Raw 1300..1400 is about 14 to 39 degrees on the host's scale.
    io_.temp_raw = wander(io_.temp_raw, rng_.between(-2, 2), 1300, 1400);
    for (auto& a : io_.analog) a = wander(a, rng_.between(-25, 25), 0, 4095);
    if (rng_.between(0, 5) == 0) inputs_ = static_cast<uint8_t>(inputs_ ^ (0x20u << rng_.between(0, 2)));
    io_.bitmap = static_cast<uint8_t>(inputs_ | outputs_);
    return frames::io_report(short_addr, io_);
}

}  // namespace zbsim
