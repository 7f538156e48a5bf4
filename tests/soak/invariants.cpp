#include "tests/soak/invariants.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <map>

#include "app/core/device_slots.h"
#include "app/core/mod_main.h"
#include "app/core/network_files.h"
#include "app/log_splash/frmLog.h"
#include "app/main_window/frmMain.h"
#include "platform/clock.h"
#include "platform/profile_engine.h"

namespace soak {

namespace {

std::string Hex4(uint16_t v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v);
    return buf;
}

std::string Slot(int i) { return "slot " + std::to_string(i); }

// The log window clears itself once it holds this many characters; one more line may follow.
constexpr int kLogWindowCap = 30001 + 2000;

}  // namespace

Problems CheckTable(const zbsim::Coordinator& sim) {
    Problems out;
    const modMain::State& s = modMain::g();
    const modMain::DeviceSlots& table = s.Devices;
    std::map<std::string, int> by_mac, by_short;
    int used = 0;
    for (int i = 1; i <= modMain::kScanSlots; ++i) {
        const DeviceRecord& d = table[static_cast<size_t>(i)];
        if (d.ID64Long.empty()) {
            if (i <= s.TotalDevice) out.push_back(Slot(i) + " is empty inside TotalDevice " + std::to_string(s.TotalDevice));
            continue;
        }
        ++used;
        if (i > s.TotalDevice) out.push_back(Slot(i) + " holds " + d.ID64Long + " beyond TotalDevice");
        auto [m, new_mac] = by_mac.emplace(d.ID64Long, i);
        if (!new_mac) out.push_back(d.ID64Long + " is in " + Slot(m->second) + " and " + Slot(i));
        if (d.ID16Short.empty()) continue;
        auto [sh, new_short] = by_short.emplace(d.ID16Short, i);
        if (!new_short) out.push_back("short address " + d.ID16Short + " is in " + Slot(sh->second) + " and " + Slot(i));
    }
    if (used != s.TotalDevice)
        out.push_back("TotalDevice " + std::to_string(s.TotalDevice) + " but " + std::to_string(used) + " records");
    for (const zbsim::SimDevice& d : sim.devices()) {
        const std::string mac = zbsim::mac_text(d.config().mac);
        auto it = by_mac.find(mac);
        // A candidate the operator sent away is out of the network until it is admitted again.
        const bool belongs = d.ever_joined && d.belongs();
        if (it == by_mac.end()) {
            if (belongs) out.push_back(mac + " joined the network but is not in the table");
            continue;
        }
        if (!belongs) {
            out.push_back(mac + (d.ever_joined ? " left the network" : " never joined") + " but is in " + Slot(it->second));
            continue;
        }
        const std::string& shown = table[static_cast<size_t>(it->second)].ID16Short;
        if (d.joined && shown != Hex4(d.short_addr))
            out.push_back(mac + " has short address " + Hex4(d.short_addr) + " but its record says \"" + shown + "\"");
    }
    return out;
}

SavedTable SnapshotTable() {
    const modMain::State& s = modMain::g();
    SavedTable t{s.TotalDevice, s.DeviceTimeOut, s.mSecAlive, s.DefaultPollRate, s.NetStat, s.enaPollPing, {}};
    const modMain::DeviceSlots& table = s.Devices;
    for (int i = 1; i <= s.TotalDevice; ++i) t.records.push_back(table[static_cast<size_t>(i)]);
    return t;
}

Problems CheckFilesLoadBack(const SavedTable& expected) {
    Problems out;
    modMain::State& s = modMain::g();
    // The save is on the disk once the profile engine has flushed; the engine reads the file again
    // should anything have changed it since.
    platform::profile_flush();
    if (!QFile::exists(QString::fromStdString(s.NetFilePath)))
        return {"the network data file " + s.NetFilePath + " is missing after a save"};

    const SavedTable now = SnapshotTable();
    const std::vector<DeviceRecord> live = now.records;
    modMain::LoadNetworkData();
    const SavedTable loaded = SnapshotTable();

    auto same_value = [&](const char* name, int64_t want, int64_t got) {
        if (want != got) out.push_back(std::string(name) + " saved as " + std::to_string(want) + ", loads as " + std::to_string(got));
    };
    same_value("TotalDevice", expected.TotalDevice, loaded.TotalDevice);
    same_value("DeviceTimeOut", expected.DeviceTimeOut, loaded.DeviceTimeOut);
    same_value("mSecAlive", expected.mSecAlive, loaded.mSecAlive);
    same_value("DefaultPollRate", expected.DefaultPollRate, loaded.DefaultPollRate);
    same_value("NetStat", expected.NetStat, loaded.NetStat);
    same_value("enaPollPing", expected.enaPollPing, loaded.enaPollPing);
    for (size_t i = 0; i < std::min(expected.records.size(), loaded.records.size()); ++i) {
        const DeviceRecord& a = expected.records[i];
        const DeviceRecord& b = loaded.records[i];
        if (a.ID64Long != b.ID64Long || a.ID16Short != b.ID16Short || a.DeviceType != b.DeviceType ||
            a.DeviceTypeSTR != b.DeviceTypeSTR || a.DeviceLQI != b.DeviceLQI || a.DeviceName != b.DeviceName ||
            a.devPollRate != b.devPollRate || a.devNewRate != b.devNewRate || a.stsEnableKeepAlive != b.stsEnableKeepAlive)
            out.push_back(Slot(static_cast<int>(i) + 1) + " " + a.ID64Long + " does not load back as saved");
    }

    // Back to the table as it stands.
    s.TotalDevice = now.TotalDevice;
    s.DeviceTimeOut = now.DeviceTimeOut;
    s.mSecAlive = now.mSecAlive;
    s.DefaultPollRate = now.DefaultPollRate;
    s.NetStat = now.NetStat;
    s.enaPollPing = now.enaPollPing;
    for (size_t i = 0; i < live.size(); ++i) s.Devices[i + 1] = live[i];
    s.Devices.ClearFrom(static_cast<int>(live.size()) + 1);
    return out;
}

Problems CheckIdleProgram() {
    Problems out;
    const modMain::State& s = modMain::g();
    const frmMain* w = modMain::windows().main;
    if (!w) return {"the main window is gone"};
    if (!w->frmNETWORK->isEnabled() || !w->frmLSTDEV->isEnabled()) out.push_back("the command frames are disabled");
    if (s.OperBusy != 0) out.push_back("OperBusy is left at " + std::to_string(s.OperBusy));
    if (s.CoordResetWait != 0 || s.CoordAnnounced != 0) out.push_back("a coordinator restart is left unhandled");
    if (w->tmrTimeOut.enabled()) {
        const uint32_t running = platform::now_ms() - s.WaitArmedMs;
        // One tick of the wait's timer may pass before it notices the deadline.
        if (running > static_cast<uint32_t>(s.WaitLimitMs) + 100)
            out.push_back("a reply wait of " + std::to_string(s.WaitLimitMs) + " ms has run " + std::to_string(running) + " ms");
    }
    return out;
}

Problems CheckLogBounds(const std::string& log_folder, int64_t bound) {
    Problems out;
    if (const frmLog* log = modMain::windows().log; log && log->txtLOG->TextLength() > kLogWindowCap)
        out.push_back("the log window holds " + std::to_string(log->txtLOG->TextLength()) + " characters");
    int64_t total = 0;
    for (const QFileInfo& f : QDir(QString::fromStdString(log_folder)).entryInfoList(QDir::Files)) total += f.size();
    if (total > bound)
        out.push_back("the daily log files hold " + std::to_string(total) + " bytes, over their bound of " + std::to_string(bound));
    return out;
}

}  // namespace soak
