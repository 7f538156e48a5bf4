#include "platform/serial_recording_file.h"

#include <array>
#include <fstream>
#include <utility>

namespace platform::recording {

namespace {

using Kind = Event::Kind;

constexpr std::array<std::pair<Kind, const char*>, 6> kKindWords{{{Kind::Open, "open"},
                                                                  {Kind::Close, "close"},
                                                                  {Kind::Sent, "TX"},
                                                                  {Kind::Received, "RX"},
                                                                  {Kind::Failed, "fail"},
                                                                  {Kind::Stop, "stop"}}};
// Microseconds in 18 digits last some 31000 years: more digits can only be damage.
constexpr size_t kMaxTimeDigits = 18;
constexpr size_t kMaxTextField = 200;

const char* word_of(Kind k) {
    for (const auto& [kind, word] : kKindWords)
        if (kind == k) return word;
    return "?";
}

bool kind_of(const std::string& word, Kind& k) {
    for (const auto& [kind, w] : kKindWords)
        if (word == w) {
            k = kind;
            return true;
        }
    return false;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// "43 4D 3B" -> bytes; empty `why` on success.
std::string parse_hex(const std::string& text, std::string& bytes) {
    bytes.clear();
    if (text.empty()) return "no bytes";
    if ((text.size() + 1) % 3 != 0) return "bytes are not two hex digits each, one blank apart";
    if ((text.size() + 1) / 3 > kMaxBytesPerLine) return "more than " + std::to_string(kMaxBytesPerLine) + " bytes";
    for (size_t i = 0; i < text.size(); i += 3) {
        const int hi = hex_digit(text[i]);
        const int lo = hex_digit(text[i + 1]);
        if (hi < 0 || lo < 0 || (i + 2 < text.size() && text[i + 2] != ' '))
            return "bytes are not two hex digits each, one blank apart";
        bytes += static_cast<char>(hi * 16 + lo);
    }
    return {};
}

bool printable_text(const std::string& text) {
    if (text.size() > kMaxTextField) return false;
    for (unsigned char c : text)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

// One event line; empty `why` on success.
std::string parse_event(const std::string& line, uint64_t previous_us, Event& e) {
    size_t digits = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
    if (digits == 0 || digits > kMaxTimeDigits || digits >= line.size() || line[digits] != ' ')
        return "no time in microseconds at its start";
    e.us = std::stoull(line.substr(0, digits));
    if (e.us < previous_us) return "its time goes back before the line above";
    const size_t word_end = line.find(' ', digits + 1);
    const std::string word = line.substr(digits + 1, word_end == std::string::npos ? std::string::npos : word_end - digits - 1);
    if (!kind_of(word, e.kind)) return "'" + word.substr(0, 20) + "' is not an event of this format";
    const std::string rest = word_end == std::string::npos ? std::string() : line.substr(word_end + 1);
    e.bytes.clear();
    e.text.clear();
    switch (e.kind) {
        case Kind::Sent:
        case Kind::Received:
            return parse_hex(rest, e.bytes);
        case Kind::Close:
            return rest.empty() ? std::string() : "close takes nothing after it";
        case Kind::Open:
        case Kind::Failed:
        case Kind::Stop:
            if (!printable_text(rest)) return "its text is not plain printable text";
            e.text = rest;
            return {};
    }
    return "unknown event";
}

std::string header_value(const std::string& line, const std::string& key) {
    return line.compare(0, key.size() + 1, key + " ") == 0 ? line.substr(key.size() + 1) : std::string();
}

}  // namespace

void append_event_line(std::string& line, uint64_t us, Kind kind, std::string_view payload) {
    static const char digits[] = "0123456789ABCDEF";
    line += std::to_string(us);
    line += ' ';
    line += word_of(kind);
    if (kind == Kind::Sent || kind == Kind::Received) {
        for (char c : payload) {
            const auto b = static_cast<unsigned char>(c);
            line += ' ';
            line += digits[b >> 4];
            line += digits[b & 0x0F];
        }
    } else if (!payload.empty()) {
        line += ' ';
        line += payload;
    }
}

std::string header_lines(const std::string& program, const std::string& start) {
    return std::string(kMagic) + " " + std::to_string(kFormatVersion) + "\nprogram " + program + "\nstart " + start +
           "\n";
}

ReadOutcome read_recording(std::istream& in, Recording& out) {
    ReadOutcome r;
    out = Recording{};
    std::string line;
    size_t n = 0;
    auto next_line = [&](bool& ended) {
        ended = static_cast<bool>(std::getline(in, line));
        if (ended) ++n;
        return ended && !in.eof();  // a last line without its line end was cut while being written
    };
    bool got = false;
    if (!next_line(got)) {
        r.error = got ? "cut short in its first line: not a usable serial recording"
                      : "empty file: not a serial recording";
        return r;
    }
    const std::string version = header_value(line, kMagic);
    if (version.empty() || version.size() > 6 || version.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(version) == 0) {
        r.error = std::string("not a serial recording: its first line is not '") + kMagic + " " +
                  std::to_string(kFormatVersion) + "'";
        return r;
    }
    out.version = std::stoi(version);
    if (out.version > kFormatVersion) {
        r.error = "recording format version " + version + " is newer than this program reads (" +
                  std::to_string(kFormatVersion) + "); read it with a newer release";
        return r;
    }
    for (const char* key : {"program", "start"}) {
        if (!next_line(got) || header_value(line, key).empty()) {
            r.error = "line " + std::to_string(n + (got ? 0 : 1)) + ": the header's '" + key + "' line is " +
                      (got ? "damaged" : "missing");
            return r;
        }
        (key[0] == 'p' ? out.program : out.start) = header_value(line, key);
    }
    r.usable = true;
    uint64_t previous_us = 0;
    for (;;) {
        const bool whole = next_line(got);
        if (!got) break;
        const std::string where = "line " + std::to_string(n) + ": ";
        if (!whole) {
            r.warnings.push_back(where + "incomplete (the writer stopped while writing it); skipped");
            break;
        }
        if (out.stopped) {
            r.warnings.push_back(where + "after the stop line; skipped");
            continue;
        }
        Event e;
        const std::string why = parse_event(line, previous_us, e);
        if (!why.empty()) {
            r.warnings.push_back(where + why + "; skipped");
            continue;
        }
        previous_us = e.us;
        out.stopped = e.kind == Kind::Stop;
        out.events.push_back(std::move(e));
    }
    if (!out.stopped)
        r.warnings.push_back("no stop line: the recording was cut short (its writer was killed or crashed); "
                             "what it holds up to line " + std::to_string(n) + " is used");
    return r;
}

ReadOutcome load_recording(const std::string& path, Recording& out) {
    std::ifstream in(path, std::ios::binary);
    ReadOutcome r;
    if (!in) {
        r.error = path + ": cannot be opened for reading";
        return r;
    }
    r = read_recording(in, out);
    if (!r.error.empty()) r.error = path + ": " + r.error;
    for (std::string& w : r.warnings) w = path + ": " + w;
    return r;
}

}  // namespace platform::recording
