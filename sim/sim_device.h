#pragma once
// One radio device of the simulated network: its configuration, where it stands in the network and
// the measurements it reports, which wander slowly as a real node's would.
#include <cstdint>
#include <string>

#include "sim/reply_frames.h"
#include "sim/sim_config.h"

namespace zbsim {

// A small deterministic generator: the same seed gives the same network run after run.
class Rng {
public:
    explicit Rng(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
    uint32_t next();
    // A value from lo to hi, both included.
    int between(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<uint32_t>(hi - lo + 1)); }

private:
    uint32_t state_;
};

// The I/O bitmap as the device window reads it: outputs 1..4 on bits 1..4 (0x02..0x10), inputs
// 1..3 on bits 5..7 (0x20..0x80); bit 0 is unused and stays clear.
constexpr uint8_t output_bit(int n) { return static_cast<uint8_t>(1u << n); }
constexpr uint8_t kInputBits = 0xE0;

class SimDevice {
public:
    SimDevice(const DeviceConfig& cfg, uint32_t seed);

    const DeviceConfig& config() const { return cfg_; }
    bool end_device() const { return cfg_.type == 4 || cfg_.type == 6; }

    // Network standing.
    bool joined = false;
    bool ever_joined = false;    // the next join is a rejoin
    bool admitted = false;       // a candidate that got in; from then on it belongs to the network
    uint16_t short_addr = 0;     // valid while joined; kept afterwards so a rejoin gets another one
    uint32_t report_s = 0;       // current I/O report period, 0 for none
    uint32_t pending_report_s = 0;  // set by a rate command, used once it is applied
    uint16_t poll_ms = 0;
    uint64_t join_key = 0;       // scheduled join, 0 when none
    uint64_t report_key = 0;     // scheduled report, 0 when none
    uint32_t joined_at = 0;      // clock of the last join
    bool quiet = false;          // fallen silent for a while: no answers, no reports
    bool gone = false;           // left the network for good

    bool belongs() const { return (cfg_.member || admitted) && !gone; }
    // Answers commands and takes strings.
    bool responsive() const { return joined && !cfg_.silent && !quiet; }

    void set_output(int n, bool on);

    // Moves the measurements one step and returns the report frame carrying them.
    std::string next_report();

    Rng& rng() { return rng_; }

private:
    DeviceConfig cfg_;
    Rng rng_;
    frames::IoValues io_;
    uint8_t inputs_ = 0;
    uint8_t outputs_ = 0;
};

}  // namespace zbsim
