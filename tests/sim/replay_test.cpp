#include <gtest/gtest.h>

#include <utility>

#include "platform/virtual_clock.h"
#include "sim/replay.h"

using platform::recording::Event;

namespace {

using Sent = std::pair<uint32_t, std::string>;  // virtual ms, bytes
using Host = std::vector<std::pair<uint32_t, std::string>>;

const std::string kAddr("\x07\x00\x13\xA2\x00\x40\x5A\xC0\x01;", 10);

// A host that asks for the address, pings, starts the network, locks it and asks the version; the
// coordinator sends some noise before anything, a reply in two pieces and an acknowledgement unasked.
platform::recording::Recording recorded() {
    platform::recording::Recording r;
    r.version = 1;
    const auto tx = [&r](uint64_t us, const std::string& b) { r.events.push_back({us, Event::Kind::Sent, b, {}}); };
    const auto rx = [&r](uint64_t us, const std::string& b) { r.events.push_back({us, Event::Kind::Received, b, {}}); };
    r.events.push_back({0, Event::Kind::Open, {}, "port=7"});
    rx(1000, "Z;");
    tx(100000, "CMD:11;");
    rx(120000, kAddr.substr(0, 4));
    rx(121000, kAddr.substr(4));
    rx(500000, "0;");
    tx(600000, "CMD:0E:1A2B;");
    rx(640000, "PING1");
    tx(700000, "CMD:04;");
    rx(720000, "0;");
    tx(800000, "CMD:0A:0;");
    tx(900000, "CMD:13;");
    rx(920000, "V");
    r.events.push_back({950000, Event::Kind::Stop, {}, "end"});
    return r;
}

const Host kOnTime = {{100, "CMD:11;"}, {600, "CMD:0E:1A2B;"}, {700, "CMD:04;"}, {800, "CMD:0A:0;"}, {900, "CMD:13;"}};

}  // namespace

TEST(Replay, answers_each_command_when_it_comes_and_reports_where_the_host_departs) {
    struct Case {
        const char* name;
        Host host;
        std::vector<Sent> sent;
        std::vector<std::string> departures;
        bool finished;
    };
    const std::vector<Case> cases = {
        {"on time", kOnTime,
         {{1, "Z;"}, {120, kAddr.substr(0, 4)}, {121, kAddr.substr(4)}, {500, "0;"}, {640, "PING1"}, {720, "0;"}, {920, "V"}},
         {}, true},
        {"slower: replies wait for their commands, unasked ones keep their distance",
         {{300, "CMD:11;"}, {1000, "CMD:0E:1A2B;"}, {1100, "CMD:04;"}, {1200, "CMD:0A:0;"}, {1300, "CMD:13;"}},
         {{1, "Z;"}, {320, kAddr.substr(0, 4)}, {321, kAddr.substr(4)}, {700, "0;"}, {1040, "PING1"}, {1120, "0;"}, {1320, "V"}},
         {}, true},
        {"faster, in pieces: nothing overtakes what came before it",
         {{10, "CMD:1"}, {11, "1;CMD:0E:1A2B;CMD:04;"}, {60, "CMD:0A:0;CMD:13;"}},
         {{1, "Z;"}, {31, kAddr.substr(0, 4)}, {32, kAddr.substr(4)}, {411, "0;"}, {411, "PING1"}, {411, "0;"}, {411, "V"}},
         {}, true},
        {"a command that differs is answered as recorded",
         {{100, "CMD:11;"}, {600, "CMD:0E:9999;"}, {700, "CMD:04;"}, {800, "CMD:0A:0;"}, {900, "CMD:13;"}},
         {{1, "Z;"}, {120, kAddr.substr(0, 4)}, {121, kAddr.substr(4)}, {500, "0;"}, {640, "PING1"}, {720, "0;"}, {920, "V"}},
         {"command 2 differs: recorded CMD:0E:1A2B;, received CMD:0E:9999;; answered as recorded"}, true},
        {"a missing command is reported once a later one comes",
         {{100, "CMD:11;"}, {600, "CMD:0E:1A2B;"}, {800, "CMD:0A:0;"}, {900, "CMD:13;"}},
         {{1, "Z;"}, {120, kAddr.substr(0, 4)}, {121, kAddr.substr(4)}, {500, "0;"}, {640, "PING1"}, {820, "0;"}, {920, "V"}},
         {"command 3 is missing: CMD:04;"}, true},
        {"an extra command and one beyond the end are not answered",
         {{100, "CMD:11;"}, {600, "CMD:0E:1A2B;"}, {650, "CMD:0B:1A2B:1;"}, {700, "CMD:04;"}, {800, "CMD:0A:0;"},
          {900, "CMD:13;"}, {1000, "CMD:13;"}},
         {{1, "Z;"}, {120, kAddr.substr(0, 4)}, {121, kAddr.substr(4)}, {500, "0;"}, {640, "PING1"}, {720, "0;"}, {920, "V"}},
         {"an extra command, not answered: CMD:0B:1A2B:1; (the recording has CMD:04; next)",
          "a command beyond the end of the recording, not answered: CMD:13;"},
         true},
        {"a host that stops leaves the rest unsent",
         {{100, "CMD:11;"}},
         {{1, "Z;"}, {120, kAddr.substr(0, 4)}, {121, kAddr.substr(4)}, {500, "0;"}},
         {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::VirtualClock clock(0);
        zbsim::Replay replay(recorded());
        std::vector<Sent> sent;
        std::vector<std::string> departures;
        replay.set_sink([&](const std::string& b) { sent.emplace_back(clock.now_ms(), b); });
        replay.set_log([&](const std::string& l) {
            if (l.rfind("departure: ", 0) == 0) departures.push_back(l.substr(11));
        });
        replay.start();
        for (const auto& [at, bytes] : c.host) clock.call_later(at, [&replay, b = bytes] { replay.receive(b); });
        clock.advance(5000);
        EXPECT_EQ(sent, c.sent);
        EXPECT_EQ(departures, c.departures);
        EXPECT_EQ(replay.departures(), c.departures.size());
        EXPECT_EQ(replay.finished(), c.finished);
    }
}

TEST(Replay, summary_says_how_far_it_got) {
    platform::VirtualClock clock(0);
    zbsim::Replay replay(recorded());
    replay.start();
    clock.call_later(100, [&replay] { replay.receive("CMD:11;"); });
    clock.advance(2000);
    EXPECT_EQ(replay.summary(),
              "replay: 1 of 5 recorded commands heard, 4 of 7 stretches of replies sent, 0 departures; waiting for "
              "command 2: CMD:0E:1A2B;");
}
