// The link on the real serial port (Qt SerialPort on a pseudo-terminal): receive CPU per character,
// with and without the serial line being recorded, and what a fast peer makes the program hold (what
// one noise byte costs is pure framing, measured in bench_link). Each figure is printed beside its goal.
#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/link_state.h"
#include "link/zigbee_net.h"
#include "platform/port_map.h"
#include "platform/serial_recorder.h"
#include "platform/settings_store.h"
#include "tests/link/pty_pair.h"

namespace {

constexpr int16_t kPort = 5;

double thread_cpu_us() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

class NoEvents : public ZigBeeNetEvents {
    void StringReceived(const std::string&) override {}
    void StringSent(const std::string&) override {}
    void ErrorDetected(int16_t) override {}
    void DataReceived(const std::string&, const std::string&) override {}
};

// A typical mix: I/O reports, pings' answers, acknowledgements and a device string.
std::vector<std::string> reply_mix() {
    return {"\x08" + std::string(15, '\x41') + ";", std::string("\x04\x0A\x12\x34\x56", 5) + ";", "0;",
            std::string("\x02\x0A\x1B\x10", 4) + std::string(16, 'd') + ";"};
}

// The link on the real serial port, opened on a pseudo-terminal with its own settings, the line
// recorded into a file when asked; the thread's link state, settings and recorder are put back when it
// goes.
struct LinkOnPty {
    PtyPair pty;
    platform::MemorySettingsStore store;
    NoEvents events;
    std::shared_ptr<platform::SerialRecorder> recorder;
    std::string recording_path;
    std::unique_ptr<ZigBeeNet> net;

    explicit LinkOnPty(bool record = false) {
        platform::set_settings(&store);
        platform::register_port(kPort, pty.slave_path);
        ZigBeeNet::ResetThreadState();
        if (record) {
            char name[] = "/tmp/bench-recording-XXXXXX";
            const int fd = mkstemp(name);
            if (fd >= 0) close(fd);
            recording_path = name;
            recorder = std::make_shared<platform::SerialRecorder>("bench");
            std::string error;
            if (!recorder->start(recording_path, platform::SerialRecorder::kMaxLimitMB, error)) std::abort();
            platform::set_serial_recorder(recorder);
        }
        net = std::make_unique<ZigBeeNet>();
        net->set_events(&events);
        net->CommPort(kPort);
    }
    ~LinkOnPty() {
        net.reset();
        platform::set_serial_recorder(nullptr);
        recorder.reset();
        if (!recording_path.empty()) std::remove(recording_path.c_str());
        platform::set_settings(nullptr);
        ZigBeeNet::ResetThreadState();
    }
};

// Receive CPU per character on the real port: the stream arrives `chunk` characters per notification
// (16: a UART's receive FIFO at line rate; 4096: as fast as the port can be read), the line recorded
// (second argument 1) or not (0). Recording writes one line to its file per read, as it happens.
void BM_ReceiveOnPtyPerCharacter(benchmark::State& state) {
    const auto chunk = static_cast<size_t>(state.range(0));
    const bool record = state.range(1) != 0;
    state.SetLabel(record ? "recorded" : "not recorded");
    double cpu_us = 0;
    size_t chars = 0;
    {
        LinkOnPty link(record);
        PtyPair& pty = link.pty;
        link.net->StopOPERATIONS();  // replies stay queued, to be counted
        // Where each reply of the stream ends: the measure stops once every reply delivered is framed.
        std::string stream;
        std::vector<size_t> ends;
        while (stream.size() < chunk * 8) {
            for (const std::string& r : reply_mix()) {
                stream += r;
                ends.push_back(stream.size());
            }
        }
        auto& rx = brivola::link_state().RxQueue;
        for (auto _ : state) {
            size_t framed = 0;
            for (size_t at = 0; at < stream.size(); at += chunk) {
                const std::string piece = stream.substr(at, chunk);
                pty.deliver(piece);
                const auto due = static_cast<size_t>(
                    std::upper_bound(ends.begin(), ends.end(), at + piece.size()) - ends.begin());
                const double t0 = thread_cpu_us();
                for (int turns = 0; framed + static_cast<size_t>(rx.pending()) < due && turns < 100000; ++turns)
                    QCoreApplication::processEvents();
                cpu_us += thread_cpu_us() - t0;
                chars += piece.size();
                framed += static_cast<size_t>(rx.pending());
                rx.clear();  // the host's side is not what is measured here
            }
        }
    }
    state.counters["cpu_us_per_char"] = cpu_us / static_cast<double>(chars);
    state.counters["goal_us"] = 1.0;
    state.SetItemsProcessed(static_cast<int64_t>(chars));
}
BENCHMARK(BM_ReceiveOnPtyPerCharacter)
    ->Args({16, 0})
    ->Args({16, 1})
    ->Args({4096, 0})
    ->Args({4096, 1})
    ->Unit(benchmark::kMillisecond);

long peak_rss_kb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long kb = 0;
    while (status >> key) {
        if (key == "VmHWM:") status >> kb;
        status.ignore(256, '\n');
    }
    return kb;
}

// A peer writing as fast as the pseudo-terminal takes it for two seconds, the link running on the
// real clock (one reply per 50 ms tick reaches the host). What the process holds must stay flat: the
// peer is held back by the line, not by this process's memory.
void BM_FloodPeakMemoryGrowth(benchmark::State& state) {
    long growth_kb = 0;
    double written = 0;
    {
        LinkOnPty link;
        PtyPair& pty = link.pty;
        std::string stream;
        while (stream.size() < 65536)
            for (const std::string& r : reply_mix()) stream += r;
        for (auto _ : state) {
            const long before = peak_rss_kb();
            std::atomic<bool> stop{false};
            std::thread peer([&] {
                for (size_t at = 0; !stop; at = (at + 4096) % (stream.size() - 4096)) {
                    const size_t n = pty.send(stream.substr(at, 4096));
                    written += static_cast<double>(n);
                    pollfd p{pty.master, POLLOUT, 0};
                    if (n == 0) poll(&p, 1, 10);
                }
            });
            for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
                 std::chrono::steady_clock::now() < end;)
                QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
            stop = true;
            peer.join();
            growth_kb = std::max(growth_kb, peak_rss_kb() - before);
        }
    }
    state.counters["peak_rss_growth_MB"] = static_cast<double>(growth_kb) / 1024.0;
    state.counters["goal_MB_flat"] = 1;
    state.counters["peer_bytes_taken"] = written;
}
BENCHMARK(BM_FloodPeakMemoryGrowth)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
