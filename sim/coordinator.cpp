#include "sim/coordinator.h"

#include <algorithm>
#include <cstdio>

#include "platform/fake_serial_port.h"
#include "sim/reply_frames.h"

namespace zbsim {

namespace {

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out(1);
    for (char c : s) {
        if (c == sep) out.emplace_back();
        else out.back() += c;
    }
    return out;
}

// A hexadecimal field of 1..max_digits digits, either case.
bool parse_hex(const std::string& s, size_t max_digits, uint32_t& out) {
    if (s.empty() || s.size() > max_digits) return false;
    out = 0;
    for (char c : s) {
        int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (d < 0) return false;
        out = out * 16 + static_cast<uint32_t>(d);
    }
    return true;
}

uint32_t mac_seed(const Mac& mac) {
    uint32_t h = 2166136261u;  // FNV-1a
    for (uint8_t b : mac) h = (h ^ b) * 16777619u;
    return h;
}

// Stray bytes a noisy line delivers: first bytes the host does not know, a reply cut short, a
// lone byte.
const std::string kGarbage[] = {std::string("Z;"), std::string("\x08\x12\x34", 3), std::string("\xEE", 1),
                                std::string("??;")};

}  // namespace

Coordinator::Coordinator(const SimConfig& config)
    : cfg_(config), clock_(platform::clock()), rng_(config.seed), channel_(config.channel) {
    for (const auto& d : cfg_.devices) devices_.emplace_back(d, cfg_.seed ^ mac_seed(d.mac));
    arm_garbage();
    arm_burst();
    arm_all_churn();
}

Coordinator::~Coordinator() {
    for (auto& [key, p] : pending_) clock_.cancel(p.clock_id);
    if (line_) line_->on_host_write = nullptr;
}

void Coordinator::attach(std::shared_ptr<platform::FakeSerialLine> line) {
    line_ = std::move(line);
    line_->on_host_write = [this](const std::string& bytes) { receive(bytes); };
    sink_ = [this](const std::string& bytes) { line_->send_to_host(bytes); };
}

const SimDevice* Coordinator::device_by_mac(const Mac& mac) const {
    for (const auto& d : devices_)
        if (d.config().mac == mac) return &d;
    return nullptr;
}

uint64_t Coordinator::later(uint32_t ms, Group group, std::function<void()> fn) {
    uint64_t key = next_key_++;
    uint64_t id = clock_.call_later(ms, [this, key, fn = std::move(fn)]() {
        pending_.erase(key);
        fn();
    });
    pending_[key] = {id, group};
    return key;
}

void Coordinator::cancel(uint64_t& key) {
    auto it = pending_.find(key);
    if (it != pending_.end()) {
        clock_.cancel(it->second.clock_id);
        pending_.erase(it);
    }
    key = 0;
}

void Coordinator::cancel_group(Group group) {
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->second.group == group) {
            clock_.cancel(it->second.clock_id);
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
}

void Coordinator::log(const std::string& line) {
    if (log_) log_(line);
}

void Coordinator::send(const std::string& bytes) {
    log("-> " + frames::hex_dash(bytes));
    if (sink_) sink_(bytes);
}

void Coordinator::answer(uint32_t delay_ms, const std::string& bytes) {
    ++answers_;
    if (cfg_.faults.drop_every && answers_ % cfg_.faults.drop_every == 0) {
        log("-> (dropped) " + frames::hex_dash(bytes));
        return;
    }
    later(delay_ms + cfg_.faults.extra_delay_ms, Group::Network, [this, bytes] { send(bytes); });
}

void Coordinator::receive(const std::string& bytes) {
    std::string junk;
    auto commands = scanner_.feed(bytes, junk);
    if (!junk.empty()) log("<- (skipped) " + frames::printable(junk));
    for (const auto& c : commands) handle(c);
    cancel(idle_key_);
    if (scanner_.has_partial()) {
        idle_key_ = later(kIdleDiscardMs, Group::Line, [this] {
            idle_key_ = 0;
            log("<- (unfinished, dropped) " + frames::printable(scanner_.discard_partial()));
        });
    }
}

void Coordinator::handle(const ScannedCommand& c) {
    log("<- " + frames::printable(c.text));
    if (restarting_) {
        log("   (restarting: not heard)");
        return;
    }
    if (c.kind == ScannedCommand::Snt) handle_send(c);
    else handle_cmd(c.body);
}

SimDevice* Coordinator::find_short(const std::string& text) {
    uint32_t v = 0;
    if (text.size() != 4 || !parse_hex(text, 4, v)) return nullptr;
    for (auto& d : devices_)
        if (d.joined && d.short_addr == v) return &d;
    return nullptr;
}

uint32_t Coordinator::device_delay(const SimDevice& d) const {
    if (!d.end_device()) return cfg_.timing.ping_ms;
    return std::min<uint32_t>(d.poll_ms, kMaxSleepMs);
}

void Coordinator::handle_cmd(const std::string& body) {
    auto f = split(body, ':');
    std::string op = f[0];
    std::transform(op.begin(), op.end(), op.begin(), [](char ch) { return static_cast<char>(std::toupper(static_cast<unsigned char>(ch))); });
    const uint32_t reply = cfg_.timing.reply_ms;
    const size_t n = f.size();
    // A device that is joined and not silent, addressed by the first argument.
    auto target = [&]() -> SimDevice* {
        SimDevice* d = n >= 2 ? find_short(f[1]) : nullptr;
        return d && d->responsive() ? d : nullptr;
    };

    if (op == "11" && n == 1) {
        ++addr_requests_;
        if (cfg_.faults.ignore_all_addr || addr_requests_ <= cfg_.faults.ignore_addr) {
            log("   (address request ignored)");
            return;
        }
        answer(reply, frames::coordinator_address(cfg_.mac));
    } else if (op == "0D" && n == 1) {
        answer(reply, frames::pan_info(channel_, cfg_.pan));
    } else if (op == "13" && n == 1) {
        answer(reply, frames::version(cfg_.version));
    } else if (op == "03" && n >= 2) {
        auto mac = parse_mac(body.substr(3));
        if (!mac) return;
        registered_.insert(*mac);
        answer(reply, frames::ack());
        consider_candidates();
    } else if (op == "04" && n == 1) {
        answer(reply, frames::ack());
        if (!running_) start_network();
    } else if (op == "0A" && n == 2 && (f[1] == "0" || f[1] == "FF")) {
        locked_ = f[1] == "0";
        consider_candidates();
    } else if (op == "0E" && n == 2) {
        SimDevice* d = target();
        if (d && !d->end_device()) answer(cfg_.timing.ping_ms, frames::ping_answer(d->config().lqi, d->short_addr));
    } else if (op == "0F" && n == 2) {
        if (f[1] == "0000") {
            answer(reply, frames::address_answer(cfg_.mac, 0, frames::kCoordinatorType));
        } else if (SimDevice* d = target()) {
            answer(device_delay(*d), frames::address_answer(d->config().mac, d->short_addr, d->config().type));
        }
    } else if (op == "08" && n == 3 && (f[2] == "00" || f[2] == "FF")) {
        if (SimDevice* d = target()) answer(device_delay(*d), frames::keep_alive_ack(d->short_addr));
    } else if (op == "09" && n == 3) {
        SimDevice* d = target();
        uint32_t rate = 0;
        if (!d || f[2].size() != 4 || !parse_hex(f[2], 4, rate)) return;
        // The device hears the new rate at its next wake-up, under the old one.
        answer(device_delay(*d), frames::poll_rate_ack(d->short_addr));
        d->poll_ms = static_cast<uint16_t>(rate);
    } else if (op == "05" && n == 3) {
        SimDevice* d = target();
        uint32_t minutes = 0, seconds = 0;
        const std::string& t = f[2];
        if (!d || t.size() < 4 || t.size() > 6 || !parse_hex(t.substr(0, t.size() - 2), 4, minutes) ||
            !parse_hex(t.substr(t.size() - 2), 2, seconds) || seconds > 59)
            return;
        d->pending_report_s = minutes * 60 + seconds;
    } else if (op == "06" && n == 2) {
        if (SimDevice* d = target()) apply_report_period(*d);
    } else if ((op == "0B" || op == "0C") && n == 3) {
        SimDevice* d = target();
        if (d && (f[2] == "1" || f[2] == "2" || f[2] == "3" || f[2] == "4")) d->set_output(f[2][0] - '0', op == "0B");
    } else if (op == "01" && n == 1) {
        restart(channel_);
    } else if (op == "07" && n == 2) {
        uint32_t ch = 0;
        if (!parse_hex(f[1], 2, ch)) return;
        if (ch == 0 || ch == 27) {
            // Automatic search: settle on another channel than the current one.
            ch = static_cast<uint32_t>(11 + (channel_ - 11 + rng_.between(1, 15)) % 16);
        }
        if (ch < 11 || ch > 26) return;
        restart(static_cast<uint8_t>(ch));
    } else {
        log("   (not understood)");
    }
}

void Coordinator::handle_send(const ScannedCommand& c) {
    SimDevice* d = find_short(c.body);
    if (!d || !d->responsive()) {
        answer(kUndeliveredMs, frames::not_delivered());
        return;
    }
    uint32_t delay = device_delay(*d);
    answer(delay, frames::delivered());
    if (d->config().echo) {
        std::string frame = frames::data_frame(d->short_addr, "ECHO:" + c.data);
        later(delay + cfg_.timing.ping_ms + cfg_.faults.extra_delay_ms, Group::Network, [this, frame] { send(frame); });
    }
}

void Coordinator::start_network() {
    running_ = true;
    next_join_at_ = clock_.now_ms();
    for (auto& d : devices_)
        if (d.belongs()) schedule_join(d);
    consider_candidates();
}

void Coordinator::consider_candidates() {
    if (!running_) return;
    for (auto& d : devices_) {
        if (d.belongs() || d.gone) continue;
        bool admitted = !locked_ || registered_.count(d.config().mac) > 0;
        if (admitted && !d.join_key) schedule_join(d);
        if (!admitted && d.join_key) cancel(d.join_key);
    }
}

void Coordinator::schedule_join(SimDevice& d) {
    uint32_t now = clock_.now_ms();
    auto until_slot = static_cast<int32_t>(next_join_at_ - now);
    uint32_t delay = std::max<uint32_t>(cfg_.timing.join_delay_ms, until_slot > 0 ? static_cast<uint32_t>(until_slot) : 0);
    next_join_at_ = now + delay + cfg_.timing.join_spacing_ms;
    d.join_key = later(delay, Group::Network, [this, &d] {
        d.join_key = 0;
        join(d);
    });
}

uint16_t Coordinator::new_short(const SimDevice& d) {
    for (;;) {
        // 0x0000 is the coordinator and 0xFFF8.. are broadcast addresses.
        auto v = static_cast<uint16_t>(rng_.next() & 0xFFFF);
        if (v == 0 || v >= 0xFFF8 || v == d.short_addr) continue;
        bool taken = std::any_of(devices_.begin(), devices_.end(),
                                 [&](const SimDevice& o) { return &o != &d && o.joined && o.short_addr == v; });
        if (!taken) return v;
    }
}

void Coordinator::join(SimDevice& d) {
    d.short_addr = new_short(d);
    d.joined = true;
    d.admitted = true;
    d.joined_at = clock_.now_ms();
    send(frames::announce(d.ever_joined ? frames::kRejoin : frames::kJoin, d.short_addr, d.config().mac,
                          d.config().type));
    d.ever_joined = true;
    if (d.report_s && !d.config().silent && !d.quiet) {
        // Devices do not report in step: the first report comes within the first period.
        schedule_report(d, static_cast<uint32_t>(d.rng().between(1000, static_cast<int>(std::max<uint32_t>(d.report_s * 1000, 1000)))));
    }
}

void Coordinator::schedule_report(SimDevice& d, uint32_t ms) {
    d.report_key = later(ms, Group::Network, [this, &d] {
        d.report_key = 0;
        send(d.next_report());
        schedule_report(d, d.report_s * 1000);
    });
}

void Coordinator::apply_report_period(SimDevice& d) {
    d.report_s = d.pending_report_s;
    cancel(d.report_key);
    if (d.report_s) schedule_report(d, d.report_s * 1000);
}

void Coordinator::restart(uint8_t channel) {
    bool was_running = running_;
    cancel_group(Group::Network);
    restarting_ = true;
    running_ = false;
    locked_ = true;
    registered_.clear();
    channel_ = channel;
    for (auto& d : devices_) {
        d.joined = false;
        d.join_key = 0;
        d.report_key = 0;
    }
    answer(cfg_.timing.reply_ms, frames::restarting());
    later(cfg_.timing.restart_ms, Group::Network, [this, was_running] {
        restarting_ = false;
        if (cfg_.faults.silent_restart) log("   (restarted without announcing)");
        else send(frames::announce(frames::kJoin, 0, cfg_.mac, frames::kCoordinatorType));
        if (!was_running) return;
        running_ = true;
        next_join_at_ = clock_.now_ms();
        for (auto& d : devices_)
            if (d.belongs()) schedule_join(d);
    });
}

void Coordinator::arm_garbage() {
    if (!cfg_.faults.garbage_every_ms) return;
    later(cfg_.faults.garbage_every_ms, Group::Line, [this] {
        const std::string& g = kGarbage[garbage_sent_++ % (sizeof kGarbage / sizeof kGarbage[0])];
        log("-> (noise) " + frames::hex_dash(g));
        if (sink_) sink_(g);
        arm_garbage();
    });
}

void Coordinator::arm_burst() {
    if (!cfg_.faults.burst_every_ms) return;
    later(cfg_.faults.burst_every_ms, Group::Line, [this] {
        // Devices take turns flooding; only a device that is joined and talks can.
        for (size_t tried = 0; tried < devices_.size(); ++tried) {
            SimDevice& d = devices_[burst_turn_++ % devices_.size()];
            if (!d.responsive()) continue;
            for (uint32_t i = 0; i < cfg_.faults.burst_count; ++i)
                later(i * kBurstSpacingMs, Group::Network, [this, &d] { send(d.next_report()); });
            break;
        }
        arm_burst();
    });
}

}  // namespace zbsim
