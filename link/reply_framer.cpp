#include "link/reply_framer.h"

#include <array>

#include "link/reply_hunt.h"

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

// Dropped: the reply can never complete, and its characters may hold the start of the next one.
// It is dropped one character after its length, where a long I/O report shows its 'H'.
enum class Outcome { Waiting, Complete, Dropped };

// One character into the reply being assembled.
Outcome take(RxFraming& rx, char c) {
    std::string& buf = rx.RxBuffer;
    if (buf.empty()) {
        const auto first = static_cast<uint8_t>(c);
        rx.InDataFrame = first == kDataFrameStart;
        if (kLengths[first] != 0) rx.ExpectedLen = kLengths[first];
    }
    buf.push_back(c);
    const size_t size = buf.size();

    if (rx.InDataFrame) {
        if (size == 4) rx.DataLen = static_cast<uint8_t>(c);
        // Before the length byte DataLen + 5 is still above the size, whatever it holds.
        const size_t len = static_cast<size_t>(rx.DataLen) + 5;
        if (size < len) return Outcome::Waiting;
        if (size == len && c == ';') return Outcome::Complete;
        return size > len ? Outcome::Dropped : Outcome::Waiting;
    }
    const auto len = static_cast<size_t>(rx.ExpectedLen);
    if (size < len) return Outcome::Waiting;
    if (size == len && c == ';') return Outcome::Complete;
    if (rx.ExpectedLen == kIoReportLen && size > len && buf[kLongIoReportLen - 2] == kLongIoReportMark)
        return size == kLongIoReportLen ? Outcome::Complete : Outcome::Waiting;
    return len == 0 || size > len ? Outcome::Dropped : Outcome::Waiting;
}

void hand_over(RxFraming& rx, const ReplySink& on_reply) {
    std::string reply = std::move(rx.RxBuffer);
    rx.RxBuffer.clear();
    rx.InDataFrame = false;
    on_reply(std::move(reply));
}

}  // namespace

int16_t reply_length_for(uint8_t first) { return kLengths[first]; }

void frame_chars(RxFraming& rx, std::string_view chars, const ReplySink& on_reply) {
    for (char c : chars) {
        if (rx.Hunting) {
            hunt_char(rx, c, on_reply);
            continue;
        }
        switch (take(rx, c)) {
            case Outcome::Waiting: break;
            case Outcome::Complete:
                // An unrecognised first byte only borrowed its length: it may as well be a noise
                // byte ahead of whole replies.
                if (!rx.InDataFrame && kLengths[static_cast<uint8_t>(rx.RxBuffer[0])] == 0)
                    begin_hunt(rx, on_reply, true);
                else
                    hand_over(rx, on_reply);
                break;
            case Outcome::Dropped: begin_hunt(rx, on_reply); break;
        }
    }
}

void abandon_reply(RxFraming& rx, const ReplySink& on_reply) {
    // What never closed may still hold whole replies: a noise byte in a data frame's header makes it
    // wait for more characters than the replies behind it take.
    if (!rx.RxBuffer.empty()) begin_hunt(rx, on_reply);
    end_hunt(rx, on_reply);
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
