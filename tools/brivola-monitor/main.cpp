// brivola-monitor <port number | device path>: talk to a ZigBee coordinator from a terminal or a
// script. Lines on stdin are sent as they are; replies and sent commands come out one per line.
// With --record the line is recorded as the program records it; --print shows such a recording.
#include <QCoreApplication>
#include <cstdio>
#include <iostream>
#include <memory>

#include "platform/command_line.h"
#include "platform/project_version.h"
#include "platform/serial_recorder.h"
#include "platform/serial_recording_file.h"
#include "platform/settings_store.h"
#include "tools/brivola-monitor/line_monitor.h"
#include "tools/brivola-monitor/monitor_lines.h"
#include "tools/brivola-monitor/recording_print.h"

namespace {

const char* const kUsage =
    "usage: brivola-monitor [--record FILE [--record-limit MB]] <port number 1..99 | device path>\n"
    "       brivola-monitor --print FILE\n"
    "       brivola-monitor --help | --version\n"
    "Each line on standard input is sent to the coordinator as it is; each event prints one line:\n"
    "TX <text>, RX <hex-hex>, DATA <address> <hex-hex>, ERR <code>.\n"
    "--record FILE writes every byte on the line with its time into FILE, up to MB megabytes (default 100).\n"
    "--print FILE prints such a recording as the program's log lines, with exact times.\n";
// The port number a device path is opened under, in a port map that lives only for this run.
constexpr int16_t kPathPort = 1;
constexpr int kFailed = 1;

int print_file(const std::string& path) {
    platform::recording::Recording recording;
    const auto outcome = platform::recording::load_recording(path, recording);
    if (!outcome.usable) {
        std::cerr << "brivola-monitor: " << outcome.error << "\n";
        return kFailed;
    }
    for (const std::string& w : outcome.warnings) std::cerr << "brivola-monitor: " << w << "\n";
    std::cout << "# " << recording.program << ", started " << recording.start << "\n";
    monitor::print_recording(recording, [](const std::string& line) { std::cout << line << "\n"; });
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (platform::answer_standard_option(argc, argv, "brivola-monitor", kUsage, std::cout)) return 0;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "--print") return print_file(args[1]);
    platform::RecordRequest record;
    std::string error;
    const bool options_ok = platform::take_record_options(args, record, error);
    const monitor::Target target = options_ok && args.size() == 1 ? monitor::parse_target(args[0]) : monitor::Target{};
    if (!target.ok) {
        if (!error.empty()) std::cerr << "brivola-monitor: " << error << "\n";
        std::fputs(kUsage, stderr);
        return platform::kExitUsage;
    }
    QCoreApplication app(argc, argv);
    std::shared_ptr<platform::SerialRecorder> recorder;
    if (!record.path.empty()) {
        recorder = std::make_shared<platform::SerialRecorder>(std::string("brivola-monitor ") + platform::kProjectVersion);
        recorder->on_stopped = [](const std::string& why) { std::cerr << "brivola-monitor: " << why << "\n"; };
        const uint64_t limit = record.limit_mb ? record.limit_mb : platform::SerialRecorder::kDefaultLimitMB;
        if (!recorder->start(record.path, limit, error)) {
            std::cerr << "brivola-monitor: cannot record: " << error << "\n";
            return kFailed;
        }
        platform::set_serial_recorder(recorder);
    }
    int16_t port = target.port;
    // A device path gets a port number in a private port map, so the user's own map stays untouched.
    platform::MemorySettingsStore private_ports;
    if (!target.path.empty()) {
        private_ports.save("Dalmiro", "Ports", std::to_string(kPathPort), target.path);
        platform::set_settings(&private_ports);
        port = kPathPort;
    }
    int status = 0;
    {
        LineMonitor monitor;
        status = monitor.run(port);
    }
    if (recorder) recorder->stop();
    platform::set_serial_recorder(nullptr);
    platform::set_settings(nullptr);
    return status;
}
