#include "app/core/start_up.h"

#include <memory>

#include "app/core/conversion.h"
#include "app/core/display_text.h"
#include "app/core/end_program.h"
#include "app/core/log_line.h"
#include "app/core/mod_main.h"
#include "app/core/network_files.h"
#include "app/core/pump_until.h"
#include "app/core/reply_wait.h"
#include "app/core/saved_settings.h"
#include "app/core/serial_recording.h"
#include "app/core/string_table.h"
#include "app/core/version_info.h"
#include "app/core/device_list_page.h"
#include "app/log_splash/frmLog.h"
#include "app/log_splash/frmSplash.h"
#include "app/main_window/adapter_reconnect.h"
#include "app/main_window/frmMain.h"
#include "link/zigbee_net.h"
#include "platform/dialogs.h"
#include "platform/program_folder.h"

namespace modMain {

namespace {

constexpr int kAddressRequests = 10;  // retries after the first request
// The splash timer ends the splash after 3 s; should its tick never come, start-up goes on anyway.
constexpr uint32_t kSplashLongestMs = 6000;

int16_t lenient16(const std::string& text) { return CInt(Val(text)); }

void show_splash() {
    State& s = g();
    s.SplashDone = 0;
    auto splash = std::make_unique<frmSplash>();
    windows().splash = splash.get();
    splash->show();
    splash->repaint();
    PumpUntil([&s] { return s.SplashDone == 10; }, kSplashLongestMs);
    splash->close();
    windows().splash = nullptr;
}

// The coordinator's 16 hexadecimal digits, taken from its address text without the colons.
std::string address_digits(const std::string& mac) {
    std::string digits;
    for (size_t i = 0; i < mac.size(); i += 3) digits += mac.substr(i, 2);
    return digits;
}

}  // namespace

bool InitCoordinator() {
    State& s = g();
    ZigBeeNet& link = *controls().link;
    if (s.CoordStartWait != 0) LogLine(LocString(1043), 4);
    int n = 0;
    while (s.CoordStartWait != 1) {
        s.ReplyReceived = 0;
        StartReplyWait(s.DeviceTimeOut);
        link.GetExAddr();
        WaitForReply([&s] { return s.ReplyReceived != 0 || s.WaitTimedOut == 1; });
        LogLine(LocString(1044), 2);
        WaitMs(1000);
        // A port that failed again while a lost adapter is retried has no coordinator behind it.
        if (n >= kAddressRequests || AdapterGone()) {
            if (s.CoordStartWait != 1) {
                if (s.AdapterLost != 1) LogLine(LocString(1048), 3);
                if (AdapterMayReturn()) {
                    LoseAdapter(0);
                    return false;
                }
                WaitMs(5000);
                // Given up after start-up (a restarted coordinator that no longer answers): the
                // devices of this run are saved as on any other way out.
                if (s.StartupDone == 1) {
                    SaveNetworkData();
                    WriteMacListFile();
                }
                EndProgram(2);
            }
            break;
        }
        ++n;
        LogLine(LocString(1045) + " " + std::to_string(n) + " " + LocString(1046) + " 10", 4);
    }
    LogLine(LocString(1047), 4);
    WaitMs(500);
    s.CoordStartWait = 0;

    s.ReplyReceived = 0;
    StartReplyWait(s.DeviceTimeOut);
    link.PanInfo();
    WaitForReply([&s] { return s.ReplyReceived != 0 || s.WaitTimedOut == 1; });

    s.CoordMac = s.ReplyCoordMac;
    s.PanInfo = s.ReplyPanId;
    s.RFCh = s.ReplyRFCh;
    if (frmMain* main = windows().main) {
        main->lblIDCoord->setText(Display(s.CoordMac));
        main->lblPanInfo->setText(Display(s.PanInfo));
        main->lblRFCh->setText(QString::number(s.RFCh));
    }
    return true;
}

void Main() {
    State& s = g();
    s.StartupDone = 0;
    s.SerialPort = ReadSettingInt16(Setting::SerialPort);
    // The language is not chosen yet, so the prompt is always the English one.
    const std::string answer = platform::dialogs().input_box(LoadResString(1042 + s.LangOffset).value_or(""),
                                                              kAppTitle, std::to_string(s.SerialPort));
    s.SerialPort = lenient16(answer);
    if (s.SerialPort == 0) EndProgram(0);

    s.ShowSplash = ReadSettingInt16(Setting::ShowSplash);
    s.LangID = ReadSettingInt16(Setting::LangID);
    // Chosen here or on the command line; nothing in the program writes it.
    if (ReadSettingInt16(Setting::Reconnect) == 1) s.Reconnect = 1;
    SelectLanguage();
    if (s.ShowSplash == 1) show_splash();

    auto* log = new frmLog;
    log->show();
    AnnounceSerialRecording();
    auto* main = new frmMain;
    main->show();

    ZigBeeNet& link = *controls().link;
    link.CommPort(s.SerialPort);
    link.StartOPERATIONS();

    s.CoordStartWait = 30;
    InitCoordinator();

    std::string folder = platform::program_folder();
    if (folder.empty() || folder.back() != '/') folder += '/';
    const std::string digits = address_digits(s.CoordMac);
    s.NetFilePath = folder + digits + ".ini";
    s.MacListPath = folder + digits + "_macList.txt";

    LoadNetworkData();
    s.StartupDone = 1;
    RegisterMacList();

    s.NewDeviceFlag = 0;
    main->tmrNewDevice.set_interval(100);
    main->tmrNewDevice.set_enabled(true);
    main->tmrGenOper.set_interval(100);
    main->tmrGenOper.set_enabled(true);
    if (s.mSecAlive < 100) s.mSecAlive = 1000;
    main->tmrDevAlive.set_interval(static_cast<uint16_t>(std::min<int32_t>(s.mSecAlive, 65535)));
    main->tmrDevAlive.set_enabled(true);

    s.ListTop = 1;
    RefreshDeviceList();
    main->lblTotalDevice->setText(QString::number(s.TotalDevice));
    main->Status->Panels(2).setText(Display(LocString(1020) + link.OCXVersion()));
    main->frmNETWORK->setEnabled(true);
    main->frmLSTDEV->setEnabled(true);
}

}  // namespace modMain
