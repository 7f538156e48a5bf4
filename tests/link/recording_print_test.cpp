#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "tools/brivola-monitor/recording_print.h"

using platform::recording::Event;

namespace {

// The printed times are local: pin the zone so that they are the same on every machine.
const bool kUtc = [] {
    setenv("TZ", "UTC", 1);
    tzset();
    return true;
}();

std::vector<std::string> printed(const std::vector<Event>& events, const std::string& start) {
    platform::recording::Recording r;
    r.start = start;
    r.events = events;
    std::vector<std::string> out;
    monitor::print_recording(r, [&out](const std::string& l) { out.push_back(l); });
    return out;
}

}  // namespace

TEST(RecordingPrint, shows_the_log_lines_of_the_program_with_exact_times) {
    ASSERT_TRUE(kUtc);
    using K = Event::Kind;
    const std::string report = std::string("\x08\x1A\x2B") + std::string(13, '\x01') + ";";
    const std::vector<Event> events = {
        {0, K::Open, {}, "port=7 line=38400,n,8,1 handshaking=2 rts=1"},
        {1500, K::Sent, "CMD:11;", {}},
        // A reply read in two pieces shows once, at the time it was complete.
        {21000, K::Received, std::string("\x07\x00\x13", 3), {}},
        {22500, K::Received, std::string("\xA2\x00\x40\x5A\xC0\x01;", 7), {}},
        // A device's string, then an I/O report.
        {30000, K::Received, std::string("\x02\x1A\x2B\x03" "a\rb;", 8), {}},
        {40000, K::Received, report, {}},
        // Half a reply, then silence: the link gives up on it and the next byte starts afresh.
        {50000, K::Received, std::string("\x07\x00", 2), {}},
        {400000, K::Received, "0;", {}},
        {400100, K::Failed, {}, "read"},
        {400200, K::Close, {}, {}},
        {2000000, K::Stop, {}, "size-limit"},
    };
    EXPECT_EQ(printed(events, "2026-12-08T16:40:59.999000Z"),
              (std::vector<std::string>{
                  "16:40:59.999000--> (port opened: port=7 line=38400,n,8,1 handshaking=2 rts=1)",
                  "16:41:00.000500--> TX: CMD:11;",
                  "16:41:00.021500--> RX: 07-00-13-A2-00-40-5A-C0-01-3B",
                  "16:41:00.029000--> RX FROM: 1A2B DATA: a\\x0Db",
                  "16:41:00.039000--> RX: 08-1A-2B-01-01-01-01-01-01-01-01-01-01-01-01-01-3B",
                  "16:41:00.399000--> RX: 30-3B",
                  "16:41:00.399100--> (failed: read)",
                  "16:41:00.399200--> (port closed)",
                  "16:41:01.999000--> (recording stopped: size-limit)",
              }));
}

TEST(RecordingPrint, times_fall_back_to_seconds_from_the_start_when_the_start_cannot_be_read) {
    const std::vector<Event> events = {{61000001, Event::Kind::Sent, "CMD:04;", {}}};
    for (const std::string start : {"", "yesterday", "2026-12-08T16:40:59Z", "2026-13-08T16:40:59.000000Z"})
        EXPECT_EQ(printed(events, start), std::vector<std::string>{"+61.000001--> TX: CMD:04;"}) << start;
}
