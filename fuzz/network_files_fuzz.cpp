// The network data file, whatever it holds, loaded into the device table: the count stays within the
// table and covers every slot filled, the time-outs and intervals are usable; saved and loaded again
// (when the save went through), it gives the same devices; the MAC list written from the table holds
// the coordinator and every known address, one a line.
//
// Input: the network data file's bytes.
#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/core/mod_main.h"
#include "app/core/network_files.h"
#include "fuzz/fuzz_target.h"
#include "platform/profile_document.h"
#include "profile/pravel.h"

namespace {

using modMain::State;

void write_file(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<DeviceRecord> known_devices(const State& s) {
    std::vector<DeviceRecord> out;
    for (int i = 1; i <= s.TotalDevice; ++i)
        if (!std::as_const(s.Devices)[i].ID64Long.empty()) out.push_back(std::as_const(s.Devices)[i]);
    return out;
}

bool same_saved_members(const DeviceRecord& a, const DeviceRecord& b) {
    return a.ID64Long == b.ID64Long && a.ID16Short == b.ID16Short && a.DeviceType == b.DeviceType &&
           a.DeviceTypeSTR == b.DeviceTypeSTR && a.DeviceLQI == b.DeviceLQI && a.DeviceName == b.DeviceName &&
           a.devPollRate == b.devPollRate && a.devNewRate == b.devNewRate &&
           a.stsEnableKeepAlive == b.stsEnableKeepAlive;
}

// Section names are compared without regard to case or the blanks around them: two addresses that
// differ only so share one section in the file.
bool addresses_distinct_as_sections(const std::vector<DeviceRecord>& devices) {
    std::set<std::string> seen;
    for (const DeviceRecord& d : devices) {
        std::string name(platform::trim_blanks(d.ID64Long));
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!seen.insert(name).second) return false;
    }
    return true;
}

void load(State& s) {
    s.Devices.ClearFrom(1);
    s.TotalDevice = 0;
    fuzz::next_turn();
    modMain::LoadNetworkData();
    FUZZ_CHECK(s.TotalDevice >= 0 && s.TotalDevice <= modMain::kScanSlots);
    FUZZ_CHECK(s.Devices.LastInUse(modMain::kTableSlots) <= s.TotalDevice);
    FUZZ_CHECK(s.DeviceTimeOut != 0 && s.mSecAlive != 0 && s.DefaultPollRate >= 100);
}

}  // namespace

FUZZ_TARGET(network_files) {
    static Pravel ini;
    modMain::controls().iniZB = &ini;
    State& s = modMain::g();
    s.NetFilePath = fuzz::scratch_folder() + "/0013A200415B1C70.ini";
    s.MacListPath = fuzz::scratch_folder() + "/0013A200415B1C70_macList.txt";
    s.CoordMac = "00:13:A2:00:41:5B:1C:70";
    s.UnsavedFiles.clear();
    write_file(s.NetFilePath, std::string_view(reinterpret_cast<const char*>(data), size));

    load(s);
    const std::vector<DeviceRecord> first = known_devices(s);
    const int32_t timeout = s.DeviceTimeOut, alive = s.mSecAlive, poll = s.DefaultPollRate;
    const int16_t net_stat = s.NetStat, ping = s.enaPollPing;

    modMain::SaveNetworkData();
    std::string expected_list = s.CoordMac + "\r\n";
    for (const DeviceRecord& d : first) expected_list += d.ID64Long + "\r\n";
    FUZZ_CHECK(read_file(s.MacListPath) == expected_list || !s.UnsavedFiles.empty());

    if (s.UnsavedFiles.empty() && addresses_distinct_as_sections(first)) {
        load(s);
        const std::vector<DeviceRecord> again = known_devices(s);
        FUZZ_CHECK(s.TotalDevice == static_cast<int16_t>(first.size()) && again.size() == first.size());
        for (size_t i = 0; i < first.size(); ++i) FUZZ_CHECK(same_saved_members(first[i], again[i]));
        FUZZ_CHECK(s.DeviceTimeOut == timeout && s.mSecAlive == alive && s.DefaultPollRate == poll);
        FUZZ_CHECK(s.NetStat == net_stat && s.enaPollPing == ping);
    }
    s.Devices.ClearFrom(1);
}
