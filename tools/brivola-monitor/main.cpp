// brivola-monitor <port number | device path>: talk to a ZigBee coordinator from a terminal or a
// script. Lines on stdin are sent as they are; replies and sent commands come out one per line.
#include <QCoreApplication>
#include <cstdio>
#include <iostream>

#include "platform/command_line.h"
#include "platform/settings_store.h"
#include "tools/brivola-monitor/line_monitor.h"
#include "tools/brivola-monitor/monitor_lines.h"

namespace {

const char* const kUsage =
    "usage: brivola-monitor <port number 1..99 | device path>\n"
    "       brivola-monitor --help | --version\n"
    "Each line on standard input is sent to the coordinator as it is; each event prints one line:\n"
    "TX <text>, RX <hex-hex>, DATA <address> <hex-hex>, ERR <code>.\n";
// The port number a device path is opened under, in a port map that lives only for this run.
constexpr int16_t kPathPort = 1;

}  // namespace

int main(int argc, char** argv) {
    if (platform::answer_standard_option(argc, argv, "brivola-monitor", kUsage, std::cout)) return 0;
    QCoreApplication app(argc, argv);
    const monitor::Target target = argc == 2 ? monitor::parse_target(argv[1]) : monitor::Target{};
    if (!target.ok) {
        std::fputs(kUsage, stderr);
        return platform::kExitUsage;
    }
    int16_t port = target.port;
    // A device path gets a port number in a private port map, so the user's own map stays untouched.
    platform::MemorySettingsStore private_ports;
    if (!target.path.empty()) {
        private_ports.save("Dalmiro", "Ports", std::to_string(kPathPort), target.path);
        platform::set_settings(&private_ports);
        port = kPathPort;
    }
    LineMonitor monitor;
    const int status = monitor.run(port);
    platform::set_settings(nullptr);
    return status;
}
