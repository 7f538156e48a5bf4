#include "platform/serial_ports.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace platform {

namespace {

namespace fs = std::filesystem;

// Where a path finally leads; the path itself when it leads nowhere (yet).
std::string resolved(const std::string& path) {
    std::error_code ec;
    const fs::path p = fs::canonical(path, ec);
    return ec ? path : p.string();
}

int number_of(const std::string& device) {
    const std::string target = resolved(device);
    for (int n = kFirstPortNumber; n <= kLastPortNumber; ++n)
        if (resolved(port_device_path(n)) == target) return n;
    return 0;
}

}  // namespace

std::vector<PortInfo> system_ports() {
    std::vector<PortInfo> ports;
    for (const QSerialPortInfo& p : QSerialPortInfo::availablePorts())
        ports.push_back({p.systemLocation().toStdString(), p.description().toStdString(),
                         p.manufacturer().toStdString(), p.serialNumber().toStdString()});
    return ports;
}

std::string stable_port_path(const std::string& path, const std::string& by_id_folder) {
    const std::string target = resolved(path);
    std::error_code ec;
    std::vector<std::string> links;
    for (const auto& entry : fs::directory_iterator(by_id_folder, ec))
        if (resolved(entry.path().string()) == target) links.push_back(entry.path().string());
    if (links.empty()) return path;
    // Several names for one device (interfaces of one adapter): the same one every time.
    std::sort(links.begin(), links.end());
    return links.front();
}

std::vector<DetectedPort> detect_ports(const std::vector<PortInfo>& found, const std::string& by_id_folder) {
    std::vector<DetectedPort> ports;
    for (const PortInfo& info : found)
        ports.push_back({stable_port_path(info.device, by_id_folder), info, number_of(info.device)});
    return ports;
}

int proposed_port_number(const DetectedPort& port, const std::vector<DetectedPort>& all) {
    if (port.number != 0) return port.number;
    for (int n = kFirstPortNumber; n <= kLastPortNumber; ++n) {
        const std::string def = "/dev/ttyS" + std::to_string(n - 1);
        if (port_device_path(n) != def) continue;  // the map holds it
        bool taken = false;
        for (const DetectedPort& p : all) taken = taken || resolved(p.info.device) == resolved(def);
        if (!taken) return n;
    }
    return 0;
}

std::vector<UnlistedMapping> unlisted_mappings(const std::vector<DetectedPort>& listed) {
    std::vector<UnlistedMapping> unlisted;
    for (auto& [number, path] : mapped_ports()) {
        bool shown = false;
        for (const DetectedPort& p : listed) shown = shown || p.number == number;
        if (shown) continue;
        const std::string refusal = serial_device_refusal(path);
        unlisted.push_back({number, path, refusal.empty() ? "present" : refusal});
    }
    return unlisted;
}

std::string serial_device_refusal(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return "no such device";
    if (S_ISCHR(st.st_mode)) return "";
    const char* kind = S_ISREG(st.st_mode)    ? "a regular file"
                       : S_ISDIR(st.st_mode)  ? "a folder"
                       : S_ISFIFO(st.st_mode) ? "a named pipe"
                       : S_ISSOCK(st.st_mode) ? "a socket"
                       : S_ISBLK(st.st_mode)  ? "a block device"
                                              : "no character device";
    return std::string(kind) + ", not a serial port";
}

std::string give_port_number(int number, const std::string& path, std::string& stored, const std::string& by_id_folder) {
    if (number < kFirstPortNumber || number > kLastPortNumber)
        return "port numbers go from " + std::to_string(kFirstPortNumber) + " to " + std::to_string(kLastPortNumber);
    if (std::string why = serial_device_refusal(path); !why.empty()) return why;
    // Stored as typed, a relative name would lead elsewhere from any other folder.
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec).lexically_normal();
    if (ec) return ec.message();
    stored = stable_port_path(absolute.string(), by_id_folder);
    register_port(number, stored);
    return "";
}

std::string describe_port(const DetectedPort& port) {
    std::string line = (port.number ? "port " + std::to_string(port.number) : std::string("no number")) + "  " + port.path;
    if (port.path != port.info.device) line += " (" + port.info.device + ")";
    std::string about;
    for (const std::string& part : {port.info.description, port.info.manufacturer})
        if (!part.empty()) about += (about.empty() ? "" : ", ") + part;
    if (!port.info.serial_number.empty()) about += (about.empty() ? "" : ", ") + ("serial " + port.info.serial_number);
    if (!about.empty()) line += "  " + about;
    return line;
}

std::string describe_mapping(const UnlistedMapping& mapping) {
    return "port " + std::to_string(mapping.number) + "  " + mapping.path + "  (in the port map only; " + mapping.state +
           ")";
}

}  // namespace platform
