// The whole program (real windows offscreen, real link) on virtual time against the in-process
// coordinator, under a steady flood of I/O reports: how long a report waits between its arrival and
// its handler after a minute of traffic at 20, 60 and 200 a second, and how long a coordinator that
// restarts under 60 reports a second takes to be identified again. Figures are virtual time, so they
// do not depend on this machine's speed; each is printed beside its goal.
#include <QApplication>
#include <QDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>

#include "app/core/mod_main.h"
#include "app/core/start_up.h"
#include "app/log_splash/frmLog.h"
#include "app/main_window/frmMain.h"
#include "link/zigbee_net.h"
#include "platform/dialogs.h"
#include "platform/fake_serial_port.h"
#include "platform/profile_engine.h"
#include "platform/program_folder.h"
#include "platform/settings_store.h"
#include "platform/virtual_clock.h"
#include "sim/coordinator.h"
#include "sim/report_flood.h"

namespace {

constexpr uint16_t kReporter = 0x1A2B;

void write_file(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// One started program with its coordinator, a known router at 1A2B and a flood from it.
class BusyProgram : public ZigBeeNetEvents {
public:
    BusyProgram() : folder_(QDir::tempPath().toStdString() + "/dalmiro-bench-busy") {
        QDir(QString::fromStdString(folder_)).removeRecursively();
        QDir().mkpath(QString::fromStdString(folder_));
        write_file(folder_ + "/0013A200405AC001.ini",
                   "[Main]\r\nTotalDevice=1\r\nDeviceTimeOut=1000\r\nmSecAlive=1000\r\nenaPollPing=0\r\n"
                   "[MAC List]\r\nDevice000001=00:13:A2:00:40:5A:10:01\r\n[00:13:A2:00:40:5A:10:01]\r\n"
                   "ID64Long=00:13:A2:00:40:5A:10:01\r\nID16Short=1A2B\r\nDeviceType=7\r\n");
        write_file(folder_ + "/0013A200405AC001_macList.txt", "00:13:A2:00:40:5A:C0:01\r\n00:13:A2:00:40:5A:10:01\r\n");
        modMain::reset();
        ZigBeeNet::ResetThreadState();
        store_.values[{"Corvani_ZigBee_Demo", "Settings", "ShowSplash"}] = "0";
        platform::set_settings(&store_);
        dialogs_.answers.push_back("5");
        platform::set_dialogs(&dialogs_);
        platform::set_program_folder(folder_);
        platform::set_serial_factory([this] { return line_->make_port(); });
        zbsim::ConfigError error;
        sim_ = std::make_unique<zbsim::Coordinator>(
            *zbsim::parse_config("coordinator mac=00:13:A2:00:40:5A:C0:01 pan=3F21 channel=15\n", error));
        sim_->attach(line_);
        modMain::Main();
        clock_.advance(500);
        modMain::windows().main->ZigBeeNet.set_events(this);
    }
    ~BusyProgram() override {
        flood_.set_rate(0);
        delete modMain::windows().main;
        delete modMain::windows().log;
        sim_.reset();
        modMain::reset();
        ZigBeeNet::ResetThreadState();
        platform::set_serial_factory(nullptr);
        platform::set_program_folder("");
        platform::set_dialogs(nullptr);
        platform::set_settings(nullptr);
        platform::profile_flush();
        QDir(QString::fromStdString(folder_)).removeRecursively();
    }

    // Runs `ms` of traffic at `rate`; the delays of the reports handled in its last `measured_ms`.
    void run(uint32_t rate, uint32_t ms, uint32_t measured_ms) {
        flood_.set_rate(rate);
        measure_from_ = clock_.now_ms() + ms - measured_ms;
        clock_.advance(ms);
    }
    // An unexpected restart: the notice, then the announce; virtual ms until the coordinator is
    // identified and registered again (0 if not within `limit_ms`).
    uint32_t restart(uint32_t limit_ms) {
        auto& s = modMain::g();
        line_->send_to_host("F;");
        clock_.advance(200);
        line_->send_to_host(std::string("\xCC\x00\x00\x00\x13\xA2\x00\x40\x5A\xC0\x01\x09;", 13));
        const uint32_t from = clock_.now_ms();
        frmMain& w = *modMain::windows().main;
        const bool done = clock_.run_until(
            [&] {
                return clock_.now_ms() - from > 200 && s.CoordAnnounced == 0 && s.OperBusy == 0 && w.frmNETWORK->isEnabled();
            },
            limit_ms);
        return done ? clock_.now_ms() - from : 0;
    }

    uint32_t longest_ms = 0;
    double total_ms = 0;
    uint64_t measured = 0;

private:
    void StringReceived(const std::string& r) override {
        if (!r.empty() && r[0] == '\x08') {
            const uint32_t delay = clock_.now_ms() - flood_.take_oldest_send_time();
            if (clock_.now_ms() >= measure_from_) {
                longest_ms = std::max(longest_ms, delay);
                total_ms += delay;
                ++measured;
            }
        }
        modMain::windows().main->ZigBeeNet_StringReceived(r);
    }
    void StringSent(const std::string& s) override { modMain::windows().main->ZigBeeNet_StringSent(s); }
    void ErrorDetected(int16_t code) override { modMain::windows().main->ZigBeeNet_ErrorDetected(code); }
    void DataReceived(const std::string& a, const std::string& d) override {
        modMain::windows().main->ZigBeeNet_DataReceived(a, d);
    }

    std::string folder_;
    platform::VirtualClock clock_{1000};
    platform::MemorySettingsStore store_;
    platform::ScriptedDialogs dialogs_;
    std::shared_ptr<platform::FakeSerialLine> line_ = std::make_shared<platform::FakeSerialLine>();
    std::unique_ptr<zbsim::Coordinator> sim_;
    zbsim::ReportFlood flood_{kReporter, [this](const std::string& bytes) { line_->send_to_host(bytes); }};
    uint32_t measure_from_ = 0;
};

void BM_ReportDelayAfterOneMinute(benchmark::State& state) {
    const auto rate = static_cast<uint32_t>(state.range(0));
    for (auto _ : state) {
        BusyProgram p;
        p.run(rate, 60000, 10000);
        state.counters["delay_longest_ms"] = p.longest_ms;
        state.counters["delay_mean_ms"] = p.measured ? p.total_ms / static_cast<double>(p.measured) : 0;
        state.counters["goal_longest_ms"] = 1000;
        state.counters["reports_measured"] = static_cast<double>(p.measured);
    }
}
BENCHMARK(BM_ReportDelayAfterOneMinute)->Arg(20)->Arg(60)->Arg(200)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_RestartIdentifiedUnder60ReportsASecond(benchmark::State& state) {
    for (auto _ : state) {
        BusyProgram p;
        p.run(60, 60000, 1);
        state.counters["identified_after_ms"] = p.restart(120000);  // 0: never
        state.counters["goal_ms"] = 5000;
    }
}
BENCHMARK(BM_RestartIdentifiedUnder60ReportsASecond)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
