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

// How many of the expected replies were framed, in order: the longest common subsequence.
size_t replies_kept(const std::vector<std::string>& expected, const std::vector<std::string>& got) {
    std::vector<size_t> row(got.size() + 1, 0), prev(got.size() + 1, 0);
    for (size_t i = 1; i <= expected.size(); ++i) {
        for (size_t j = 1; j <= got.size(); ++j)
            row[j] = expected[i - 1] == got[j - 1] ? prev[j - 1] + 1 : std::max(prev[j], row[j - 1]);
        std::swap(row, prev);
    }
    return prev[got.size()];
}

// A line busy every 83 ms never falls silent for the 100 ms time-out: 240 replies of the kinds a
// polled network sends (pings' answers, I/O reports, acknowledgements, device strings, announces),
// and one noise byte, of every value, at a random place. Counts the valid replies that are lost.
void BM_RepliesLostToOneNoiseByte(benchmark::State& state) {
    std::mt19937 rng(83);
    auto byte = [&] { return static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng)); };
    auto text = [&](char first, size_t len) {
        std::string s(1, first);
        while (s.size() < len - 1) s += byte();
        return s + ";";
    };
    std::vector<std::string> replies;
    std::string stream;
    for (int i = 0; i < 240; ++i) {
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
        stream += r;
    }
    size_t trials = 0, lost_total = 0, worst = 0, over_one = 0;
    for (auto _ : state) {
        for (int noise = 0; noise < 256; ++noise) {
            const size_t at = std::uniform_int_distribution<size_t>(0, stream.size())(rng);
            std::string noisy = stream;
            noisy.insert(at, 1, static_cast<char>(noise));
            std::vector<std::string> got;
            brivola::RxFraming rx;
            brivola::frame_chars(rx, noisy, [&got](std::string&& r) { got.push_back(std::move(r)); });
            const size_t lost = replies.size() - replies_kept(replies, got);
            ++trials;
            lost_total += lost;
            worst = std::max(worst, lost);
            if (lost > 1) ++over_one;
        }
    }
    state.counters["lost_mean"] = static_cast<double>(lost_total) / static_cast<double>(trials);
    state.counters["lost_worst"] = static_cast<double>(worst);
    state.counters["share_lost_over_1"] = static_cast<double>(over_one) / static_cast<double>(trials);
    state.counters["goal_lost"] = 1;
}
BENCHMARK(BM_RepliesLostToOneNoiseByte)->Iterations(4)->Unit(benchmark::kMillisecond);

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
