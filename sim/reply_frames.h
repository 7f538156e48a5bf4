#pragma once
// The coordinator's replies as bytes on the wire. Each reply's first byte fixes its total length and
// the last byte is ";"; 16-bit values go high byte first.
#include <array>
#include <cstdint>
#include <string>

#include "sim/sim_config.h"

namespace zbsim::frames {

// Announce codes: a device joining for the first time, and one coming back (rejoin).
constexpr uint8_t kJoin = 0x00;
constexpr uint8_t kRejoin = 0xCC;
constexpr int kCoordinatorType = 9;

struct IoValues {
    uint16_t battery_mv = 0;
    uint16_t temp_raw = 0;
    std::array<uint16_t, 4> analog{};
    uint8_t bitmap = 0;
};

std::string coordinator_address(const Mac& mac);                      // 0x07, 10 bytes
std::string pan_info(uint8_t channel, uint16_t pan);                   // 0x11, 5
std::string address_answer(const Mac& mac, uint16_t short_addr, int type);  // 0x06, 13
std::string version(const std::string& three_chars);                  // 0x09, 5
std::string ping_answer(uint8_t lqi, uint16_t short_addr);            // 0x04, 6
std::string keep_alive_ack(uint16_t short_addr);                      // 0x17, 4
std::string poll_rate_ack(uint16_t short_addr);                       // 0x19, 5
std::string announce(uint8_t code, uint16_t short_addr, const Mac& mac, int type);  // 13
std::string io_report(uint16_t short_addr, const IoValues& v);        // 0x08, 17
std::string data_frame(uint16_t short_addr, const std::string& data); // 0x02, data cut to 255

// One-byte replies.
inline std::string ack() { return "0;"; }
inline std::string delivered() { return "8;"; }
inline std::string not_delivered() { return "4;"; }
inline std::string restarting() { return "F;"; }

// Bytes as upper-case hexadecimal pairs joined by "-", for the traffic log.
std::string hex_dash(const std::string& bytes);
// Commands are text, but noise and device strings are not: anything unprintable shows as \xNN.
std::string printable(const std::string& bytes);

}  // namespace zbsim::frames
