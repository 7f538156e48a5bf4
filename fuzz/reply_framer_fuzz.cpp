// The reply framer and its hunt after noise, on any byte stream: cutting the stream anywhere changes
// nothing, every reply handed over is one the framing rules allow and was received in that order,
// what is held stays bounded, and a stream of well-formed replies comes out exactly as it went in.
#include <string>
#include <vector>

#include "fuzz/fuzz_target.h"
#include "link/reply_framer.h"

namespace {

using brivola::RxFraming;

std::vector<std::string> frame_whole(std::string_view stream) {
    RxFraming rx;
    std::vector<std::string> out;
    const brivola::ReplySink sink = [&out](std::string&& r) { out.push_back(std::move(r)); };
    brivola::frame_chars(rx, stream, sink);
    brivola::abandon_reply(rx, sink);
    return out;
}

// Cut at places drawn from the stream itself, checking what is held after every piece.
std::vector<std::string> frame_in_pieces(std::string_view stream, uint32_t seed) {
    RxFraming rx;
    std::vector<std::string> out;
    const brivola::ReplySink sink = [&out](std::string&& r) { out.push_back(std::move(r)); };
    while (!stream.empty()) {
        seed = seed * 1103515245u + 12345u;
        const size_t piece = 1 + (seed >> 16) % 23;
        brivola::frame_chars(rx, stream.substr(0, piece), sink);
        stream.remove_prefix(std::min(piece, stream.size()));
        FUZZ_CHECK(brivola::chars_held(rx) <= brivola::kLongestHunt);
    }
    brivola::abandon_reply(rx, sink);
    return out;
}

bool allowed_shape(const std::string& r) {
    if (r.size() < brivola::kShortestReply || r.size() > brivola::kLongestReply) return false;
    const auto first = static_cast<uint8_t>(r[0]);
    if (first == brivola::kDataFrameStart)
        return r.size() > 4 && static_cast<uint8_t>(r[3]) + 5u == r.size() && r.back() == ';';
    const auto len = static_cast<size_t>(brivola::reply_length_for(first));
    // An unrecognised first byte that borrowed the I/O report's length may take its long form too.
    const bool may_be_long = len == static_cast<size_t>(brivola::kIoReportLen) || len == 0;
    if (may_be_long && r.size() == brivola::kLongIoReportLen && r[brivola::kLongIoReportLen - 2] == brivola::kLongIoReportMark)
        return true;
    if (r.back() != ';') return false;
    // An unrecognised first byte borrows the length of a recognised reply: one of the known lengths.
    if (len == 0) {
        for (int b = 0; b < 256; ++b)
            if (brivola::reply_length_for(static_cast<uint8_t>(b)) == static_cast<int16_t>(r.size())) return true;
        return false;
    }
    return r.size() == len;
}

const uint8_t kTextFirsts[] = {0x00, 0x01, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x11, 0x13,
                               0x15, 0x17, 0x19, 0x20, 0x21, 0x30, 0x39, 0x40, 0x49, 0x50, 0x54, 0xCC};

// Well-formed replies built from the input: a kind byte, then the reply's own bytes.
std::vector<std::string> clean_replies(fuzz::Input in) {
    std::vector<std::string> replies;
    while (!in.empty()) {
        const uint8_t kind = in.byte();
        std::string r;
        if (kind % 4 == 0) {
            r = std::string(1, '\x02') + std::string(in.take(2));
            r.resize(3, 'a');
            const std::string data(in.take(in.byte()));
            r += static_cast<char>(data.size());
            r += data + ";";
        } else {
            const uint8_t first = kTextFirsts[kind % sizeof kTextFirsts];
            const auto len = static_cast<size_t>(brivola::reply_length_for(first));
            const bool long_report = len == static_cast<size_t>(brivola::kIoReportLen) && (kind & 0x80);
            const size_t total = long_report ? brivola::kLongIoReportLen : len;
            r = std::string(1, static_cast<char>(first)) + std::string(in.take(total - 1));
            r.resize(total, 'x');
            if (long_report) {
                if (r[len - 1] == ';') r[len - 1] = ':';
                r[brivola::kLongIoReportLen - 2] = brivola::kLongIoReportMark;
            } else {
                r.back() = ';';
            }
        }
        replies.push_back(r);
    }
    return replies;
}

}  // namespace

FUZZ_TARGET(reply_framer) {
    const std::string_view stream(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> whole = frame_whole(stream);
    const uint32_t seed = size ? static_cast<uint8_t>(stream[0]) * 257u + static_cast<uint8_t>(stream.back()) : 0u;
    FUZZ_CHECK(frame_in_pieces(stream, seed) == whole);

    size_t from = 0;
    for (const std::string& r : whole) {
        FUZZ_CHECK(allowed_shape(r));
        // A data frame's sender: its two address bytes as four hexadecimal digits, in the order received.
        if (r[0] == static_cast<char>(brivola::kDataFrameStart)) {
            const std::string address = brivola::BytesToHex(r.substr(1, 2));
            FUZZ_CHECK(address.size() == 4 && std::stoi(address, nullptr, 16) == static_cast<uint8_t>(r[1]) * 256 + static_cast<uint8_t>(r[2]));
            FUZZ_CHECK(address.find_first_not_of("0123456789ABCDEF") == std::string::npos);
        }
        const size_t at = stream.find(r, from);
        FUZZ_CHECK(at != std::string_view::npos);
        from = at + r.size();
    }

    const std::vector<std::string> sent = clean_replies(fuzz::Input(data, size));
    std::string line;
    for (const std::string& r : sent) line += r;
    FUZZ_CHECK(frame_whole(line) == sent);
}
