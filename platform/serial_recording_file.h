#pragma once
// The serial recording's file format, both ways: what the recorder writes line by line, and the reader
// that turns a file back into events for the simulator's replay and the monitor's printout. The format
// itself is described for people in docs/serial-recording.md.
#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace platform::recording {

constexpr const char* kMagic = "serial-recording";
constexpr int kFormatVersion = 1;
// A longer read or write is written as several lines with the same time, so no line grows without bound.
constexpr size_t kMaxBytesPerLine = 4096;

struct Event {
    enum class Kind { Open, Close, Sent, Received, Failed, Stop };
    uint64_t us = 0;     // since the start of the recording
    Kind kind = Kind::Sent;
    std::string bytes;   // Sent, Received: the bytes on the line
    std::string text;    // Open: the port settings; Failed: what failed; Stop: why
};

struct Recording {
    int version = 0;
    std::string program;  // name and version of the program that recorded
    std::string start;    // when it started, UTC
    std::vector<Event> events;  // the stop line, when there is one, last
    bool stopped = false;       // ends with its stop line (else the writer was cut short)
};

// What the reader found. A file that is not a recording of a version this program reads is refused
// (`error`); damage inside a usable one is skipped line by line and said in `warnings`.
struct ReadOutcome {
    bool usable = false;
    std::string error;
    std::vector<std::string> warnings;
};

ReadOutcome read_recording(std::istream& in, Recording& out);
// The same for a file; messages begin with the path.
ReadOutcome load_recording(const std::string& path, Recording& out);

// Appends one event's line, without its end, to `line`: "1234 TX 43 4D 44 3A 31 31 3B". `payload`
// is the bytes of TX and RX (at most kMaxBytesPerLine), the text of the others.
void append_event_line(std::string& line, uint64_t us, Event::Kind kind, std::string_view payload);
// The three header lines, each ended.
std::string header_lines(const std::string& program, const std::string& start);

}  // namespace platform::recording
