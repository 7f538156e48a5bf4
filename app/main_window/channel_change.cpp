// Changing the radio channel: the coordinator restarts on the new channel, every device rejoins with
// a new short address, and the coordinator is identified and given the MAC list again. The frames
// stay off until all of that is done; replies and timers keep running meanwhile.
#include "app/core/conversion.h"
#include "app/core/device_list_page.h"
#include "app/core/device_table.h"
#include "app/core/display_text.h"
#include "app/core/log_line.h"
#include "app/core/mod_main.h"
#include "app/core/network_files.h"
#include "app/core/reply_wait.h"
#include "app/core/start_up.h"
#include "app/core/string_table.h"
#include "app/main_window/frmMain.h"
#include "app/main_window/operator_prompt.h"
#include "platform/clock.h"

namespace {

constexpr int16_t kLowestChannel = 11;
constexpr int16_t kHighestChannel = 26;
// 0 and 27 both ask the coordinator to pick a channel itself.
constexpr int16_t kAutomaticSearch = 27;
constexpr int32_t kRestartWaitMs = 65000;
// The shared reply wait normally ends the restart wait; this wait's own deadline comes a little
// later, so that it only decides when the shared one was stopped by some other reply.
constexpr uint32_t kOwnDeadlineMs = kRestartWaitMs + 1000;
constexpr int16_t kWaitingForAnnounce = 20;

// The channel a typed answer asks for, or 0 when it names none.
int16_t channel_from(const std::string& answer) {
    const int16_t channel = modMain::CInt(modMain::Val(answer));
    if (channel >= kLowestChannel && channel <= kHighestChannel) return channel;
    return channel == 0 || channel == kAutomaticSearch ? kAutomaticSearch : 0;
}

// Until the coordinator announces itself again or the restart wait expires. Any reply that answers a
// wait stops the shared timer, so this wait also keeps a deadline of its own; the restart notice
// re-arms the shared wait, and this deadline then starts afresh once too.
void wait_for_coordinator_restart() {
    using namespace modMain;
    State& s = g();
    uint32_t since = platform::now_ms();
    bool notice_seen = false;
    while (s.CoordResetWait != 0) {
        if (!notice_seen && s.CoordResetWait == kWaitingForAnnounce) {
            notice_seen = true;
            since = platform::now_ms();
        }
        const uint32_t waited = platform::now_ms() - since;
        if (waited >= kOwnDeadlineMs) {
            s.CoordResetWait = 0;
            // Fixed text, as the shared wait logs it.
            LogLine("Errore Reset Coordinatore", 3);
            return;
        }
        platform::pump_events(kOwnDeadlineMs - waited);
    }
}

}  // namespace

void frmMain::cmdChgRFCh_Click() {
    using namespace modMain;
    State& s = g();
    const std::string answer = AskOperator(1050, FromDisplay(lblRFCh->text()));
    if (answer.empty()) return;
    const int16_t channel = channel_from(answer);
    if (channel == 0) return;

    SetCommandFramesEnabled(false);
    // Every device rejoins with a new short address.
    ClearShortIds();
    ZigBeeNet.SetRfCH(channel);
    WaitMs(10);
    s.CoordResetWait = 30;
    LogLine(LocString(1051), 4);
    StartReplyWait(kRestartWaitMs);
    wait_for_coordinator_restart();

    if (!InitCoordinator()) return;
    RegisterMacList();
    RefreshDeviceList();
    lblTotalDevice->setText(QString::number(s.TotalDevice));
    SetCommandFramesEnabled(true);
}
