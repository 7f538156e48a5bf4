// What a network left running for weeks goes through: devices that come back with new short
// addresses, fall silent for hours, trade addresses, strangers that announce themselves, devices
// that talk unasked and a coordinator that restarts on its own.
#include <string>

#include "sim/coordinator.h"
#include "sim/reply_frames.h"

namespace zbsim {

namespace {

// Strangers get addresses from a block no configuration of ours uses.
Mac stranger_mac(uint32_t n) {
    return Mac{0x00, 0x13, 0xA2, 0x00, 0x5E, static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
               static_cast<uint8_t>(n)};
}

}  // namespace

void Coordinator::arm_churn(uint32_t period_s, bool (Coordinator::*event)()) {
    if (!period_s) return;
    // Around the period, never in step: between half and one and a half of it.
    const int ms = static_cast<int>(period_s) * 1000;
    const auto delay = static_cast<uint32_t>(rng_.between(ms / 2, ms + ms / 2));
    later(delay, Group::Line, [this, period_s, event] {
        (this->*event)();
        arm_churn(period_s, event);
    });
}

void Coordinator::arm_all_churn() {
    const Churn& c = cfg_.churn;
    arm_churn(c.rejoin_s, &Coordinator::rejoin_one);
    arm_churn(c.silence_s, &Coordinator::silence_for_config);
    arm_churn(c.swap_s, &Coordinator::swap_two);
    arm_churn(c.stranger_s, &Coordinator::add_stranger);
    arm_churn(c.talk_s, &Coordinator::talk_one);
    arm_churn(c.restart_s, &Coordinator::restart_unasked);
}

SimDevice* Coordinator::pick_responsive(const SimDevice* other) {
    size_t n = 0;
    for (const auto& d : devices_) n += d.responsive() && &d != other;
    if (!n || !running()) return nullptr;
    auto k = static_cast<size_t>(rng_.next() % n);
    for (auto& d : devices_) {
        if (!d.responsive() || &d == other) continue;
        if (k-- == 0) return &d;
    }
    return nullptr;
}

bool Coordinator::rejoin_one() {
    SimDevice* d = pick_responsive();
    if (!d) return false;
    log("   (churn: " + mac_text(d->config().mac) + " rejoins)");
    cancel(d->report_key);
    d->joined = false;
    join(*d);
    return true;
}

bool Coordinator::silence_one(uint32_t ms) {
    SimDevice* d = pick_responsive();
    if (!d) return false;
    log("   (churn: " + mac_text(d->config().mac) + " falls silent for " + std::to_string(ms / 1000) + " s)");
    d->quiet = true;
    cancel(d->report_key);
    // The silence ends even across restarts: it belongs to the device, not to the network.
    later(ms, Group::Line, [this, d] {
        d->quiet = false;
        log("   (churn: " + mac_text(d->config().mac) + " talks again)");
        if (d->joined && d->report_s && !d->config().silent && !d->report_key)
            schedule_report(*d, static_cast<uint32_t>(d->rng().between(1000, static_cast<int>(d->report_s * 1000))));
    });
    return true;
}

bool Coordinator::swap_two() {
    SimDevice* a = pick_responsive();
    SimDevice* b = a ? pick_responsive(a) : nullptr;
    if (!b) return false;
    log("   (churn: " + mac_text(a->config().mac) + " and " + mac_text(b->config().mac) + " swap short addresses)");
    std::swap(a->short_addr, b->short_addr);
    for (SimDevice* d : {a, b}) {
        d->joined_at = clock_.now_ms();
        send(frames::announce(frames::kRejoin, d->short_addr, d->config().mac, d->config().type));
    }
    return true;
}

bool Coordinator::add_stranger() {
    if (!running()) return false;
    DeviceConfig cfg;
    do {
        cfg.mac = stranger_mac(++strangers_);
    } while (device_by_mac(cfg.mac) || cfg.mac == cfg_.mac);
    cfg.type = 7;
    cfg.lqi = 60;
    cfg.report_s = 0;
    devices_.emplace_back(cfg, rng_.next());
    log("   (churn: stranger " + mac_text(cfg.mac) + " joins)");
    join(devices_.back());
    return true;
}

bool Coordinator::talk_one() {
    SimDevice* d = pick_responsive();
    if (!d) return false;
    send(frames::data_frame(d->short_addr, "HELLO " + std::to_string(++talks_)));
    return true;
}

bool Coordinator::restart_unasked() {
    if (!running()) return false;
    log("   (churn: the coordinator restarts)");
    restart(channel_);
    return true;
}

bool Coordinator::leave(const Mac& mac) {
    for (auto& d : devices_) {
        if (d.config().mac != mac || !d.belongs()) continue;
        cancel(d.join_key);
        cancel(d.report_key);
        d.joined = false;
        if (d.config().member) {
            d.gone = true;
            log("   (" + mac_text(mac) + " leaves the network)");
        } else {
            // A candidate the operator sent away waits outside again, until the network is
            // unlocked or its address registered anew.
            d.admitted = false;
            registered_.erase(mac);
            log("   (" + mac_text(mac) + " leaves the network and waits to be admitted again)");
            consider_candidates();
        }
        return true;
    }
    return false;
}

}  // namespace zbsim
