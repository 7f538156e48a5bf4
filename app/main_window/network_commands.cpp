// The network buttons of the main window. Each asks the operator what it needs, checks the answer and
// turns it into link commands or table changes. An answer is typed text: every number taken from one
// is bounded before it indexes the table, becomes a 16-bit value or goes into a command, and anything
// else is refused silently, as the operator is used to.
#include <QPushButton>
#include <algorithm>

#include "app/core/conversion.h"
#include "app/core/device_list_page.h"
#include "app/core/device_table.h"
#include "app/core/display_text.h"
#include "app/core/mod_main.h"
#include "app/core/network_files.h"
#include "app/core/string_table.h"
#include "app/main_window/frmMain.h"
#include "app/main_window/operator_prompt.h"

namespace {

constexpr size_t kMacTextLength = 23;
constexpr const char* kBlankMac = "00:00:00:00:00:00:00:00";
constexpr int32_t kShortestPingMs = 200;
// The alive timer counts at most this many milliseconds.
constexpr int32_t kLongestPingMs = 65535;

// A ";" would end the registration command early and send the rest as a command of its own; a line
// end would split the MAC list file's line in two.
bool fits_one_command(const std::string& text) {
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return c == ';' || static_cast<unsigned char>(c) < 0x20; });
}

}  // namespace

void frmMain::ConnectButtons() {
    connect(cmdAddItem, &QPushButton::clicked, this, &frmMain::cmdAddItem_Click);
    connect(cmdChgRFCh, &QPushButton::clicked, this, &frmMain::cmdChgRFCh_Click);
    connect(cmdDelDevice, &QPushButton::clicked, this, &frmMain::cmdDelDevice_Click);
    connect(cmdDirectCmd, &QPushButton::clicked, this, &frmMain::cmdDirectCmd_Click);
    connect(cmdEnPing, &QPushButton::clicked, this, &frmMain::cmdEnPing_Click);
    connect(cmdULockNet, &QPushButton::clicked, this, &frmMain::cmdULockNet_Click);
    connect(cmdReset, &QPushButton::clicked, this, &frmMain::cmdReset_Click);
    connect(cmdSaveData, &QPushButton::clicked, this, &frmMain::cmdSaveData_Click);
    connect(cmdUP, &QPushButton::clicked, this, &frmMain::cmdUP_Click);
    connect(cmdDown, &QPushButton::clicked, this, &frmMain::cmdDown_Click);
    connect(cmdTst, &QPushButton::clicked, this, &frmMain::cmdTst_Click);
}

void frmMain::SetCommandFramesEnabled(bool enabled) {
    frmNETWORK->setEnabled(enabled);
    frmLSTDEV->setEnabled(enabled);
}

bool frmMain::CoordinatorRestarting() const {
    return !frmNETWORK->isEnabled() || modMain::g().CoordResetWait != 0;
}

void frmMain::cmdAddItem_Click() {
    // Beyond its length the address is taken as typed.
    const std::string mac = modMain::AskOperator(1049, kBlankMac);
    if (mac.size() < kMacTextLength || !fits_one_command(mac)) return;
    modMain::AppendMacToList(mac);
}

void frmMain::cmdDelDevice_Click() {
    using namespace modMain;
    State& s = g();
    const int16_t n = CInt(Val(AskOperator(1052, "0")));
    // Only a used slot names a device; 0 is the operator's way out, anything else is refused.
    auto names_a_device = [&s](int16_t k) { return k >= 1 && k <= std::min<int>(s.TotalDevice, kScanSlots); };
    if (!names_a_device(n)) return;
    const std::string confirmed = AskOperator(1053, s.Devices[n].ID64Long);
    // The prompt let events run: the table may have shrunk meanwhile.
    if (confirmed.empty() || !names_a_device(n) || confirmed != s.Devices[n].ID64Long) return;
    s.ListTop = 1;
    DeleteDevice(n);
}

void frmMain::cmdDirectCmd_Click() {
    const std::string command = modMain::Trim(modMain::AskOperator(1054, "CMD:"));
    if (command.empty()) return;
    ZigBeeNet.SendDirectToCoordinator(command);
}

void frmMain::cmdEnPing_Click() {
    using namespace modMain;
    State& s = g();
    if (s.enaPollPing != 0) {
        s.enaPollPing = 0;
        cmdEnPing->setText(modMain::Display(LocString(1057)));
        return;
    }
    // Cancel answers "", which reads as 0 and so polls as fast as allowed.
    const int32_t t = std::clamp(CLng(Val(AskOperator(1055, std::to_string(s.mSecAlive)))), kShortestPingMs,
                                 kLongestPingMs);
    s.mSecAlive = t;
    tmrDevAlive.set_interval(static_cast<uint16_t>(t));
    s.enaPollPing = 1;
    cmdEnPing->setText(modMain::Display(LocString(1056)));
}

void frmMain::cmdULockNet_Click() {
    using namespace modMain;
    State& s = g();
    if (s.NetLocked != 0) {
        s.NetLocked = 0;
        ZigBeeNet.UnLockNet();
        Status->Panels(1).setText(modMain::Display(LocString(1019)));
        cmdULockNet->setText(modMain::Display(LocString(1000)));
    } else {
        s.NetLocked = 1;
        ZigBeeNet.LockNet();
        Status->Panels(1).setText(modMain::Display(LocString(1018)));
        cmdULockNet->setText(modMain::Display(LocString(1001)));
    }
}

void frmMain::cmdReset_Click() {
    // The coordinator's restart notice and announce take it from here; the general-operations timer
    // identifies the coordinator again and gives the frames back.
    SetCommandFramesEnabled(false);
    modMain::ClearShortIds();
    modMain::RefreshDeviceList();
    ZigBeeNet.Reset();
    tmrResetWait.set_enabled(true);
}

void frmMain::tmrResetWait_Timer() {
    // A lost announce would leave the frames off for good. Once no wait is counting any more (the
    // restart wait runs 65 s from the restart notice), the coordinator is identified all the same, as a
    // channel change does; if it is really gone, the identification's retries say so.
    if (tmrTimeOut.enabled()) return;
    tmrResetWait.set_enabled(false);
    modMain::g().CoordAnnounced = 1;
    WakeSupervision();
}

void frmMain::cmdSaveData_Click() {
    using namespace modMain;
    State& s = g();
    s.OperBusy = 1;
    SaveNetworkData();
    WriteMacListFile();
    RegisterMacList();
    s.OperBusy = 0;
}

void frmMain::cmdDown_Click() {
    modMain::State& s = modMain::g();
    s.ListTop = static_cast<int16_t>(std::min<int>(s.ListTop + 1, s.TotalDevice));
    modMain::RefreshDeviceList();
}

void frmMain::cmdUP_Click() {
    modMain::State& s = modMain::g();
    s.ListTop = static_cast<int16_t>(std::max(s.ListTop - 1, 1));
    modMain::RefreshDeviceList();
}
