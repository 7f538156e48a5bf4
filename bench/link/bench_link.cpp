// The link's hot paths: framing received characters, and building command texts.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

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
    std::string reply;
    for (auto _ : state) {
        for (char c : stream) benchmark::DoNotOptimize(brivola::frame_char(rx, c, reply));
    }
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
