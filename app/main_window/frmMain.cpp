#include "app/main_window/frmMain.h"

#include <QCloseEvent>
#include <utility>

#include "app/core/device_list_page.h"
#include "app/core/device_table.h"
#include "app/core/end_program.h"
#include "app/core/localised_captions.h"
#include "app/core/network_files.h"
#include "app/core/start_up.h"
#include "app/log_splash/frmLog.h"
#include "app/main_window/adapter_reconnect.h"
#include "app/main_window/device_opening.h"
#include "app/main_window/main_menu.h"
#include "app/main_window/reply_handling.h"
#include "app/core/mod_main.h"
#include "app/core/reply_wait.h"
#include "app/core/saved_settings.h"
#include "app/core/twips.h"
#include "app/health/recording.h"

namespace {

constexpr int32_t kHeight = 8970;
constexpr int32_t kWidth = 13170;
// Where the window goes when its saved position is off this screen.
constexpr double kOffScreenPosition = 100;

// The row widgets named <prefix>_0 .. <prefix>_11 in the window definition.
frmMain::RowLabels row_group(QWidget* window, const QString& prefix) {
    frmMain::RowLabels group{};
    for (int k = 0; k < frmMain::kListRows; ++k)
        group[static_cast<size_t>(k)] = window->findChild<QLabel*>(prefix + QLatin1Char('_') + QString::number(k));
    return group;
}

}  // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
    setupUi(this);
    lblLstDEVSeq = row_group(this, QStringLiteral("lblLstDEVSeq"));
    lblLstDEVDep = row_group(this, QStringLiteral("lblLstDEVDep"));
    lblLstDEVShort = row_group(this, QStringLiteral("lblLstDEVShort"));
    lblLstDEVName = row_group(this, QStringLiteral("lblLstDEVName"));
    lblLstDEVType = row_group(this, QStringLiteral("lblLstDEVType"));
    lblLstDEVKa = row_group(this, QStringLiteral("lblLstDEVKa"));
    picSTSDEV = row_group(this, QStringLiteral("picSTSDEV"));
    BindDeviceOpening();

    tmrTimeOut.set_interval(100);
    tmrTimeOut.set_on_tick([this] { tmrTimeOut_Timer(); });
    tmrDevAlive.set_interval(1000);
    tmrDevAlive.set_on_tick([this] { tmrDevAlive_Timer(); });
    tmrGenOper.set_interval(100);
    tmrGenOper.set_on_tick([this] { tmrGenOper_Timer(); });
    tmrNewDevice.set_interval(100);
    tmrNewDevice.set_on_tick([this] { tmrNewDevice_Timer(); });
    tmrTest.set_interval(500);
    tmrTest.set_on_tick([this] { tmrTest_Timer(); });
    tmrResetWait.set_interval(65535);
    tmrResetWait.set_on_tick([this] { tmrResetWait_Timer(); });
    tmrReconnect.set_on_tick([this] { tmrReconnect_Timer(); });
    ConnectButtons();

    ZigBeeNet.set_events(this);
    modMain::controls() = {&ZigBeeNet, &iniZB};
    modMain::windows().main = this;
    modMain::BuildMainMenu(*this);
    health::StartSession();
    Form_Load();
}

frmMain::~frmMain() {
    ZigBeeNet.set_events(nullptr);
    if (modMain::controls().link == &ZigBeeNet) modMain::controls() = {};
    if (modMain::windows().main == this) modMain::windows().main = nullptr;
}

void frmMain::Form_Load() {
    using namespace modMain;
    ApplyLocalisedCaptions(this);
    const float left = ReadSettingSingle(Setting::MainLeft);
    const float top = ReadSettingSingle(Setting::MainTop);
    SetOuterSizeTwips(this, kWidth, kHeight);
    MoveToTwips(this, PlaceAxis(left, kWidth, ScreenWidthTwips(), kOffScreenPosition),
                PlaceAxis(top, kHeight, ScreenHeightTwips(), kOffScreenPosition));
}

void frmMain::tmrTimeOut_Timer() { modMain::ReplyWaitTick(); }

void frmMain::tmrReconnect_Timer() { modMain::RetryAdapter(); }

void frmMain::closeEvent(QCloseEvent* event) {
    event->accept();
    Form_Unload();
}

void frmMain::SaveSettings() {
    using namespace modMain;
    const State& s = g();
    SaveSetting(Setting::MainLeft, LeftTwips(this));
    SaveSetting(Setting::MainTop, TopTwips(this));
    SaveSetting(Setting::SerialPort, s.SerialPort);
    SaveSetting(Setting::ShowSplash, s.ShowSplash);
    SaveSetting(Setting::LangID, s.LangID);
}

void frmMain::Form_Unload() {
    using namespace modMain;
    State& s = g();
    SaveSettings();
    tmrNewDevice.set_enabled(false);
    tmrGenOper.set_enabled(false);
    if (frmLog* log = windows().log) log->close();
    if (s.StartupDone == 1) {
        PutShownDeviceBack();
        SaveNetworkData();
        WriteMacListFile();
    }
    EndProgram(0);
}

void frmMain::ZigBeeNet_StringReceived(const std::string& recString) { modMain::HandleStringReceived(recString); }
void frmMain::ZigBeeNet_StringSent(const std::string& sndString) { modMain::HandleStringSent(sndString); }
void frmMain::ZigBeeNet_ErrorDetected(int16_t errCode) { modMain::HandleErrorDetected(errCode); }
void frmMain::ZigBeeNet_DataReceived(const std::string& recDataAddr, const std::string& recData) {
    modMain::HandleDataReceived(recDataAddr, recData);
}

void frmMain::tmrNewDevice_Timer() {
    using namespace modMain;
    State& s = g();
    if (s.CoordResetWait != 0) return;
    if (s.NewDeviceFlag != 0) {
        for (int k = s.NewDevIdx; k >= 1 && k <= s.TotalDevice; ++k) {
            const DeviceRecord& d = s.Devices[k];
            UpdateDeviceIdentity(d.ID64Long, d.ID16Short, static_cast<int16_t>(k));
            s.NewDevIdx = s.TotalDevice;
            s.NewDeviceFlag = 0;
        }
        s.OperBusy = 0;
        RefreshDeviceList();
    }
    if (s.FoundDevIdx != 0) {
        s.FoundDevIdx = 0;
        s.OperBusy = 0;
        RefreshDeviceList();
        lblTotalDevice->setText(QString::number(s.TotalDevice));
    }
    if (s.NewDeviceFlag == 0 && s.FoundDevIdx == 0) tmrNewDevice.rest();
}

void frmMain::WakeSupervision() {
    tmrNewDevice.wake();
    tmrGenOper.wake();
}

void frmMain::tmrGenOper_Timer() {
    using namespace modMain;
    State& s = g();
    // While the adapter is away its retries identify the coordinator.
    if (s.CoordAnnounced == 1 && s.AdapterLost == 1) s.CoordAnnounced = 0;
    if (s.CoordAnnounced == 1) {
        s.CoordAnnounced = 0;
        tmrResetWait.set_enabled(false);
        // Not identified: the program waits for the adapter, frames off.
        if (!InitCoordinator()) return;
        RegisterMacList();
        tmrTimeOut.set_enabled(false);
        s.OperBusy = 0;
        frmNETWORK->setEnabled(true);
        frmLSTDEV->setEnabled(true);
    }
    if (s.ListDirty == 1) {
        tmrDevAlive.set_enabled(false);
        s.ListDirty = 0;
        int16_t count = 0;
        const DeviceSlots& table = s.Devices;
        const int last = table.LastInUse(kScanSlots);
        for (int i = 1; i <= last; ++i)
            if (!table[i].ID64Long.empty()) ++count;
        s.TotalDevice = count;
        tmrDevAlive.set_enabled(true);
        RefreshDeviceList();
        lblTotalDevice->setText(QString::number(s.TotalDevice));
    }
    if (s.CoordAnnounced != 1 && s.ListDirty != 1) tmrGenOper.rest();
}

void frmMain::tmrDevAlive_Timer() {
    using namespace modMain;
    State& s = g();
    if (s.enaPollPing == 0 || s.CoordResetWait != 0 || s.CoordAnnounced != 0) return;
    if (s.OperBusy == 1) {
        s.PollIndex = 0;
        return;
    }
    int p = s.PollIndex;
    if (p == 0) {
        p = 1;
        s.PollIndex = 1;
    }
    auto end_device = [](const DeviceRecord& d) { return d.DeviceType == 6 || d.DeviceType == 4; };
    if (p > 1 && p - 1 <= kTableSlots) {
        DeviceRecord& q = s.Devices[p - 1];
        if (end_device(q)) {
            q.devIOValid = 0;
            q.DeviceLQI = 0;
            q.devStatus = 2;
        } else {
            const bool answered = !q.ID16Short.empty() && !q.ID64Long.empty() && s.PingShort == q.ID16Short;
            const bool with_flags = answered && s.PingFlagA == 1 && s.PingFlagC == 1;
            health::PingJudged(q, with_flags, s.PingLQI);
            if (with_flags) {
                q.DeviceLQI = s.PingLQI;
                q.devStatus = 1;
            } else if (answered || q.devIOValid == 0) {
                q.DeviceLQI = 0;
                q.devStatus = 0;
            }
        }
        q.devIOValid = 0;
        s.PingFlagA = 0;
        s.PingFlagC = 0;
        s.PingLQI = 0;
        s.PingShort.clear();
        if (s.PollIndex > s.TotalDevice) {
            p = 1;
            s.PollIndex = 1;
        }
    }
    if (p <= kTableSlots) {
        const DeviceRecord& d = std::as_const(s.Devices)[p];
        if (!d.ID16Short.empty() && !d.ID64Long.empty() && !end_device(d) && d.devIOValid == 0) {
            ZigBeeNet.Ping(d.ID16Short);
            health::PingSent(d);
        }
    }
    s.PollIndex = static_cast<int16_t>(p + 1);
    RefreshDeviceList();
    lblTotalDevice->setText(QString::number(s.TotalDevice));
}
