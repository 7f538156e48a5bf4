#include "app/core/end_program.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/core/mod_main.h"
#include "app/core/serial_recording.h"
#include "app/core/version_info.h"
#include "link/zigbee_net.h"
#include "platform/dialogs.h"
#include "platform/profile_engine.h"

namespace modMain {

namespace {

constexpr int32_t kItalian = 9000;

// The log may be closed or scrolled away by now: a save that failed is said once more, in a box.
void tell_unsaved_files() {
    const State& s = g();
    if (s.UnsavedFiles.empty()) return;
    std::string text = s.LangOffset == kItalian ? "Questi file non sono stati salvati:" : "These files were not saved:";
    for (const auto& [path, why] : s.UnsavedFiles) text += "\n" + path + ": " + why;
    platform::dialogs().message_box(text, kAppTitle);
}

}  // namespace

void EndProgram(int code) {
    tell_unsaved_files();
    // Whoever opens the port next (this program or another) must find it free: its lock goes with it.
    if (ZigBeeNet* link = controls().link) link->ClosePort();
    // The recording ends with its stop line, so whoever reads it knows nothing is missing at its end.
    StopSerialRecording();
    platform::profile_flush();
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace modMain
