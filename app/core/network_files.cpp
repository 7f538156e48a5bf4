#include "app/core/network_files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>
#include <vector>

#include "app/core/conversion.h"
#include "app/core/display_text.h"
#include "app/core/log_line.h"
#include "app/core/mod_main.h"
#include "app/core/reply_wait.h"
#include "app/core/string_table.h"
#include "app/main_window/adapter_reconnect.h"
#include "app/main_window/frmMain.h"
#include "link/zigbee_net.h"
#include "platform/atomic_file.h"
#include "platform/profile_disk.h"
#include "platform/profile_engine.h"
#include "profile/pravel.h"

namespace modMain {

namespace {

constexpr int kMacListEntries = 32000;  // the coordinator plus at most 31999 devices

Pravel& ini() { return *controls().iniZB; }
ZigBeeNet& link() { return *controls().link; }

// The cyclic-ping button tells what a click will do.
void ShowPingCaption() {
    frmMain* main = windows().main;
    if (!main) return;
    const int16_t on = g().enaPollPing;
    if (on == 0) main->cmdEnPing->setText(Display(LocString(1057)));
    if (on == 1) main->cmdEnPing->setText(Display(LocString(1056)));
}

std::string trim_blanks(const std::string& s) {
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

// Reads key of the current section; false when it is missing (the control then answers "Errore", in
// any case, which a stored value of that text cannot be told apart from).
bool read_key(const std::string& key, std::string& value) {
    ini().Chiave(key);
    ini().LeggiValore();
    value = ini().Valore();
    static const char kMissing[] = "ERRORE";
    if (value.size() != sizeof kMissing - 1) return true;
    for (size_t i = 0; i < value.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(value[i])) != kMissing[i]) return true;
    return false;
}

std::string read_any(const std::string& key) {
    std::string v;
    read_key(key, v);
    return v;
}

void write_key(const std::string& key, const std::string& value) {
    ini().Chiave(key);
    ini().Valore(value);
    ini().ScriviValore();
}

// A file that could not be read is left exactly as it is; the operator hears of it.
void report_unread(const std::string& path, const std::string& why) {
    LogLine("Not read: " + path + ": " + why + "; the file is left as it is", 3);
}

// The outcome of writing one of the network files: a failure is logged at once and kept for the
// message at the end of the program, until a later save of that file succeeds.
void note_save(const std::string& path, const std::string& why) {
    auto& unsaved = g().UnsavedFiles;
    if (why.empty()) {
        unsaved.erase(path);
        return;
    }
    unsaved[path] = why;
    LogLine("Save failed: " + path + ": " + why, 3);
}

void write_whole_file(const std::string& path, const std::string& text) {
    int error = 0;
    const bool ok = platform::write_file_atomically(path, text, &error);
    note_save(path, ok ? std::string() : platform::file_error_text(error));
}

std::string device_key(int i) {
    char buf[24];  // room for any int, though slots stop at 65535
    std::snprintf(buf, sizeof buf, "Device%06d", i);
    return buf;
}

}  // namespace

void LoadNetworkData() {
    auto& s = g();
    ini().File(s.NetFilePath);
    ini().Sezione("Main");
    s.TotalDevice = CInt(Val(read_any("TotalDevice")));
    s.DeviceTimeOut = CLng(Val(read_any("DeviceTimeOut")));
    if (s.DeviceTimeOut == 0) s.DeviceTimeOut = 1000;
    s.NetStat = CInt(Val(read_any("NetStat")));
    s.mSecAlive = CLng(Val(read_any("mSecAlive")));
    if (s.mSecAlive == 0) s.mSecAlive = 1000;
    s.enaPollPing = CInt(Val(read_any("enaPollPing")));
    ShowPingCaption();
    s.DefaultPollRate = CLng(Val(read_any("DefaultPollRate")));
    if (s.DefaultPollRate < 100) s.DefaultPollRate = 20000;

    // A key a device section lacks keeps what the device before it had: the working record is
    // cleared once, before the loop.
    DeviceRecord work;
    // The count indexes the table from here on (new devices go after it, polling walks up to it), so a
    // hand-edited count outside the table, or one that lists more devices than the file holds, must
    // not stand: the count becomes the last slot the file actually filled.
    const int listed = std::clamp<int>(s.TotalDevice, 0, kScanSlots);
    int16_t last_loaded = 0;
    std::string v;
    for (int i = 1; i <= listed; ++i) {
        ini().Sezione("MAC List");
        std::string mac;
        if (!read_key(device_key(i), mac)) continue;
        ini().Sezione(mac);
        // A section lost from the file must not hand the previous device's address to this slot.
        work.ID64Long = read_key("ID64Long", v) ? trim_blanks(v) : trim_blanks(mac);
        if (read_key("ID16Short", v)) work.ID16Short = trim_blanks(v);
        if (read_key("DeviceType", v)) work.DeviceType = CInt(Val(v));
        if (read_key("DeviceTypeSTR", v)) work.DeviceTypeSTR = trim_blanks(v);
        if (read_key("DeviceLQI", v)) work.DeviceLQI = CInt(Val(v));
        if (read_key("DeviceName", v)) work.DeviceName = trim_blanks(v);
        if (read_key("devPollRate", v)) work.devPollRate = CLng(Val(v));
        if (read_key("devNewRate", v)) work.devNewRate = CLng(Val(v));
        work.stsEnableKeepAlive = read_key("stsEnableKeepAlive", v) ? CInt(Val(v)) : int16_t{0};
        s.Devices[i] = work;
        last_loaded = static_cast<int16_t>(i);
    }
    s.TotalDevice = last_loaded;
    const std::string why = platform::profile_read_error(s.NetFilePath);
    if (!why.empty()) report_unread(s.NetFilePath, why);
}

void SaveNetworkData() {
    auto& s = g();
    // The old file goes and a new one is built from nothing; the profile engine keeps both steps in
    // memory and puts the finished file on the disk in one atomic replace, so a crash at any moment
    // leaves the complete old file or the complete new one.
    ini().CreaFileIni();
    platform::profile_discard_file(s.NetFilePath);

    // Slots inside the used range whose address is empty (a deletion not yet recounted) are left
    // out, and the rest numbered without gaps, so the file never holds an entry without an address.
    std::vector<int> used;
    const DeviceSlots& table = s.Devices;
    const int total = std::min<int>(s.TotalDevice, kTableSlots);
    for (int i = 1; i <= total; ++i)
        if (!table[i].ID64Long.empty()) used.push_back(i);

    ini().File(s.NetFilePath);
    ini().Sezione("Main");
    const bool gaps = used.size() != static_cast<size_t>(std::max(total, 0));
    write_key("TotalDevice", std::to_string(gaps ? static_cast<int>(used.size()) : int{s.TotalDevice}));
    write_key("RFCh", std::to_string(s.RFCh));
    write_key("PanInfo", s.PanInfo);
    write_key("DeviceTimeOut", std::to_string(s.DeviceTimeOut));
    write_key("NetStat", std::to_string(s.NetStat));
    write_key("mSecAlive", std::to_string(s.mSecAlive));
    write_key("enapollPing", std::to_string(s.enaPollPing));
    write_key("DefaultPollRate", std::to_string(s.DefaultPollRate));

    ini().Sezione("MAC List");
    ini().CancellaSezione();
    int n = 0;
    for (int i : used) {
        const DeviceRecord& dev = table[i];
        ++n;
        ini().Sezione("MAC List");
        ini().CreaSezione();
        write_key(device_key(n), dev.ID64Long);
        ini().Sezione(dev.ID64Long);
        write_key("ID64Long", dev.ID64Long);
        write_key("ID16Short", dev.ID16Short);
        write_key("DeviceType", std::to_string(dev.DeviceType));
        write_key("DeviceTypeSTR", dev.DeviceTypeSTR);
        write_key("DeviceLQI", std::to_string(dev.DeviceLQI));
        write_key("DeviceName", dev.DeviceName);
        write_key("devPollRate", std::to_string(dev.devPollRate));
        write_key("devNewRate", std::to_string(dev.devNewRate));
        write_key("stsEnableKeepAlive", std::to_string(dev.stsEnableKeepAlive));
    }
    note_save(s.NetFilePath, platform::profile_save(s.NetFilePath));
    WriteMacListFile();
}

void WriteMacListFile() {
    auto& s = g();
    // The coordinator first, then the devices in table order, empty places left out; entries past the
    // list's 32000 places have nowhere to go.
    const int total = std::min<int>(s.TotalDevice, kMacListEntries - 1);
    std::string text;
    text.reserve(static_cast<size_t>(std::max(total, 0) + 1) * 25);
    auto add = [&text](const std::string& mac) {
        if (mac.empty()) return;
        text += trim_blanks(mac);
        text += "\r\n";
    };
    add(s.CoordMac);
    for (int i = 1; i <= total; ++i) add(std::as_const(s.Devices)[i].ID64Long);
    write_whole_file(s.MacListPath, text);
}

void AppendMacToList(const std::string& mac) {
    if (mac.empty()) return;
    auto& s = g();
    platform::DiskContent list = platform::read_profile(s.MacListPath);
    if (list.state.present && !list.state.readable) {
        // The new address would replace every address the file holds.
        report_unread(s.MacListPath, platform::file_error_text(list.state.error));
        return;
    }
    std::string& text = list.bytes;
    // A hand-edited file may lack its last line end; the new address must not be glued to it.
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') text += "\r\n";
    text += trim_blanks(mac);
    text += "\r\n";
    write_whole_file(s.MacListPath, text);
    RegisterMacList();
}

namespace {

// Lines end in CR LF here; a file edited elsewhere may end them in LF or CR alone.
std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// Sends one command that the coordinator acknowledges with "0;", and waits for that or the time-out.
template <typename Send>
void send_and_wait_for_ack(Send send) {
    State& s = g();
    s.CmdAck = 0;
    StartReplyWait(s.DeviceTimeOut);
    send();
    WaitForReply([&s] { return s.CmdAck != 0 || s.WaitTimedOut == 1; });
}

void stop_reply_timer() {
    if (frmMain* main = windows().main) main->tmrTimeOut.set_enabled(false);
}

}  // namespace

void RegisterMacList() {
    State& s = g();
    const platform::DiskContent list = platform::read_profile(s.MacListPath);
    if (!list.state.present) platform::write_file_atomically(s.MacListPath, std::string());
    // One that cannot be read is left as it is; only the coordinator is registered then.
    if (list.state.present && !list.state.readable)
        report_unread(s.MacListPath, platform::file_error_text(list.state.error));
    int n = 0;
    for (const std::string& line : split_lines(list.bytes)) {
        if (line.size() < 23) continue;
        if (AdapterGone()) return;
        send_and_wait_for_ack([&line] { link().AddItem(line); });
        ++n;
    }
    if (n == 0) {
        send_and_wait_for_ack([&s] { link().AddItem(s.CoordMac); });
        stop_reply_timer();
    }
    send_and_wait_for_ack([] { link().StartNet(); });
    stop_reply_timer();
    link().LockNet();
    s.NetLocked = 1;
    if (frmMain* main = windows().main) {
        main->Status->Panels(1).setText(Display(LocString(1018)));
        main->cmdULockNet->setText(Display(LocString(1001)));
    }
}

}  // namespace modMain
