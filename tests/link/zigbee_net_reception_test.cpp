// Reception through the control: recovery from replies that cannot complete, and a long random
// stream of noise mixed with valid replies.
#include <random>

#include "link/reply_framer.h"
#include "tests/link/link_fixture.h"

using Events = std::vector<RecordedEvent>;

TEST_F(LinkTest, a_reply_cut_short_is_forgotten_once_the_line_is_silent_for_100_ms) {
    open();
    line->send_to_host(std::string("\x07", 1) + "garbage");
    clock.advance(99);
    EXPECT_FALSE(state().rx.RxBuffer.empty());
    clock.advance(1);  // 100 ms after the last character
    EXPECT_TRUE(state().rx.RxBuffer.empty());
    EXPECT_FALSE(ZigBeeNetProbe::tmrTimeOut(*net).enabled());
    line->send_to_host("0;");
    clock.advance(100);
    EXPECT_EQ(ev.texts(), std::vector<std::string>{"RX 0;"});
}

TEST_F(LinkTest, replies_held_after_a_noise_byte_are_raised_once_the_line_is_silent_for_100_ms) {
    open();
    // The noise 0x02 takes the announce's first byte for its length byte and waits for 209 characters.
    const std::string announce = "\xCC" + std::string(11, 'x') + ";";
    line->send_to_host("0;\x02" "1;" + announce);
    clock.advance(99);
    EXPECT_GT(brivola::chars_held(state().rx), 0u);
    clock.advance(1);
    EXPECT_EQ(brivola::chars_held(state().rx), 0u);
    EXPECT_FALSE(ZigBeeNetProbe::tmrTimeOut(*net).enabled());
    clock.advance(200);
    EXPECT_EQ(ev.texts(), (std::vector<std::string>{"RX 0;", "RX 1;", "RX " + announce}));
}

TEST_F(LinkTest, a_pause_shorter_than_the_timeout_inside_a_reply_does_not_break_it) {
    open();
    line->send_to_host(std::string("\x01", 1) + "ab");
    clock.advance(99);
    line->send_to_host("cd;");
    clock.advance(99);
    line->send_to_host("ef");
    clock.advance(100);  // "ef" is silent long enough to be dropped
    line->send_to_host("1;");
    clock.advance(100);
    EXPECT_EQ(ev.texts(), (std::vector<std::string>{std::string("RX \x01", 4) + "abcd;", "RX 1;"}));
    EXPECT_FALSE(ZigBeeNetProbe::tmrTimeOut(*net).enabled());
}

TEST_F(LinkTest, completed_reply_stops_the_timeout) {
    open();
    line->send_to_host("0;");
    clock.run_pending();
    EXPECT_FALSE(ZigBeeNetProbe::tmrTimeOut(*net).enabled());
}

TEST_F(LinkTest, two_replies_in_one_tick_are_raised_on_consecutive_ticks) {
    open();
    clock.advance(60);  // between ticks
    line->send_to_host("0;1;");
    clock.advance(100);
    EXPECT_EQ(ev.events, (Events{{1200, "RX 0;"}, {1250, "RX 1;"}}));
}

namespace {

// A valid reply of a random kind.
std::string random_reply(std::mt19937& rng) {
    auto byte = [&] { return static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng)); };
    auto text = [&](char first, int len) {
        std::string s(1, first);
        while (static_cast<int>(s.size()) < len - 1) s += byte();
        return s + ";";
    };
    switch (std::uniform_int_distribution<int>(0, 4)(rng)) {
        case 0: return text('0', 2);
        case 1: return text('\x07', 10);
        case 2: return text('\x08', 17);
        case 3: return text('\x04', 6);
        default: {
            const int n = std::uniform_int_distribution<int>(0, 255)(rng);
            std::string s = {'\x02', byte(), byte(), static_cast<char>(n)};
            for (int i = 0; i < n; ++i) s += byte();
            return s + ";";
        }
    }
}

}  // namespace

TEST_F(LinkTest, random_noise_never_hides_a_reply_that_follows_a_silence) {
    for (uint32_t seed : {1u, 7u, 42u, 2024u}) {
        ZigBeeNet::ResetThreadState();
        ev.events.clear();
        open();
        std::mt19937 rng(seed);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        // Sends `bytes` in random chunks with pauses shorter than the reply timeout.
        auto stream = [&](const std::string& bytes) {
            size_t at = 0;
            while (at < bytes.size()) {
                const size_t n = std::min<size_t>(static_cast<size_t>(pick(1, 40)), bytes.size() - at);
                line->send_to_host(bytes.substr(at, n));
                clock.advance(static_cast<uint32_t>(pick(0, 30)));
                at += n;
                ASSERT_LE(brivola::chars_held(state().rx), brivola::kLongestHunt);
                ASSERT_LE(state().RxQueue.pending(), 999);
            }
        };
        std::vector<std::string> expected;
        for (int round = 0; round < 60; ++round) {
            std::string noise;
            for (int i = pick(0, 600); i > 0; --i) noise += static_cast<char>(pick(0, 255));
            stream(noise);
            clock.advance(static_cast<uint32_t>(pick(101, 300)));  // silence: the link recovers
            const std::string reply = random_reply(rng);
            stream(reply);
            expected.push_back(reply);
        }
        clock.advance(200 * 50);  // drain the receive queue
        std::vector<std::string> raised;
        for (const auto& e : ev.events) {
            if (e.what.rfind("RX ", 0) == 0) raised.push_back(e.what.substr(3));
            if (e.what.rfind("DATA ", 0) == 0) raised.push_back(e.what);
        }
        // Every valid reply shows up, in order, among whatever the noise happened to frame.
        size_t found = 0;
        for (const auto& r : raised) {
            if (found == expected.size()) break;
            const std::string& want = expected[found];
            const bool is_frame = want[0] == '\x02';
            const std::string as_raised =
                is_frame ? "DATA " + brivola::BytesToHex(want.substr(1, 2)) + " " + want.substr(4, want.size() - 5)
                         : want;
            if (r == as_raised) ++found;
        }
        EXPECT_EQ(found, expected.size()) << "seed " << seed;
        EXPECT_TRUE(state().RxQueue.empty()) << "seed " << seed;
    }
}

namespace {

// Distinct replies of three kinds: an I/O report, a data frame (both unasked) and an answer.
std::string io_report(int n) {
    char body[16];
    std::snprintf(body, sizeof body, "%015d", n);
    return "\x08" + std::string(body) + ";";
}
std::string data_frame(int n) { return std::string("\x02\x0A\x1B\x03", 4) + std::to_string(100 + n % 900) + ";"; }
std::string as_raised(const std::string& reply) {
    if (reply[0] != '\x02') return "RX " + reply;
    return "DATA 0A1B " + reply.substr(4, 3);
}

}  // namespace

TEST_F(LinkTest, a_backlog_drains_in_order_one_answer_per_tick_and_a_short_queue_one_reply_per_tick) {
    struct Case {
        const char* name;
        std::string pattern;  // one letter a reply: r report, d data frame, a answer ("0;")
        std::vector<size_t> per_tick;
        int stop_after = 0;   // a handler pauses the link on this reply (1-based), 0: never
    };
    const std::vector<Case> cases = {
        {"a short queue, one per tick", std::string(10, 'r'), std::vector<size_t>(10, 1)},
        {"eleven waiting: still one a tick", std::string(11, 'r'), std::vector<size_t>(11, 1)},
        {"a backlog of reports and frames drains to the short queue in one tick", std::string(15, 'r') + std::string(15, 'd'),
         [] { std::vector<size_t> v{20}; v.insert(v.end(), 10, 1); return v; }()},
        {"no tick hands over more than 64", std::string(200, 'r'),
         [] { std::vector<size_t> v{64, 64, 62}; v.insert(v.end(), 10, 1); return v; }()},
        {"answers in a backlog end their tick", "aa" "rrr" "a" + std::string(18, 'r') + "aaa" "r",
         [] { std::vector<size_t> v{1, 4, 13}; v.insert(v.end(), 10, 1); return v; }()},
        {"a handler that pauses the link ends the batch", std::string(30, 'r'), {3}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZigBeeNet::ResetThreadState();
        ev.events.clear();
        open();
        clock.advance(160);  // the link is up and resting
        std::vector<std::string> sent;
        std::string bytes;
        for (size_t i = 0; i < c.pattern.size(); ++i) {
            const int n = static_cast<int>(i);
            sent.push_back(c.pattern[i] == 'r' ? io_report(n) : c.pattern[i] == 'd' ? data_frame(n) : "0;");
            bytes += sent.back();
        }
        int seen = 0;
        ev.on_received = [&](const std::string&) {
            if (++seen == c.stop_after) net->StopOPERATIONS();
        };
        line->send_to_host(bytes);
        clock.advance(300 * 50);
        ev.on_received = nullptr;
        std::vector<std::string> expected;
        for (const auto& s : sent) expected.push_back(as_raised(s));
        expected.resize(ev.events.size());
        EXPECT_EQ(ev.texts(), expected);
        std::vector<size_t> per_tick;
        for (size_t i = 0; i < ev.events.size(); ++i) {
            if (i == 0 || ev.events[i].at != ev.events[i - 1].at) per_tick.push_back(0);
            ++per_tick.back();
            if (i > 0 && ev.events[i].at != ev.events[i - 1].at) {
                EXPECT_EQ(ev.events[i].at, ev.events[i - 1].at + 50);
            }
        }
        EXPECT_EQ(per_tick, c.per_tick);
    }
}
