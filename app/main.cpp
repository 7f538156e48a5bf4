// The program's entry: start-up, then the main window's events until it unloads.
#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <iostream>
#include <unistd.h>

#include "app/core/end_program.h"
#include "app/core/mod_main.h"
#include "app/core/program_options.h"
#include "app/core/serial_recording.h"
#include "app/core/start_up.h"
#include "app/log_splash/splash_logo.h"
#include "app/main_window/frmMain.h"
#include "platform/command_line.h"
#include "platform/daily_log.h"
#include "platform/serial_recorder.h"
#include "platform/user_folders.h"

namespace {

int signal_pipe[2] = {-1, -1};

void on_signal(int) {
    const char c = 1;
    [[maybe_unused]] ssize_t n = ::write(signal_pipe[1], &c, 1);
}

// SIGTERM and SIGINT close the main window the way the operator does, so the settings and the
// network files are saved before the program ends.
void close_on_signals(QObject* owner) {
    if (::pipe(signal_pipe) != 0) return;
    auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char c;
        [[maybe_unused]] ssize_t n = ::read(signal_pipe[0], &c, 1);
        if (frmMain* main = modMain::windows().main)
            main->close();
        else
            modMain::EndProgram(0);
    });
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

}  // namespace

int main(int argc, char* argv[]) {
    std::vector<std::string> args(argv + 1, argv + argc);
    platform::RecordRequest record;
    std::string error;
    if (!platform::take_record_options(args, record, error) ||
        (!record.path.empty() && !modMain::StartsProgram(args))) {
        if (error.empty()) error = "--record starts the program and goes with no other option but --reconnect";
        std::cerr << "Dalmiro: " << error << "\n" << modMain::kProgramUsage;
        return platform::kExitUsage;
    }
    if (!modMain::StartsProgram(args)) {
        // The options answer without a window, so they work without a display too.
        QCoreApplication app(argc, argv);
        return modMain::RunProgramOptions(args, std::cout, std::cerr);
    }
    if (!args.empty()) modMain::g().Reconnect = 1;
    QApplication app(argc, argv);
    // Every port the program makes is heard by the recorder, so File > Record serial traffic can
    // start at any time.
    modMain::InstallSerialRecorder();
    if (!record.path.empty() && !modMain::StartSerialRecording(record.path, record.limit_mb, error)) {
        std::cerr << "Dalmiro: cannot record: " << error << "\n";
        return 1;
    }
    // The desktop matches the windows to the installed entry and its icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.northgateradio.dalmiro"));
    QApplication::setWindowIcon(QIcon(PaintSplashLogo(256)));
    platform::DailyLog log_file(platform::state_folder());
    platform::set_daily_log(&log_file);
    QApplication::setQuitOnLastWindowClosed(false);
    close_on_signals(&app);
    modMain::Main();
    return QApplication::exec();
}
