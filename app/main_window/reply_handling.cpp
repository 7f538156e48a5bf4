#include "app/main_window/reply_handling.h"

#include <cfenv>
#include <cmath>
#include <iostream>

#include "app/core/device_table.h"
#include "app/core/end_program.h"
#include "app/core/hex_text.h"
#include "app/core/log_line.h"
#include "app/core/mod_main.h"
#include "app/core/network_files.h"
#include "app/core/reply_wait.h"
#include "app/core/rx_log.h"
#include "app/core/string_table.h"
#include "app/core/version_info.h"
#include "app/health/recording.h"
#include "app/log_splash/frmLog.h"
#include "app/main_window/adapter_reconnect.h"
#include "app/main_window/device_opening.h"
#include "app/main_window/frmMain.h"
#include "platform/dialogs.h"
#include "platform/port_problem.h"

namespace modMain {

namespace {

uint8_t byte_at(const std::string& s, size_t pos1) { return static_cast<uint8_t>(s[pos1 - 1]); }

// A reply that answers a waiting command ends the reply wait at once.
void close_reply_wait() {
    if (frmMain* main = windows().main) main->tmrTimeOut.set_enabled(false);
    if (frmLog* log = windows().log) log->barLOG->setValue(log->barLOG->minimum());
}

void stage1_log(const std::string& r, bool& marked) {
    marked = false;
    const uint8_t code = byte_at(r, 1);
    if (code == 0x30 || code == 0x34) {
        LogLine("RX: " + HexDumpDash(r), 1);
    } else if (code == 0x08 && r.size() == 19) {
        // The 19-character form is logged only when it carries the H mark; unmarked ones stay silent.
        if (byte_at(r, 18) == 0x48) {
            LogLine("RX: " + HexDumpDash(r), 3);
            marked = true;
        }
    } else {
        LogLine("RX: " + HexDumpDash(r), 2);
    }
}

void io_report(const std::string& r, bool marked) {
    State& s = g();
    const int16_t i = FindDeviceByShort(WordToHex(r.substr(1, 2)));
    if (i == 0) return;
    if (!marked) {
        DeviceRecord& d = s.Devices[i];
        d.devVBatt = BatteryVolts(byte_at(r, 4), byte_at(r, 5));
        d.devTemp = Temperature(byte_at(r, 6), byte_at(r, 7));
        d.devAnalog1 = WordToHex(r.substr(7, 2));
        d.devAnalog2 = WordToHex(r.substr(9, 2));
        d.devAnalog3 = WordToHex(r.substr(11, 2));
        d.devAnalog4 = WordToHex(r.substr(13, 2));
        // The input bitmap is shown without a leading zero.
        const std::string inputs = HexDumpDash(r.substr(15, 1));
        d.devInputs = inputs[0] == '0' ? inputs.substr(1) : inputs;
        d.devIOValid = 1;
        d.devStatus = 1;
        health::ReportStored(d, r);
    }
    if (s.OpenDeviceShort.empty()) return;
    const int16_t k = FindDeviceByShort(s.OpenDeviceShort);
    // Once the window is bound to a slot, only that slot refreshes its copy: a short address the shown
    // device gave up may by now name another device, whose record must not go back into this slot.
    if (k == 0 || (s.OpenDeviceIdx != 0 && k != s.OpenDeviceIdx)) return;
    // The fields the device window edits stay as the operator left them.
    DeviceRecord& cur = s.CurDevice;
    std::string name = cur.DeviceName;
    int32_t pollRate = cur.devPollRate;
    int32_t newRate = cur.devNewRate;
    int16_t keepAlive = cur.stsEnableKeepAlive;
    cur = s.Devices[k];
    cur.DeviceName = std::move(name);
    cur.devPollRate = pollRate;
    cur.devNewRate = newRate;
    cur.stsEnableKeepAlive = keepAlive;
    if (s.DevPollPhase == 10) s.DevPollPhase = 20;
}

void delivery_report(const char* mark) {
    State& s = g();
    if (s.LastTxShort.empty() || s.SendDataPending != 1) return;
    const int16_t j = FindDeviceByShort(s.LastTxShort);
    if (j != 0) AppendToRxLog(s.Devices[j].devRxLog, std::string(mark) + s.LastTxText + "\r");
    s.SendDataPending = mark[0] == '!' ? 1 : 0;
}

void restart_notice() {
    State& s = g();
    s.OperBusy = 1;
    if (s.CoordResetWait != 0 || s.CoordStartWait != 0)
        s.CoordResetWait = 20;
    else
        LogLine(LocString(1051), 4);
    StartReplyWait(65000);
}

// The type byte is written in hexadecimal and read as a decimal number (0x07 is type 7). A byte whose
// hexadecimal text holds a letter names no type in use; it is kept as 0, which no rule matches.
int16_t announced_type(uint8_t b) {
    if ((b >> 4) > 9 || (b & 15) > 9) return 0;
    return static_cast<int16_t>((b >> 4) * 10 + (b & 15));
}

void announce(const std::string& r) {
    State& s = g();
    const std::string shortId = WordToHex(r.substr(1, 2));
    const std::string mac = HexDumpColon(r.substr(3, 8));
    const int16_t type = announced_type(byte_at(r, 12));

    if (shortId == "0000") {
        if (s.CoordResetWait == 0 && s.CoordStartWait == 0) {
            s.CoordAnnounced = 1;
            return;
        }
        LogLine(LocString(1047), 4);
        if (frmMain* main = windows().main) main->tmrTimeOut.set_enabled(false);
        s.WaitTimedOut = 1;
        s.CoordResetWait = 0;
        s.OperBusy = 0;
        return;
    }

    const int16_t a = FindDeviceByShort(shortId);
    const int16_t b = FindDeviceByMac(mac);
    // A short address that now belongs to a new device (its MAC is in no record, the record holding the
    // short address has another MAC) is a new device: the old record only loses that short address.
    const bool reused = b == 0 && a != 0 && !s.Devices[a].ID64Long.empty() && s.Devices[a].ID64Long != mac;
    if (reused) s.Devices[a].ID16Short.clear();
    if ((a == 0 && b == 0) || reused) {
        if (s.TotalDevice >= kScanSlots) {
            // No slot is left that the searches would ever see; the device is not taken in. Nothing
            // is left for the new-device timer to complete either, and it alone would free the
            // operation again: alive polling must not stay paused.
            LogLine("Device table full: " + mac + " not added", 3);
            s.WaitTimedOut = 1;
            return;
        } else {
            const auto slot = static_cast<int16_t>(s.TotalDevice + 1);
            // A second stranger before the new-device tick must not move the tick's starting slot past
            // the first one, whose record would then never be completed.
            if (s.NewDeviceFlag == 0) s.NewDevIdx = slot;
            DeviceRecord& d = s.Devices[slot];
            d.ID64Long = mac;
            d.ID16Short = shortId;
            d.DeviceType = type;
            s.TotalDevice = slot;
            s.NewDeviceFlag = 1;
        }
    } else {
        if (a == 0) s.Devices[b].ID16Short = shortId;
        const int16_t i = FindDeviceByShort(shortId);
        if (i != 0) {
            if (!s.Devices[i].ID64Long.empty()) {
                if (b != 0) s.Devices[b].ID16Short = shortId;
            } else {
                s.Devices[i].ID64Long = mac;
            }
        }
        s.FoundDevIdx = FindDeviceByMac(mac);
        // The short address now belongs to this device alone: another record that still holds it
        // would take this device's pings and reports.
        if (s.FoundDevIdx != 0) {
            const DeviceSlots& table = s.Devices;
            const int last = table.LastInUse(kScanSlots);
            for (int j = 1; j <= last; ++j) {
                const DeviceRecord& d = table[j];
                if (j != s.FoundDevIdx && d.ID16Short == shortId && !d.ID64Long.empty() && d.ID64Long != mac)
                    s.Devices[j].ID16Short.clear();
            }
        }
    }
    s.OperBusy = 1;
    s.WaitTimedOut = 1;
}

}  // namespace

float BatteryVolts(uint8_t hi, uint8_t lo) { return static_cast<float>((256.0 * hi + lo) / 1000.0); }

float Temperature(uint8_t hi, uint8_t lo) {
    const double raw = 256.0 * hi + lo;
    const float product = static_cast<float>(raw * 0.61065);
    const float quotient = static_cast<float>((product - 779.75) / 2.43);
    const float sum = static_cast<float>(quotient + 8.0);
    // Two decimals, halves to even (the default rounding mode of nearbyint).
    return static_cast<float>(std::nearbyint(static_cast<double>(sum) * 100.0) / 100.0);
}

void HandleStringReceived(const std::string& recString) {
    const std::string& r = recString;
    if (r.empty()) return;
    State& s = g();
    bool marked = false;
    stage1_log(r, marked);

    switch (byte_at(r, 1)) {
        case 0x04:
            if (r.size() < 5) break;
            s.PingLQI = byte_at(r, 2);
            s.PingShort = WordToHex(r.substr(2, 2));
            s.PingFlagA = 1;
            s.PingFlagC = 1;
            close_reply_wait();
            break;
        case 0x06:
            if (r.size() < 12) break;
            close_reply_wait();
            break;
        case 0x07:
            if (r.size() < 10) break;
            s.ReplyCoordMac = HexDumpColon(r.substr(1, 8));
            s.ReplyReceived = 1;
            s.CoordStartWait = 1;
            close_reply_wait();
            break;
        case 0x08:
            if (r.size() < 16 || s.StartupDone == 0) break;
            io_report(r, marked);
            break;
        case 0x09:
            if (r.size() < 5) break;
            s.ReplyReceived = 1;
            close_reply_wait();
            break;
        case 0x11:
            if (r.size() < 5) break;
            s.ReplyRFCh = byte_at(r, 2);
            s.ReplyPanId = WordToHexB(r.substr(2, 2));
            s.ReplyReceived = 1;
            close_reply_wait();
            break;
        case 0x17:
            s.KeepAliveAck = 1;
            close_reply_wait();
            break;
        case 0x19:
            s.PollRateAck = 1;
            close_reply_wait();
            break;
        case 0x30:
            s.CmdAck = 1;
            break;
        case 0x34:
            delivery_report("!");
            break;
        case 0x38:
            delivery_report("*");
            break;
        case 0x46:
            restart_notice();
            break;
        case 0x00:
        case 0xCC:
            if (r.size() < 12) break;
            announce(r);
            if (frmMain* main = windows().main) main->WakeSupervision();
            break;
        default:
            break;
    }
}

void HandleStringSent(const std::string& sndString) { LogLine("TX: " + sndString, 4); }

void HandleErrorDetected(int16_t errCode) {
    if (errCode != 10 && errCode != 20) return;
    if (AdapterMayReturn()) return LoseAdapter(errCode);
    State& s = g();
    // The box and the pause pump events, and a line that is gone fails again on every tick: the one
    // failure is reported once, and what follows it while the program ends is not news.
    if (s.SerialErrorRaised != 0) return;
    s.SerialErrorRaised = 1;
    s.OperBusy = 1;
    // Fixed id: the message reads the same in both languages.
    const std::string text = LoadResString(10063).value_or("Serial Communication Error");
    // The operator needs the system's reason to fix it (a missing group, an unplugged adapter), where
    // it is seen: in the box, on top in the log, and in the terminal the program was started from.
    const std::string reason = errCode == 10 ? platform::port_number_problem(s.SerialPort)
                                             : "serial port " + std::to_string(s.SerialPort) +
                                                   " failed while sending or receiving; " +
                                                   platform::port_number_problem(s.SerialPort);
    if (frmLog* log = windows().log) {
        log->show();
        log->raise();
        log->activateWindow();
    }
    LogLine(text, 0);
    LogLine(reason, 0);
    std::cerr << "Dalmiro: " << text << ": " << reason << std::endl;
    platform::dialogs().error_box(text, kAppTitle, reason);
    WaitMs(5000);
    if (s.StartupDone == 1) {
        PutShownDeviceBack();
        SaveNetworkData();
        WriteMacListFile();
    }
    EndProgram(1);
}

void HandleDataReceived(const std::string& recDataAddr, const std::string& recData) {
    State& s = g();
    const int16_t i = FindDeviceByShort(recDataAddr);
    LogLine("RX FROM: " + recDataAddr + " DATA: " + recData, 2);
    if (i == 0) return;
    DeviceRecord& d = s.Devices[i];
    d.devLastData = recData;
    AppendToRxLog(d.devRxLog, "RX: " + recData + "\r");
}

}  // namespace modMain
