#pragma once
// The busy network a soak runs against: about 200 devices (routers and both kinds of end device), 50
// of them reporting every few seconds, candidates that join when the network is unlocked or their
// address is added, and the simulator's churn.
#include <cstdint>
#include <string>
#include <vector>

namespace soak {

struct NetworkRates {
    int routers = 120;
    int end_devices = 80;
    int busy = 50;                  // devices reporting every busy_report_s
    uint32_t busy_report_s = 5;
    uint32_t quiet_report_s = 600;  // everybody else
    int unlock_candidates = 60;     // join while the network is unlocked
    int added_candidates = 60;      // join once the operator adds their address
    uint32_t noise_every_ms = 180000;
    uint32_t rejoin_s = 1800, silence_s = 3600, silence_for_s = 7200, swap_s = 7200, stranger_s = 14400,
             talk_s = 900, restart_s = 10800;
};

// The simulator's configuration for that network.
std::string NetworkConfig(const NetworkRates& rates, uint32_t seed);
// The addresses of the candidates the operator adds, in the order they are added.
std::vector<std::string> AddedCandidates(const NetworkRates& rates);

}  // namespace soak
