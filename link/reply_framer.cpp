#include "link/reply_framer.h"

#include <array>

namespace brivola {

namespace {

constexpr std::array<int16_t, 256> make_length_table() {
    std::array<int16_t, 256> t{};
    for (int b : {0x01, 0x03, 0x04, 0x0A}) t[b] = b == 0x0A ? 18 : 6;
    for (int b : {0x05, 0x17, 0x21}) t[b] = 4;
    t[0x06] = 13;
    t[0x07] = 10;
    t[0x08] = 17;
    for (int b : {0x09, 0x11, 0x15, 0x19, 0x20}) t[b] = 5;
    t[0x00] = t[0xCC] = 13;
    t[0x13] = 2;
    for (int b = 0x30; b <= 0x39; ++b) t[b] = 2;
    for (int b = 0x40; b <= 0x49; ++b) t[b] = 2;
    for (int b = 0x50; b <= 0x54; ++b) t[b] = 2;
    return t;
}

constexpr std::array<int16_t, 256> kLengths = make_length_table();

// An I/O report may come with two extra characters, flagged by an 'H' at position 18.
constexpr int16_t kIoReportLen = 17;
constexpr size_t kLongIoReportLen = 19;
constexpr char kLongIoReportMark = 'H';

bool ends_at(const std::string& buf, size_t len) { return buf.size() == len && buf.back() == ';'; }

bool complete(RxFraming& rx, std::string& reply) {
    reply = std::move(rx.RxBuffer);
    rx.RxBuffer.clear();
    rx.InDataFrame = false;
    return true;
}

}  // namespace

int16_t reply_length_for(uint8_t first) { return kLengths[first]; }

bool frame_char(RxFraming& rx, char c, std::string& reply) {
    if (rx.RxBuffer.size() >= kLongestReply) return false;
    if (rx.RxBuffer.empty()) rx.InDataFrame = false;
    rx.RxBuffer.push_back(c);
    const std::string& buf = rx.RxBuffer;

    if (buf.size() == 1) {
        const auto first = static_cast<uint8_t>(c);
        if (first == kDataFrameStart) {
            rx.InDataFrame = true;
        } else if (kLengths[first] != 0) {
            rx.ExpectedLen = kLengths[first];
        }
    }

    if (rx.InDataFrame) {
        if (buf.size() == 4) rx.DataLen = static_cast<uint8_t>(buf[3]);
        if (ends_at(buf, static_cast<size_t>(rx.DataLen) + 5)) return complete(rx, reply);
        return false;
    }
    if (ends_at(buf, static_cast<size_t>(rx.ExpectedLen))) return complete(rx, reply);
    if (rx.ExpectedLen == kIoReportLen && buf.size() == kLongIoReportLen && buf[17] == kLongIoReportMark)
        return complete(rx, reply);
    return false;
}

void abandon_reply(RxFraming& rx) {
    rx.RxBuffer.clear();
    rx.InDataFrame = false;
}

std::string BytesToHex(const std::string& twoBytes) {
    if (twoBytes.empty()) return {};
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < 2 && i < twoBytes.size(); ++i) {
        const auto b = static_cast<uint8_t>(twoBytes[i]);
        out += digits[b >> 4];
        out += digits[b & 0x0F];
    }
    return out;
}

}  // namespace brivola
