#pragma once
// What a simulated network looks like: the coordinator, its devices, the timing of the radio side
// and the faults to inject. Read from a small line-oriented text file (see README.md) or taken from
// the built-in demo network.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zbsim {

using Mac = std::array<uint8_t, 8>;

struct DeviceConfig {
    Mac mac{};
    int type = 7;              // 4 and 6 end devices, 7 router
    bool member = true;        // false: a candidate that joins only when admitted
    uint8_t lqi = 180;         // link quality reported in ping answers
    uint32_t report_s = 10;    // I/O report period in seconds, 0 for none
    uint16_t poll_ms = 2000;   // how long an end device sleeps between polls of its parent
    bool echo = false;         // answers every string it receives
    bool silent = false;       // joins, then never answers nor reports
};

struct Timing {
    uint32_t reply_ms = 20;          // the coordinator's own answers
    uint32_t ping_ms = 40;           // a router's answer over the air
    uint32_t join_delay_ms = 1500;   // from network start (or admission) to the first join
    uint32_t join_spacing_ms = 1200; // between two joins
    uint32_t restart_ms = 4000;      // from the restart notice to the coordinator's announce
};

struct Faults {
    uint32_t extra_delay_ms = 0;     // added to every answer
    uint32_t drop_every = 0;         // every Nth answer is lost (0: none)
    uint32_t garbage_every_ms = 0;   // stray bytes on the line this often (0: never)
    // CMD:11 requests left unanswered: the first N, or all of them when ignore_all_addr.
    uint32_t ignore_addr = 0;
    bool ignore_all_addr = false;
    bool silent_restart = false;     // comes back from a restart without announcing itself
    uint32_t burst_every_ms = 0;     // a device floods I/O reports this often (0: never)
    uint32_t burst_count = 40;       // reports per burst, 10 ms apart
};

// Unrest in the network, each kind this often in seconds (0: never), at seeded moments around
// that period: what a network left running for weeks goes through.
struct Churn {
    uint32_t rejoin_s = 0;        // a device comes back with a new short address
    uint32_t silence_s = 0;       // a device falls silent ...
    uint32_t silence_for_s = 7200;  // ... for this long, then carries on
    uint32_t swap_s = 0;          // two devices trade short addresses
    uint32_t stranger_s = 0;      // a device nobody configured announces itself and stays
    uint32_t talk_s = 0;          // a device sends a string unasked
    uint32_t restart_s = 0;       // the coordinator restarts on its own
};

struct SimConfig {
    Mac mac{};
    uint16_t pan = 0;
    uint8_t channel = 15;
    std::string version = "2.1";     // three characters
    uint32_t seed = 1;
    Timing timing;
    Faults faults;
    Churn churn;
    std::vector<DeviceConfig> devices;
};

struct ConfigError {
    int line = 0;          // 1-based; 0 for a problem with the file as a whole
    std::string message;
    std::string text() const;
};

// Parses a configuration; on failure `error` says what and where, and nothing is returned.
std::optional<SimConfig> parse_config(const std::string& text, ConfigError& error);
std::optional<SimConfig> load_config_file(const std::string& path, ConfigError& error);

// The network `make run` shows: routers, end devices, an echo device, a silent device and a
// candidate waiting to be admitted.
SimConfig demo_config();
const char* demo_config_text();

// "01:23:45:67:89:AB:CD:EF" or the 16 digits alone; blanks around it are ignored.
std::optional<Mac> parse_mac(const std::string& text);
std::string mac_text(const Mac& mac);

}  // namespace zbsim
