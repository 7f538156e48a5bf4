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

bool can_begin_reply(uint8_t b) { return b == kDataFrameStart || kLengths[b] != 0; }

// Dropped: the reply can never complete, and its characters may hold the start of the next one.
// Overlong: it closed one character late, as a reply with one noise byte inside it does.
enum class Outcome { Waiting, Complete, Dropped, Overlong };

// Past the place where the ";" was due. A reply that began in step with the line and closes one
// character late most likely had a noise byte fall into it; one found while hunting may be a false
// start.
Outcome past_its_length(const RxFraming& rx, char c, size_t size, size_t len) {
    if (size == len) return Outcome::Waiting;
    return c == ';' && !rx.Hunting ? Outcome::Overlong : Outcome::Dropped;
}

// One character into the reply being assembled.
Outcome take(RxFraming& rx, char c) {
    std::string& buf = rx.RxBuffer;
    if (buf.empty()) {
        const auto first = static_cast<uint8_t>(c);
        // While hunting, characters that cannot begin a reply are skipped: they are what is left of
        // the reply the noise fell into.
        if (rx.Hunting && !can_begin_reply(first)) return Outcome::Waiting;
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
        return past_its_length(rx, c, size, len);
    }
    const auto len = static_cast<size_t>(rx.ExpectedLen);
    if (size < len) return Outcome::Waiting;
    if (size == len && c == ';') return Outcome::Complete;
    if (rx.ExpectedLen == kIoReportLen && size > len && buf[kLongIoReportLen - 2] == kLongIoReportMark)
        return size == kLongIoReportLen ? Outcome::Complete : Outcome::Waiting;
    if (len == 0) return Outcome::Dropped;
    return past_its_length(rx, c, size, len);
}

// Whether the characters after the first begin with a whole reply: then the first was the noise,
// arriving just ahead of the replies that follow it.
bool rest_begins_with_a_reply(const std::string& buf) {
    const auto first = static_cast<uint8_t>(buf[1]);
    size_t len = static_cast<size_t>(kLengths[first]);
    if (first == kDataFrameStart) len = buf.size() > 4 ? static_cast<uint8_t>(buf[4]) + 5u : 0;
    return len != 0 && len < buf.size() && buf[len] == ';';
}

void hand_over(RxFraming& rx, const ReplySink& on_reply) {
    std::string reply = std::move(rx.RxBuffer);
    rx.RxBuffer.clear();
    rx.InDataFrame = false;
    rx.Hunting = false;
    on_reply(std::move(reply));
}

void start_hunting(RxFraming& rx) {
    rx.RxBuffer.clear();
    rx.InDataFrame = false;
    rx.Hunting = true;
}

// A reply that closed one character late: one noise byte inside it costs that reply alone, unless
// the noise came first, and then the rest must be framed again. True when it was dropped alone.
bool dropped_alone(RxFraming& rx) {
    if (rest_begins_with_a_reply(rx.RxBuffer)) return false;
    start_hunting(rx);
    return true;
}

// The characters in `rx.RxBuffer` cannot be a reply: frame them again from the second, hunting for a
// byte that can begin one. Each drop inside the replay starts again one character after the dropped
// reply's first, so the replay ends.
void replay_dropped(RxFraming& rx, const ReplySink& on_reply) {
    std::string& replay = rx.Replay;
    replay.assign(rx.RxBuffer, 1);
    start_hunting(rx);
    for (size_t i = 0; i < replay.size();) {
        switch (take(rx, replay[i++])) {
            case Outcome::Waiting: break;
            case Outcome::Complete: hand_over(rx, on_reply); break;
            case Outcome::Overlong:
                if (dropped_alone(rx)) break;
                [[fallthrough]];
            case Outcome::Dropped:
                i = i - rx.RxBuffer.size() + 1;
                start_hunting(rx);
                break;
        }
    }
}

}  // namespace

int16_t reply_length_for(uint8_t first) { return kLengths[first]; }

void frame_chars(RxFraming& rx, std::string_view chars, const ReplySink& on_reply) {
    for (char c : chars) {
        switch (take(rx, c)) {
            case Outcome::Waiting: break;
            case Outcome::Complete: hand_over(rx, on_reply); break;
            case Outcome::Overlong:
                if (dropped_alone(rx)) break;
                [[fallthrough]];
            case Outcome::Dropped: replay_dropped(rx, on_reply); break;
        }
    }
}

void abandon_reply(RxFraming& rx) {
    rx.RxBuffer.clear();
    rx.InDataFrame = false;
    rx.Hunting = false;
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
