#pragma once
// The device window: one device's identity, live I/O, settings and string exchange. It never reads
// the device: it shows the working copy CurDevice (and the live status of its table slot), redrawn
// once a second by tmrIOA. Controls come from frmDevice.ui; the lamp, output and bar groups are
// arrays indexed like the inputs, outputs and channels they show, from 0.
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

#include "app/device_window/device_sparklines.h"
#include "platform/timer.h"
#include "ui_frmDevice.h"

class QLabel;
class QProgressBar;
class QPushButton;

class frmDevice : public QWidget, public Ui::frmDevice {
    Q_OBJECT
public:
    // Loads the window for CurDevice (Form_Load runs here); the opener shows it.
    explicit frmDevice(QWidget* parent = nullptr);
    ~frmDevice() override;

    void Form_Load();
    void tmrIOA_Timer();
    // Cancel set to 1 keeps the window open.
    void Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode);
    void Form_Unload(int16_t& Cancel);

    void cmdApply_Click();
    void cmdOutput_Click(int16_t Index);
    void cmdSendData_Click();
    void txtSendData_KeyDown(int16_t KeyCode, int16_t Shift);

    std::array<QLabel*, 3> imgI{};
    std::array<QPushButton*, 4> cmdOutput{};
    std::array<QProgressBar*, 4> barANG{};
    platform::Timer tmrIOA;
    std::unique_ptr<DeviceSparklines> sparklines;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows list image 1 (red, off) or 2 (green, on) of the main window's image list.
    void ShowLamp(QLabel* lamp, int image);
    void ShowLamp(QPushButton* button, int image);
    void ShowStatus(int16_t devStatus);
    // The send panel's string, by the button or by Enter (whose length limit ignores the device type).
    void SendString(bool by_enter);
    // The exchange text as last drawn, so an unchanged text is not put in again every second.
    std::string drawn_rx_log_;
    bool rx_log_drawn_ = false;
};
