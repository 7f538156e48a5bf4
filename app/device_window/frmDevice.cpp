#include "app/device_window/frmDevice.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QTextCursor>

#include "app/core/conversion.h"
#include "app/core/display_text.h"
#include "app/core/localised_captions.h"
#include "app/core/mod_main.h"
#include "app/core/saved_settings.h"
#include "app/core/twips.h"
#include "app/device_window/io_display.h"
#include "app/device_window/setting_limits.h"
#include "app/main_window/frmMain.h"
#include "link/zigbee_net.h"

namespace {

constexpr uint16_t kRedrawMs = 1000;
constexpr int kBarMaximum = 0x1fff;
// The exchange text box shows its text from this character on at most; longer texts are not scrolled
// to their very end.
constexpr int kCaretPosition = 65535;
constexpr int kLampOff = 1;
constexpr int kLampOn = 2;

// The exchange log ends its lines with a carriage return; the box shows them as lines.
QString exchange_text(const std::string& rx_log) {
    QString text = modMain::Display(rx_log);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace

frmDevice::frmDevice(QWidget* parent) : QWidget(parent) {
    setupUi(this);
    setFixedSize(size());
    // The classic caption font where it is installed, its free look-alike otherwise.
    QFont captions = font();
    captions.setFamilies({QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue")});
    setFont(captions);
    imgI = {imgI_0, imgI_1, imgI_2};
    cmdOutput = {cmdOutput_0, cmdOutput_1, cmdOutput_2, cmdOutput_3};
    barANG = {barANG_0, barANG_1, barANG_2, barANG_3};
    sparklines = std::make_unique<DeviceSparklines>(*this);
    for (size_t k = 0; k < cmdOutput.size(); ++k)
        connect(cmdOutput[k], &QPushButton::clicked, this, [this, k] { cmdOutput_Click(static_cast<int16_t>(k)); });
    connect(cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    connect(cmdSendData, &QPushButton::clicked, this, [this] { cmdSendData_Click(); });
    txtSendData->installEventFilter(this);
    // Until a report says otherwise the inputs show off.
    for (QLabel* lamp : imgI) ShowLamp(lamp, kLampOff);
    tmrIOA.set_interval(kRedrawMs);
    tmrIOA.set_on_tick([this] { tmrIOA_Timer(); });
    modMain::windows().device = this;
    Form_Load();
}

frmDevice::~frmDevice() {
    if (modMain::windows().device == this) modMain::windows().device = nullptr;
}

void frmDevice::Form_Load() {
    using namespace modMain;
    State& s = g();
    MoveToTwips(this, ReadSettingSingle(Setting::DeviceLeft), ReadSettingSingle(Setting::DeviceTop));
    ApplyLocalisedCaptions(this);

    s.DevPollPhase = 10;
    // A period read from the network file may be one the rate command cannot carry; only what is sent
    // is bounded, the stored period stays as it is until the operator applies another.
    // Pauses with events flowing: replies may refresh CurDevice before the fields below are filled.
    if (ZigBeeNet* link = controls().link)
        link->SetNewRate(RateCommandPeriod(s.CurDevice.devNewRate), s.CurDevice.ID16Short);
    s.OutputState1 = s.OutputState2 = s.OutputState3 = s.OutputState4 = 1;

    const DeviceRecord& cur = s.CurDevice;
    txtDevName->setText(modMain::Display(Trim(cur.DeviceName)));
    txtNewRate->setText(QString::number(cur.devNewRate));
    lblLQI->setText(QString::number(cur.DeviceLQI));
    lblMAC->setText(modMain::Display(cur.ID64Long));
    lblSHORT->setText(modMain::Display(cur.ID16Short));
    lblTYPE->setText(modMain::Display(cur.DeviceTypeSTR));
    const bool end_device = IsEndDevice(cur.DeviceType);
    lblPollRate->setVisible(end_device);
    txtPollRate->setVisible(end_device);
    if (end_device) txtPollRate->setText(QString::number(cur.devPollRate));
    ShowStatus(cur.devStatus);
    tmrIOA.set_enabled(true);

    for (QProgressBar* bar : barANG) bar->setMinimum(0);
    for (QProgressBar* bar : barANG) bar->setMaximum(kBarMaximum);
    for (QPushButton* button : cmdOutput) ShowLamp(button, kLampOn);
    chkKeepAlive->setChecked(cur.stsEnableKeepAlive == 1);
    txtSendAddr->setText(modMain::Display(cur.ID16Short));
}

void frmDevice::tmrIOA_Timer() {
    using namespace modMain;
    State& s = g();
    // Each field is read when it is reached: a reply handled during a redraw is no concern, none pumps.
    const DeviceRecord& cur = s.CurDevice;
    const std::string* channels[] = {&cur.devAnalog1, &cur.devAnalog2, &cur.devAnalog3, &cur.devAnalog4};
    for (size_t k = 0; k < barANG.size(); ++k)
        barANG[k]->setValue(BarValue(*channels[k], barANG[k]->minimum(), barANG[k]->maximum()));

    // An empty (or unreadable) bitmap leaves the lamps as they are and the outputs unsynchronised.
    if (const auto bits = HexInt16(cur.devInputs)) {
        for (size_t k = 0; k < imgI.size(); ++k) ShowLamp(imgI[k], (*bits & kInputBits[k]) ? kLampOn : kLampOff);
        if (s.DevPollPhase == 20) {
            s.DevPollPhase = 30;
            int16_t* states[] = {&s.OutputState1, &s.OutputState2, &s.OutputState3, &s.OutputState4};
            for (size_t k = 0; k < cmdOutput.size(); ++k) {
                const bool on = (*bits & kOutputBits[k]) != 0;
                ShowLamp(cmdOutput[k], on ? kLampOn : kLampOff);
                *states[k] = on ? 1 : 0;
            }
        }
    }

    const int slot = s.OpenDeviceIdx;
    const DeviceSlots& table = s.Devices;
    ShowStatus(slot >= 1 && slot <= kTableSlots ? table[static_cast<size_t>(slot)].devStatus : int16_t{0});
    lblVBatt->setText(GeneralNumber(cur.devVBatt));
    lblTemp->setText(GeneralNumber(cur.devTemp));
    sparklines->Redraw(cur);

    // The same text is not put in again, so the operator can scroll back through an unchanged log.
    if (!rx_log_drawn_ || drawn_rx_log_ != cur.devRxLog) {
        drawn_rx_log_ = cur.devRxLog;
        rx_log_drawn_ = true;
        txtRxData->setPlainText(exchange_text(drawn_rx_log_));
        QTextCursor caret(txtRxData->document());
        caret.setPosition(std::min(kCaretPosition, txtRxData->document()->characterCount() - 1));
        txtRxData->setTextCursor(caret);
    }
}

void frmDevice::Form_QueryUnload(int16_t& Cancel, int16_t /*UnloadMode*/) {
    // Apply is waiting for the device; its outcome belongs to this window's record.
    if (modMain::g().DevWinState == 10) Cancel = 1;
}

void frmDevice::Form_Unload(int16_t& /*Cancel*/) {
    using namespace modMain;
    SaveSetting(Setting::DeviceLeft, LeftTwips(this));
    SaveSetting(Setting::DeviceTop, TopTwips(this));
    tmrIOA.set_enabled(false);
    g().DevWinState = 1;
}

void frmDevice::closeEvent(QCloseEvent* event) {
    int16_t cancel = 0;
    Form_QueryUnload(cancel, 0);
    if (cancel != 0) {
        event->ignore();
        return;
    }
    Form_Unload(cancel);
    event->accept();
}

bool frmDevice::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtSendData && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            txtSendData_KeyDown(13, static_cast<int16_t>(key->modifiers() & Qt::ShiftModifier ? 1 : 0));
    }
    // The key goes on to the text box either way.
    return QWidget::eventFilter(watched, event);
}

void frmDevice::ShowLamp(QLabel* lamp, int image) {
    if (frmMain* main = modMain::windows().main) lamp->setPixmap(main->imgList.ListImages(image));
}

void frmDevice::ShowLamp(QPushButton* button, int image) {
    if (frmMain* main = modMain::windows().main) button->setIcon(QIcon(main->imgList.ListImages(image)));
}

void frmDevice::ShowStatus(int16_t devStatus) {
    const bool online = devStatus == 1;
    QPalette palette = lblSTATUS->palette();
    palette.setColor(QPalette::Window, online ? QColor(0, 255, 0) : QColor(255, 0, 0));
    lblSTATUS->setPalette(palette);
    lblSTATUS->setText(online ? QStringLiteral("ONLINE") : QStringLiteral("OFFLINE"));
}
