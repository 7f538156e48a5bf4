#include "app/main_window/adapter_reconnect.h"

#include "app/core/device_list_page.h"
#include "app/core/display_text.h"
#include "app/core/log_line.h"
#include "app/core/mod_main.h"
#include "app/core/network_files.h"
#include "app/core/start_up.h"
#include "app/core/string_table.h"
#include "app/main_window/device_opening.h"
#include "app/main_window/frmMain.h"
#include "platform/port_problem.h"

namespace modMain {

namespace {

// Often enough that the station is back within seconds of the adapter; rare enough that a port that
// stays away costs nothing.
constexpr uint16_t kRetryMs = 3000;
constexpr int32_t kItalian = 9000;

// Not in the string table, which holds the texts of the program as it was; in the run's language.
std::string waiting_for_adapter() {
    return g().LangOffset == kItalian ? "in attesa dell'adattatore" : "waiting for the adapter";
}

void show_frames(frmMain& w, bool enabled) {
    w.frmNETWORK->setEnabled(enabled);
    w.frmLSTDEV->setEnabled(enabled);
}

}  // namespace

bool AdapterMayReturn() {
    const State& s = g();
    return s.Reconnect == 1 && s.StartupDone == 1;
}

bool AdapterGone() {
    const State& s = g();
    return s.AdapterLost == 1 && s.ReopenFailed == 1;
}

void LoseAdapter(int16_t errCode) {
    State& s = g();
    frmMain* w = windows().main;
    if (w) w->ZigBeeNet.ClosePort();
    s.ReopenFailed = 1;
    if (s.AdapterLost == 1) return;
    s.AdapterLost = 1;
    s.OperBusy = 1;
    if (errCode != 0) {
        // Fixed id: the message reads the same in both languages.
        LogLine(LoadResString(10063).value_or("Serial Communication Error"), 0);
        const std::string problem = platform::port_number_problem(s.SerialPort);
        LogLine(errCode == 10 ? problem
                              : "serial port " + std::to_string(s.SerialPort) +
                                    " failed while sending or receiving; " + problem,
                0);
    }
    if (w) {
        show_frames(*w, false);
        w->Status->Panels(1).setText(Display(waiting_for_adapter()));
        w->tmrReconnect.set_interval(kRetryMs);
        w->tmrReconnect.set_enabled(true);
    }
    // Whatever happens while the adapter is away, the operator may close the program meanwhile.
    PutShownDeviceBack();
    SaveNetworkData();
    WriteMacListFile();
}

void RetryAdapter() {
    State& s = g();
    frmMain* w = windows().main;
    if (!w || s.AdapterLost != 1) {
        if (w) w->tmrReconnect.set_enabled(false);
        return;
    }
    // A retry pumps events for up to half a minute; the next one starts once this one has failed.
    w->tmrReconnect.set_enabled(false);
    s.ReopenFailed = 0;
    w->ZigBeeNet.StartOPERATIONS();
    if (s.ReopenFailed == 0 && InitCoordinator()) {
        RegisterMacList();
        w->tmrTimeOut.set_enabled(false);
    }
    if (s.ReopenFailed == 1) {
        w->ZigBeeNet.ClosePort();
        w->tmrReconnect.set_enabled(true);
        return;
    }
    s.AdapterLost = 0;
    s.OperBusy = 0;
    show_frames(*w, true);
    RefreshDeviceList();
    w->lblTotalDevice->setText(QString::number(s.TotalDevice));
}

}  // namespace modMain
