#include "tests/soak/soak_network.h"

#include <cstdio>

namespace soak {

namespace {

std::string Mac(int group, int n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "00:13:A2:00:4%d:00:%02X:%02X", group, (n >> 8) & 0xFF, n & 0xFF);
    return buf;
}

constexpr int kRouters = 1, kEndDevices = 2, kUnlockCandidates = 3, kAddedCandidates = 4;

}  // namespace

std::string NetworkConfig(const NetworkRates& r, uint32_t seed) {
    std::string c = "coordinator mac=00:13:A2:00:40:5A:C0:01 pan=3F21 channel=15 version=2.1 seed=" +
                    std::to_string(seed) + "\n";
    c += "faults garbage_every=" + std::to_string(r.noise_every_ms) + "\n";
    c += "churn rejoin=" + std::to_string(r.rejoin_s) + " silence=" + std::to_string(r.silence_s) +
         " silence_for=" + std::to_string(r.silence_for_s) + " swap=" + std::to_string(r.swap_s) +
         " stranger=" + std::to_string(r.stranger_s) + " talk=" + std::to_string(r.talk_s) +
         " restart=" + std::to_string(r.restart_s) + "\n";
    int busy_left = r.busy;
    auto report = [&] { return busy_left-- > 0 ? r.busy_report_s : r.quiet_report_s; };
    for (int i = 1; i <= r.routers; ++i) {
        c += "device mac=" + Mac(kRouters, i) + " type=7 lqi=" + std::to_string(40 + i % 200) +
             " report=" + std::to_string(report()) + (i == 2 ? " echo" : "") + "\n";
    }
    for (int i = 1; i <= r.end_devices; ++i) {
        c += "device mac=" + Mac(kEndDevices, i) + " type=" + (i % 2 ? "4" : "6") +
             " report=" + std::to_string(report()) + " poll=" + std::to_string(1000 + 50 * i) + "\n";
    }
    for (int i = 1; i <= r.unlock_candidates; ++i)
        c += "device mac=" + Mac(kUnlockCandidates, i) + " type=7 candidate report=" + std::to_string(r.quiet_report_s) + "\n";
    for (const std::string& mac : AddedCandidates(r))
        c += "device mac=" + mac + " type=4 candidate report=" + std::to_string(r.quiet_report_s) + " poll=3000\n";
    return c;
}

std::vector<std::string> AddedCandidates(const NetworkRates& r) {
    std::vector<std::string> out;
    for (int i = 1; i <= r.added_candidates; ++i) out.push_back(Mac(kAddedCandidates, i));
    return out;
}

}  // namespace soak
