#include "platform/port_map.h"

#include "platform/settings_store.h"

namespace platform {

namespace {
const char* const kApp = "Dalmiro";
const char* const kSection = "Ports";
}  // namespace

std::string port_device_path(int port) {
    std::string def = port >= 1 ? "/dev/ttyS" + std::to_string(port - 1) : std::string();
    return settings().get(kApp, kSection, std::to_string(port), def);
}

void register_port(int port, const std::string& device_path) {
    settings().save(kApp, kSection, std::to_string(port), device_path);
}

void unregister_port(int port) { settings().remove(kApp, kSection, std::to_string(port)); }

std::vector<std::pair<int, std::string>> mapped_ports() {
    std::vector<std::pair<int, std::string>> mapped;
    for (int n = kFirstPortNumber; n <= kLastPortNumber; ++n) {
        std::string path = settings().get(kApp, kSection, std::to_string(n), "");
        if (!path.empty()) mapped.emplace_back(n, std::move(path));
    }
    return mapped;
}

}  // namespace platform
