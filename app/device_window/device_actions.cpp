// The device window's actions: Apply sends the settings and keeps what the device acknowledged, the
// output buttons switch outputs from the believed state, the send panel passes strings on.
#include "app/core/conversion.h"
#include "app/core/device_table.h"
#include "app/core/display_text.h"
#include "app/core/log_line.h"
#include "app/core/mod_main.h"
#include "app/core/pump_until.h"
#include "app/core/reply_wait.h"
#include "app/core/rx_log.h"
#include "app/device_window/frmDevice.h"
#include "app/device_window/setting_limits.h"
#include "app/main_window/frmMain.h"
#include "link/zigbee_net.h"

namespace {

// The reply wait reports its expiry one 100 ms tick after its limit; the wait gives it one more tick
// and then ends by itself, in case another reply stopped the expiry from coming.
constexpr uint32_t kExpirySlackMs = 200;

constexpr const char* kApplyRefusedWhileRestarting =
    "Apply not sent: the coordinator is restarting; apply again once it is ready";

double number_in(const QLineEdit* box) { return modMain::Val(modMain::FromDisplay(box->text())); }

void correct(QLineEdit* box, const std::optional<std::string>& text) {
    if (text) box->setText(modMain::Display(*text));
}

// Pumps until the acknowledgement flag is set or the reply wait has expired; then the wait's timer
// stops either way.
void await_acknowledgement(const int16_t& ack, int32_t wait_ms) {
    const modMain::State& s = modMain::g();
    modMain::PumpUntil([&] { return ack != 0 || s.WaitTimedOut == 1; },
                       static_cast<uint32_t>(wait_ms) + kExpirySlackMs);
    if (frmMain* main = modMain::windows().main) main->tmrTimeOut.set_enabled(false);
}

int16_t& output_state(int16_t k) {
    modMain::State& s = modMain::g();
    switch (k) {
    case 1: return s.OutputState1;
    case 2: return s.OutputState2;
    case 3: return s.OutputState3;
    default: return s.OutputState4;
    }
}

}  // namespace

void frmDevice::cmdApply_Click() {
    using namespace modMain;
    State& s = g();
    // A second Apply inside the first one's wait would end the first one's hold on closing early.
    if (s.DevWinState == 10) return;
    ZigBeeNet* link = controls().link;
    if (!link) return;
    // Apply's waits would re-arm the reply wait that the coordinator's restart is counted on, and their
    // expiry would end that wait early as a failed restart.
    if (frmMain* main = windows().main; main && main->CoordinatorRestarting()) {
        LogLine(kApplyRefusedWhileRestarting, 3);
        return;
    }
    s.DevWinState = 10;
    setCursor(Qt::WaitCursor);
    const int32_t wait_ms = IsEndDevice(s.CurDevice.DeviceType) ? kApplyWaitEndDeviceMs : kApplyWaitMs;
    s.OperBusy = 1;

    s.CurDevice.DeviceName = Trim(FromDisplay(txtDevName->text()));
    correct(txtNewRate, CorrectedNewRateText(number_in(txtNewRate)));
    s.CurDevice.devNewRate = CLng(number_in(txtNewRate));

    if (number_in(txtPollRate) > 0 && IsEndDevice(s.CurDevice.DeviceType)) {
        correct(txtPollRate, CorrectedPollRateText(number_in(txtPollRate)));
        s.PollRateAck = 0;
        StartReplyWait(wait_ms);
        link->SetPollRate(CLng(number_in(txtPollRate)), s.CurDevice.ID16Short);
        await_acknowledgement(s.PollRateAck, wait_ms);
        // Read again: what the box holds now is what the operator last asked for.
        if (s.WaitTimedOut == 0 && s.PollRateAck == 1) s.CurDevice.devPollRate = CLng(number_in(txtPollRate));
    }

    s.KeepAliveAck = 0;
    StartReplyWait(wait_ms);
    link->setKeepAlive(s.CurDevice.ID16Short, chkKeepAlive->isChecked() ? 1 : 0);
    await_acknowledgement(s.KeepAliveAck, wait_ms);
    if (s.WaitTimedOut == 0 && s.KeepAliveAck == 1) s.CurDevice.stsEnableKeepAlive = chkKeepAlive->isChecked() ? 1 : 0;

    link->SetNewRate(s.CurDevice.devNewRate, s.CurDevice.ID16Short);
    s.OperBusy = 0;
    setCursor(Qt::ArrowCursor);
    s.DevWinState = 20;
}

void frmDevice::cmdOutput_Click(int16_t Index) {
    using namespace modMain;
    if (Index < 0 || Index > 3) return;
    ZigBeeNet* link = controls().link;
    if (!link) return;
    const int16_t k = static_cast<int16_t>(Index + 1);
    int16_t& state = output_state(k);
    const std::string& short_id = g().CurDevice.ID16Short;
    if (state != 0) {
        link->ResetOutput(short_id, k);
        ShowLamp(cmdOutput[static_cast<size_t>(Index)], 1);
        state = 0;
    } else {
        link->SetOutput(short_id, k);
        ShowLamp(cmdOutput[static_cast<size_t>(Index)], 2);
        state = 1;
    }
}

void frmDevice::cmdSendData_Click() { SendString(false); }

void frmDevice::txtSendData_KeyDown(int16_t KeyCode, int16_t /*Shift*/) {
    if (KeyCode == 13) SendString(true);
}

void frmDevice::SendString(bool by_enter) {
    using namespace modMain;
    State& s = g();
    const std::string typed_address = FromDisplay(txtSendAddr->text());
    const std::string text = FromDisplay(txtSendData->text());
    if (typed_address.empty() || text.empty()) return;
    // The address goes into the command as it stands: only a short address may.
    const auto address = ShortAddress(typed_address);
    if (!address) return;
    if (*address != typed_address) txtSendAddr->setText(modMain::Display(*address));

    s.LastTxText = "TX: " + text;
    s.LastTxShort = *address;
    if (text.size() > static_cast<size_t>(StringLimit(by_enter, s.CurDevice.DeviceType))) {
        const int16_t j = FindDeviceByShort(s.LastTxShort);
        if (j != 0)
            AppendToRxLog(s.Devices[static_cast<size_t>(j)].devRxLog, "!" + s.LastTxText + "\r");
        else
            // No device holds that address, so no exchange log to note the refusal in: the log says it.
            LogLine("!" + s.LastTxText + " -> " + s.LastTxShort, 3);
        txtSendData->clear();
        return;
    }
    if (ZigBeeNet* link = controls().link) link->SendData(*address, text);
    txtSendData->clear();
    s.SendDataPending = 1;
}
