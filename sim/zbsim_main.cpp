// zbsim: a coordinator module and its network behind a pseudo-terminal, so that the program can be
// run and rehearsed without the hardware.
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTime>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <optional>
#include <vector>
#include <unistd.h>

#include "platform/command_line.h"
#include "platform/port_map.h"
#include "platform/serial_recording_file.h"
#include "sim/coordinator.h"
#include "sim/pty_link.h"
#include "sim/replay.h"
#include "sim/sim_config.h"
#include "sim/zbsim_options.h"

namespace {

void log_line(const std::string& text) {
    std::cerr << QTime::currentTime().toString("hh:mm:ss.zzz").toStdString() << ' ' << text << std::endl;
}

// SIGINT and SIGTERM end the event loop through a pipe: the handler only writes a byte.
int g_signal_pipe[2] = {-1, -1};

void on_signal(int signo) {
    const char b = static_cast<char>(signo);
    ssize_t ignored = ::write(g_signal_pipe[1], &b, 1);
    (void)ignored;
}

bool install_signal_pipe() {
    if (::pipe2(g_signal_pipe, O_NONBLOCK | O_CLOEXEC) != 0) return false;
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        if (sigaction(s, &sa, nullptr) != 0) return false;
    auto* notifier = new QSocketNotifier(g_signal_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char b = 0;
        while (::read(g_signal_pipe[0], &b, 1) == 1) log_line("signal " + std::to_string(static_cast<int>(b)) + ", stopping");
        QCoreApplication::quit();
    });
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using zbsim::kUsage;
    if (platform::answer_standard_option(argc, argv, "zbsim", kUsage, std::cout)) return 0;
    if (argc == 2 && std::string(argv[1]) == "--demo-config") {
        std::cout << zbsim::demo_config_text();
        return 0;
    }
    std::string error;
    auto opts = zbsim::parse_args(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!opts) {
        std::cerr << "zbsim: " << error << "\n" << kUsage;
        return 2;
    }
    zbsim::SimConfig config = zbsim::demo_config();
    if (!opts->config.empty()) {
        zbsim::ConfigError cerr;
        auto loaded = zbsim::load_config_file(opts->config, cerr);
        if (!loaded) {
            std::cerr << "zbsim: " << opts->config << ": " << cerr.text() << "\n";
            return 2;
        }
        config = *loaded;
    }
    platform::recording::Recording recording;
    std::vector<std::string> warnings;
    if (!opts->replay.empty()) {
        const auto outcome = platform::recording::load_recording(opts->replay, recording);
        if (!outcome.usable) {
            std::cerr << "zbsim: " << outcome.error << "\n";
            return 2;
        }
        warnings = outcome.warnings;
    }

    QCoreApplication app(argc, argv);
    if (!install_signal_pipe()) {
        std::cerr << "zbsim: cannot install the signal handlers\n";
        return 1;
    }
    zbsim::PtyLink pty;
    if (!pty.open(error) || !zbsim::make_symlink(opts->link, pty.slave_path(), error)) {
        std::cerr << "zbsim: " << error << "\n";
        return 1;
    }
    if (opts->port) platform::register_port(opts->port, opts->link);
    const std::string where = opts->link + " -> " + pty.slave_path() +
                              (opts->port ? " (port " + std::to_string(opts->port) + ")" : std::string());
    pty.on_problem = log_line;

    int rc = 0;
    if (!opts->replay.empty()) {
        for (const std::string& w : warnings) log_line(w);
        zbsim::Replay replay(recording);
        replay.set_log(log_line);
        replay.set_sink([&pty](const std::string& bytes) { pty.write(bytes); });
        pty.on_bytes = [&replay](const std::string& bytes) { replay.receive(bytes); };
        log_line("replaying " + opts->replay + " (" + recording.program + ", " + recording.start + ") on " + where);
        replay.start();
        rc = app.exec();
        pty.on_bytes = nullptr;
        log_line(replay.summary());
    } else {
        zbsim::Coordinator coordinator(config);
        coordinator.set_log(log_line);
        coordinator.set_sink([&pty](const std::string& bytes) { pty.write(bytes); });
        pty.on_bytes = [&coordinator](const std::string& bytes) { coordinator.receive(bytes); };
        log_line("coordinator " + zbsim::mac_text(config.mac) + " with " + std::to_string(config.devices.size()) +
                 " devices on " + where);
        rc = app.exec();
        pty.on_bytes = nullptr;
    }

    if (opts->port) platform::unregister_port(opts->port);
    zbsim::remove_symlink(opts->link, pty.slave_path());
    return rc;
}
