#pragma once
// The main window: the operator's console for the network. Controls come from frmMain.ui; the device
// list rows are grouped into arrays indexed 0..11 like the rows they show.
#include <QLabel>
#include <QMainWindow>
#include <array>

#include "app/main_window/image_list.h"
#include "app/main_window/status_panels.h"
#include "link/zigbee_net.h"
#include "platform/timer.h"
#include "profile/pravel.h"
#include "ui_frmMain.h"

class frmMain : public QMainWindow, public Ui::frmMain, private ZigBeeNetEvents {
    Q_OBJECT
public:
    static constexpr int kListRows = 12;
    using RowLabels = std::array<QLabel*, kListRows>;

    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    void Form_Load();
    // The window's place and the program's settings, as the window's closing saves them.
    void SaveSettings();
    // Saves the settings and, once start-up has loaded them, the network files; then the program ends.
    void Form_Unload();
    void tmrTimeOut_Timer();
    void tmrNewDevice_Timer();
    void tmrGenOper_Timer();
    void tmrDevAlive_Timer();
    void tmrTest_Timer();
    void tmrResetWait_Timer();
    void tmrReconnect_Timer();
    // The new-device and general-operations ticks rest while they have nothing to do; an announce, a
    // deletion or a restart to be handled wakes them.
    void WakeSupervision();
    // Opens the device window for the device in that row and supplies it until it closes.
    void lblLstDEVName_DblClick(int16_t Index);
    // A reset or a channel change is under way: the coordinator's restart, its identification and its
    // registration hold the shared reply wait until the command frames are back on.
    bool CoordinatorRestarting() const;

    // The operator's buttons.
    void cmdAddItem_Click();
    void cmdChgRFCh_Click();
    void cmdDelDevice_Click();
    void cmdDirectCmd_Click();
    void cmdEnPing_Click();
    void cmdULockNet_Click();
    void cmdReset_Click();
    void cmdSaveData_Click();
    void cmdUP_Click();
    void cmdDown_Click();
    void cmdTst_Click();

    // The link's events.
    void ZigBeeNet_StringReceived(const std::string& recString);
    void ZigBeeNet_StringSent(const std::string& sndString);
    void ZigBeeNet_ErrorDetected(int16_t errCode);
    void ZigBeeNet_DataReceived(const std::string& recDataAddr, const std::string& recData);

    // The two controls the window carries.
    ::ZigBeeNet ZigBeeNet;
    Pravel iniZB;

    // The device list page.
    RowLabels lblLstDEVSeq{}, lblLstDEVDep{}, lblLstDEVShort{}, lblLstDEVName{}, lblLstDEVType{}, lblLstDEVKa{};
    RowLabels picSTSDEV{};

    platform::Timer tmrTimeOut;
    platform::Timer tmrDevAlive;
    platform::Timer tmrGenOper;
    platform::Timer tmrNewDevice;
    platform::Timer tmrTest;
    // Gives a reset whose coordinator never announced itself back to the identification.
    platform::Timer tmrResetWait;
    // Retries a lost adapter.
    platform::Timer tmrReconnect;

    ImageList imgList;

    // The output test last switched the test device's output on.
    int16_t TestOutputOn = 0;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BindDeviceOpening();
    void ConnectButtons();
    // The network buttons and the device list, off while the coordinator restarts.
    void SetCommandFramesEnabled(bool enabled);

    void StringReceived(const std::string& recString) override { ZigBeeNet_StringReceived(recString); }
    void StringSent(const std::string& sndString) override { ZigBeeNet_StringSent(sndString); }
    void ErrorDetected(int16_t errCode) override { ZigBeeNet_ErrorDetected(errCode); }
    void DataReceived(const std::string& recDataAddr, const std::string& recData) override {
        ZigBeeNet_DataReceived(recDataAddr, recData);
    }
};
