// The link's hot paths: framing received characters, and building command texts.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "link/command_strings.h"
#include "link/reply_framer.h"
#include "link/zigbee_net.h"
#include "platform/fake_serial_port.h"
#include "platform/virtual_clock.h"

namespace {

// A typical mix: I/O reports, pings' answers, acknowledgements and a device string.
std::string reply_mix() {
    std::string io(1, '\x08');
    io += std::string(15, '\x41');
    io += ';';
    std::string ping = std::string("\x04\x0A\x12\x34\x56", 5) + ";";
    std::string frame = std::string("\x02\x0A\x1B\x10", 4) + std::string(16, 'd') + ";";
    return io + ping + "0;" + frame;
}

void BM_FramerPerCharacter(benchmark::State& state) {
    const std::string stream = reply_mix();
    brivola::RxFraming rx;
    size_t replies = 0;
    const brivola::ReplySink count = [&replies](std::string&&) { ++replies; };
    for (auto _ : state) brivola::frame_chars(rx, stream, count);
    benchmark::DoNotOptimize(replies);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_FramerPerCharacter);

// The whole receive path of the control: notification, read, framing, time-out re-arm, queueing.
void BM_ReceivePathPerCharacter(benchmark::State& state) {
    platform::VirtualClock clock(0);
    auto line = std::make_shared<platform::FakeSerialLine>();
    platform::set_serial_factory([line] { return line->make_port(); });
    ZigBeeNet::ResetThreadState();
    {
        ZigBeeNet net;
        net.CommPort(1);
        net.StopOPERATIONS();  // replies pile up in the queue, which drops its oldest when full
        const std::string stream = reply_mix();
        for (auto _ : state) {
            line->send_to_host(stream);
            clock.run_pending();
        }
        state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
    }
    platform::set_serial_factory(nullptr);
    ZigBeeNet::ResetThreadState();
}
BENCHMARK(BM_ReceivePathPerCharacter);

// How many of the expected replies were framed, in order: the longest common subsequence. Replies
// framed alike at both ends are matched first, which leaves the dynamic programme only the middle.
size_t replies_kept(const std::vector<std::string>& expected, const std::vector<std::string>& got) {
    size_t head = 0;
    while (head < expected.size() && head < got.size() && expected[head] == got[head]) ++head;
    size_t tail = 0;
    while (head + tail < expected.size() && head + tail < got.size() &&
           expected[expected.size() - 1 - tail] == got[got.size() - 1 - tail])
        ++tail;
    const size_t rows = expected.size() - head - tail, cols = got.size() - head - tail;
    std::vector<size_t> row(cols + 1, 0), prev(cols + 1, 0);
    for (size_t i = 1; i <= rows; ++i) {
        for (size_t j = 1; j <= cols; ++j)
            row[j] = expected[head + i - 1] == got[head + j - 1] ? prev[j - 1] + 1 : std::max(prev[j], row[j - 1]);
        std::swap(row, prev);
    }
    return head + tail + prev[cols];
}

// 240 (or `count`) replies of the kinds a polled network sends (pings' answers, I/O reports,
// acknowledgements, device strings, announces), with random payload bytes.
std::vector<std::string> busy_line_replies(std::mt19937& rng, int count) {
    auto byte = [&] { return static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng)); };
    auto text = [&](char first, size_t len) {
        std::string s(1, first);
        while (s.size() < len - 1) s += byte();
        return s + ";";
    };
    std::vector<std::string> replies;
    for (int i = 0; i < count; ++i) {
        std::string r;
        switch (i % 5) {
            case 0: r = text('\x04', 6); break;
            case 1: r = text('\x08', 17); break;
            case 2: r = std::string(1, static_cast<char>('0' + i % 10)) + ";"; break;
            case 3: r = text('\xCC', 13); break;
            default: {
                const auto n = static_cast<char>(std::uniform_int_distribution<int>(1, 24)(rng));
                r = std::string{'\x02', byte(), byte(), n};
                for (int k = 0; k < n; ++k) r += byte();
                r += ";";
            }
        }
        replies.push_back(r);
    }
    return replies;
}

std::string joined(const std::vector<std::string>& replies) {
    std::string s;
    for (const auto& r : replies) s += r;
    return s;
}

// Valid replies lost when `noisy` is framed and the line then falls silent.
size_t replies_lost(const std::vector<std::string>& replies, const std::string& noisy) {
    std::vector<std::string> got;
    brivola::RxFraming rx;
    const brivola::ReplySink keep = [&got](std::string&& r) { got.push_back(std::move(r)); };
    brivola::frame_chars(rx, noisy, keep);
    brivola::abandon_reply(rx, keep);
    return replies.size() - replies_kept(replies, got);
}

struct LossTally {
    size_t trials = 0, lost = 0, worst = 0, over_one = 0;
    void add(size_t n) {
        ++trials;
        lost += n;
        worst = std::max(worst, n);
        if (n > 1) ++over_one;
    }
    void report(benchmark::State& state, const char* prefix) const {
        const auto share = [this](size_t n) { return static_cast<double>(n) / static_cast<double>(trials); };
        state.counters[std::string(prefix) + "lost_mean"] = share(lost);
        state.counters[std::string(prefix) + "lost_worst"] = static_cast<double>(worst);
        state.counters[std::string(prefix) + "share_lost_over_1"] = share(over_one);
    }
};

// Whether a stream is, from its first character to its last, whole replies of known kinds back to
// back: then no framer can tell the noise in it from a reply, and the noise costs what it spans.
bool like_a_clean_stream(const std::string& s) {
    for (size_t at = 0; at < s.size();) {
        const auto first = static_cast<uint8_t>(s[at]);
        size_t len = static_cast<size_t>(brivola::reply_length_for(first));
        if (first == brivola::kDataFrameStart && at + 4 <= s.size()) len = static_cast<uint8_t>(s[at + 3]) + 5u;
        if (len == 17 && at + 18 <= s.size() && s[at + 16] != ';' && s[at + 17] == 'H') len = 19;
        if (len == 0 || at + len > s.size() || (len != 19 && s[at + len - 1] != ';')) return false;
        at += len;
    }
    return true;
}

// A line busy every 83 ms never falls silent for the 100 ms time-out: 240 replies and one noise
// byte, of every value, at a random place. Counts the valid replies that are lost, over all trials
// and over those whose noisy stream is not itself whole replies.
void BM_RepliesLostToOneNoiseByte(benchmark::State& state) {
    std::mt19937 rng(83);
    const std::vector<std::string> replies = busy_line_replies(rng, 240);
    const std::string stream = joined(replies);
    LossTally all, unlike_clean;
    for (auto _ : state) {
        for (int noise = 0; noise < 256; ++noise) {
            const size_t at = std::uniform_int_distribution<size_t>(0, stream.size())(rng);
            std::string noisy = stream;
            noisy.insert(at, 1, static_cast<char>(noise));
            const size_t lost = replies_lost(replies, noisy);
            all.add(lost);
            if (!like_a_clean_stream(noisy)) unlike_clean.add(lost);
        }
    }
    all.report(state, "");
    unlike_clean.report(state, "unlike_clean_");
    state.counters["goal_lost"] = 1;
}
BENCHMARK(BM_RepliesLostToOneNoiseByte)->Iterations(4)->Unit(benchmark::kMillisecond);

// The same, exhaustively: every noise value at every place of four streams of 60 replies. Beside
// the figures over all trials, those over the trials whose noisy stream is itself a stream of whole
// replies (it is framed as one: a noise-free stream must be) and over the others.
void BM_RepliesLostToOneNoiseByteEverywhere(benchmark::State& state) {
    LossTally all, like_clean, unlike_clean;
    for (auto _ : state) {
        for (uint32_t seed = 1; seed <= 4; ++seed) {
            std::mt19937 rng(seed);
            const std::vector<std::string> replies = busy_line_replies(rng, 60);
            const std::string stream = joined(replies);
            for (size_t at = 0; at <= stream.size(); ++at) {
                for (int noise = 0; noise < 256; ++noise) {
                    std::string noisy = stream;
                    noisy.insert(at, 1, static_cast<char>(noise));
                    const size_t lost = replies_lost(replies, noisy);
                    all.add(lost);
                    (like_a_clean_stream(noisy) ? like_clean : unlike_clean).add(lost);
                }
            }
        }
    }
    all.report(state, "");
    state.counters["goal_lost"] = 1;
    state.counters["trials"] = static_cast<double>(all.trials);
    state.counters["share_like_clean"] = static_cast<double>(like_clean.trials) / static_cast<double>(all.trials);
    like_clean.report(state, "like_clean_");
    unlike_clean.report(state, "unlike_clean_");
}
BENCHMARK(BM_RepliesLostToOneNoiseByteEverywhere)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_CommandStringsBuilt(benchmark::State& state) {
    const std::string id = "1A2B";
    for (auto _ : state) {
        benchmark::DoNotOptimize(brivola::cmd_ping(id));
        benchmark::DoNotOptimize(brivola::cmd_set_output(id, 3));
        benchmark::DoNotOptimize(brivola::cmd_new_rate(90, id));
        benchmark::DoNotOptimize(brivola::cmd_poll_rate(70000, id));
        benchmark::DoNotOptimize(brivola::cmd_send_data(id, "hello device"));
        benchmark::DoNotOptimize(brivola::cmd_set_rf_ch(11));
    }
    state.SetItemsProcessed(state.iterations() * 6);
}
BENCHMARK(BM_CommandStringsBuilt);

}  // namespace

BENCHMARK_MAIN();
