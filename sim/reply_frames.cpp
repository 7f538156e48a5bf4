#include "sim/reply_frames.h"

#include <cstdio>

namespace zbsim::frames {

namespace {

char byte(unsigned v) { return static_cast<char>(static_cast<uint8_t>(v)); }

std::string word(uint16_t v) { return {byte(v >> 8), byte(v & 0xFF)}; }

std::string mac_bytes(const Mac& mac) { return std::string(mac.begin(), mac.end()); }

// The host reads the type byte's hexadecimal text as a decimal number, so type 7 travels as 0x07
// and a two-digit type would travel as its digits in the two nibbles.
char type_byte(int type) { return byte(static_cast<unsigned>((type / 10) * 16 + type % 10)); }

}  // namespace

std::string coordinator_address(const Mac& mac) { return byte(0x07) + mac_bytes(mac) + ";"; }

std::string pan_info(uint8_t channel, uint16_t pan) { return std::string{byte(0x11), byte(channel)} + word(pan) + ";"; }

std::string address_answer(const Mac& mac, uint16_t short_addr, int type) {
    return byte(0x06) + mac_bytes(mac) + word(short_addr) + type_byte(type) + ";";
}

std::string version(const std::string& three_chars) { return byte(0x09) + three_chars.substr(0, 3) + ";"; }

// The fifth byte is a status, always 0 (success): a device that fails to answer simply stays silent.
std::string ping_answer(uint8_t lqi, uint16_t short_addr) {
    return std::string{byte(0x04), byte(lqi)} + word(short_addr) + byte(0) + ";";
}

std::string keep_alive_ack(uint16_t short_addr) { return byte(0x17) + word(short_addr) + ";"; }

std::string poll_rate_ack(uint16_t short_addr) { return byte(0x19) + word(short_addr) + byte(0) + ";"; }

std::string announce(uint8_t code, uint16_t short_addr, const Mac& mac, int type) {
    return byte(code) + word(short_addr) + mac_bytes(mac) + type_byte(type) + ";";
}

std::string io_report(uint16_t short_addr, const IoValues& v) {
    std::string r = byte(0x08) + word(short_addr) + word(v.battery_mv) + word(v.temp_raw);
    for (uint16_t a : v.analog) r += word(a);
    return r + byte(v.bitmap) + ";";
}

std::string data_frame(uint16_t short_addr, const std::string& data) {
    std::string d = data.substr(0, 255);
    return byte(0x02) + word(short_addr) + byte(static_cast<unsigned>(d.size())) + d + ";";
}

std::string hex_dash(const std::string& bytes) {
    static const char* kHex = "0123456789ABCDEF";
    std::string s;
    for (unsigned char c : bytes) {
        if (!s.empty()) s += '-';
        s += kHex[c >> 4];
        s += kHex[c & 15];
    }
    return s;
}

std::string printable(const std::string& bytes) {
    std::string s;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            s += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            s += buf;
        }
    }
    return s;
}

}  // namespace zbsim::frames
