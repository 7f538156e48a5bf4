#pragma once
// A simulated coordinator on virtual time with everything it sends captured, stamped with the
// virtual time it was sent at.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/virtual_clock.h"
#include "sim/coordinator.h"
#include "sim/sim_config.h"

namespace zbsim_test {

// Bytes from a list of values, for byte-exact expectations.
inline std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(static_cast<uint8_t>(v));
    return s;
}

inline std::string hi_lo(uint16_t v) { return bytes({v >> 8, v & 0xFF}); }

// Router R (echo, reports every 5 s), end device E (sleeps 2.5 s, no reports), silent router S and
// candidate end device C. Joins begin 1 s after the start and follow 0.5 s apart.
inline const char* kTestNetwork =
    "coordinator mac=01:23:45:67:89:AB:CD:EF pan=1A2B channel=20 version=V42 seed=3\n"
    "timing reply=20 ping=40 join_delay=1000 join_spacing=500 restart=3000\n"
    "device mac=00:00:00:00:00:00:00:07 type=7 lqi=200 report=5 echo\n"
    "device mac=00:00:00:00:00:00:00:04 type=4 lqi=100 report=0 poll=2500\n"
    "device mac=00:00:00:00:00:00:00:09 type=7 silent\n"
    "device mac=00:00:00:00:00:00:00:0C type=6 candidate report=0\n";

inline const zbsim::Mac kCoord{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
inline const zbsim::Mac kRouter{0, 0, 0, 0, 0, 0, 0, 0x07};
inline const zbsim::Mac kEnd{0, 0, 0, 0, 0, 0, 0, 0x04};
inline const zbsim::Mac kSilent{0, 0, 0, 0, 0, 0, 0, 0x09};
inline const zbsim::Mac kCandidate{0, 0, 0, 0, 0, 0, 0, 0x0C};

inline std::string mac_bytes(const zbsim::Mac& m) { return std::string(m.begin(), m.end()); }

struct Sent {
    uint32_t at;
    std::string bytes;
    bool operator==(const Sent& o) const { return at == o.at && bytes == o.bytes; }
};

inline void PrintTo(const Sent& s, std::ostream* os) {
    *os << s.at << "ms:";
    for (unsigned char c : s.bytes) *os << ' ' << std::hex << static_cast<int>(c) << std::dec;
}

class SimTest : public ::testing::Test {
protected:
    platform::VirtualClock clock{0};
    std::unique_ptr<zbsim::Coordinator> sim;
    std::vector<Sent> sent;

    zbsim::SimConfig config(const std::string& extra_lines = "") {
        zbsim::ConfigError err;
        auto c = zbsim::parse_config(std::string(kTestNetwork) + extra_lines, err);
        EXPECT_TRUE(c) << err.text();
        return c ? *c : zbsim::SimConfig{};
    }

    void start(const zbsim::SimConfig& c) {
        sim = std::make_unique<zbsim::Coordinator>(c);
        sim->set_sink([this](const std::string& b) { sent.push_back({clock.now_ms(), b}); });
    }
    void start(const std::string& extra_lines = "") { start(config(extra_lines)); }

    void host(const std::string& text) { sim->receive(text); }

    // What was sent during the next `ms` of virtual time, with times relative to now.
    std::vector<Sent> within(uint32_t ms) {
        sent.clear();
        uint32_t t0 = clock.now_ms();
        clock.advance(ms);
        std::vector<Sent> out = sent;
        for (auto& s : out) s.at -= t0;
        sent.clear();
        return out;
    }

    // The same without the devices' periodic I/O reports.
    std::vector<Sent> within_no_reports(uint32_t ms) {
        std::vector<Sent> out;
        for (const auto& s : within(ms))
            if (s.bytes[0] != 0x08) out.push_back(s);
        return out;
    }

    uint16_t short_of(const zbsim::Mac& mac) { return sim->device_by_mac(mac)->short_addr; }
    std::string short_text(const zbsim::Mac& mac) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04X", short_of(mac));
        return buf;
    }

    // Starts the network and lets the three members join.
    void start_network() {
        host("CMD:04;");
        clock.advance(2100);
        sent.clear();
    }
};

}  // namespace zbsim_test
