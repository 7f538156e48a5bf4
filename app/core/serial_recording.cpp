#include "app/core/serial_recording.h"

#include <QAction>
#include <memory>

#include "app/core/log_line.h"
#include "app/core/mod_main.h"
#include "app/log_splash/frmLog.h"
#include "app/main_window/frmMain.h"
#include "platform/project_version.h"
#include "platform/serial_recorder.h"
#include "platform/settings_store.h"

namespace modMain {

namespace {

constexpr int16_t kBlue = 4;

// Hears every serial port the program makes, so a recording survives the port being re-opened.
std::shared_ptr<platform::SerialRecorder> the_recorder;

std::shared_ptr<platform::SerialRecorder>& recorder() { return the_recorder; }

// These lines came after the string table; they follow its language all the same.
std::string T(const char* english, const char* italian) { return g().LangOffset == 0 ? english : italian; }

void log_start() {
    const auto& r = recorder();
    LogLine(T("Recording serial traffic to ", "Registrazione del traffico seriale in ") + r->path() + " (" +
                T("at most ", "al massimo ") + std::to_string(r->limit_mb()) + " MB)",
            kBlue);
}

}  // namespace

uint64_t SavedRecordLimitMB() {
    const uint64_t mb = platform::parse_limit_mb(platform::settings().get("Dalmiro", "Recording", "LimitMB", ""));
    return mb == 0 ? platform::SerialRecorder::kDefaultLimitMB : mb;
}

void InstallSerialRecorder() {
    auto& r = recorder();
    if (!r) {
        r = std::make_shared<platform::SerialRecorder>(std::string("Dalmiro ") + platform::kProjectVersion);
        r->on_stopped = [](const std::string& why) {
            LogLine(why, kBlue);
            if (frmMain* main = windows().main)
                if (auto* entry = main->findChild<QAction*>(QStringLiteral("mnuRecordSerial"))) entry->setChecked(false);
        };
    }
    platform::set_serial_recorder(r);
}

bool StartSerialRecording(const std::string& path, uint64_t limit_mb, std::string& error) {
    InstallSerialRecorder();
    if (!recorder()->start(path, limit_mb ? limit_mb : SavedRecordLimitMB(), error)) return false;
    // Before the log window shows, start-up says it there (AnnounceSerialRecording).
    if (windows().log && windows().log->isVisible()) log_start();
    return true;
}

void StopSerialRecording() {
    auto& r = recorder();
    if (!r || !r->active()) return;
    r->stop();
    LogLine(T("Serial recording stopped: ", "Registrazione seriale fermata: ") + r->path(), kBlue);
}

bool SerialRecordingActive() { return recorder() && recorder()->active(); }

void AnnounceSerialRecording() {
    if (SerialRecordingActive()) log_start();
}

void ForgetSerialRecorder() {
    platform::set_serial_recorder(nullptr);
    recorder().reset();
}

}  // namespace modMain
