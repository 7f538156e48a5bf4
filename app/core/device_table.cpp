#include "app/core/device_table.h"

#include <algorithm>
#include <utility>

#include "app/core/mod_main.h"
#include "app/main_window/frmMain.h"

namespace modMain {

int16_t FindDeviceByMac(const std::string& mac) {
    if (mac.empty()) return 0;
    const DeviceSlots& d = g().Devices;
    const int last = d.LastInUse(kScanSlots);
    for (int i = 1; i <= last; ++i)
        if (d[i].ID64Long == mac) return static_cast<int16_t>(i);
    return 0;
}

int16_t FindDeviceByShort(const std::string& shortId) {
    if (shortId.empty()) return 0;
    const DeviceSlots& d = g().Devices;
    for (int i = d.LastInUse(kScanSlots); i >= 1; --i)
        if (d[i].ID16Short == shortId) return static_cast<int16_t>(i);
    return 0;
}

std::string DeviceTypeText(int16_t type) {
    switch (type) {
        case 4:
        case 6: return "End Device";
        case 7: return "Router";
        case 9: return "Coordinator";
        default: return {};
    }
}

void UpdateDeviceIdentity(const std::string& mac, const std::string& shortId, int16_t index) {
    if (index < 1 || FindDeviceByMac(mac) != index) return;
    auto& s = g();
    DeviceRecord rec = s.Devices[index];
    rec.ID64Long = mac;
    rec.ID16Short = shortId;
    const std::string type_text = DeviceTypeText(rec.DeviceType);
    if (!type_text.empty()) rec.DeviceTypeSTR = type_text;
    if (rec.DeviceType == 4 || rec.DeviceType == 6) {
        rec.devPollRate = s.DefaultPollRate;
        rec.stsEnableKeepAlive = 0;
    }
    s.Devices[index] = std::move(rec);
}

void ClearShortIds() {
    DeviceSlots& d = g().Devices;
    const int last = d.LastInUse(kScanSlots);
    for (int i = 1; i <= last; ++i) {
        d[i].ID16Short.clear();
        d[i].devStatus = 0;
    }
}

void DeleteDevice(int16_t index) {
    if (index < 1 || index > kTableSlots) return;
    g().Devices[index] = DeviceRecord{};
    CompactDeviceTable();
}

void CompactDeviceTable() {
    // In place and stable: the same result as copying the kept records into a fresh table and back,
    // without a second table of 65535 records.
    DeviceSlots& d = g().Devices;
    const int last = d.LastInUse(kTableSlots);
    int out = 1;
    for (int i = 1; i <= last; ++i) {
        if (d[i].ID64Long.empty()) continue;
        if (i != out) d[out] = std::move(d[i]);
        ++out;
    }
    d.ClearFrom(out);
    g().ListDirty = 1;
    if (frmMain* main = windows().main) main->WakeSupervision();  // the recount is due
}

}  // namespace modMain
