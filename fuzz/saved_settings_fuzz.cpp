// The saved settings and the port map, read from store files that hold anything: every value reads
// as some text, a port without an entry has its default device, and saving one value changes that
// value alone: it reads back as saved while every other value reads as before.
//
// Input: the settings file, a NUL, the port map file, a NUL, then a port number byte and a device
// path for it.
#include <QSettings>
#include <QString>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/core/saved_settings.h"
#include "fuzz/fuzz_target.h"
#include "platform/port_map.h"
#include "platform/settings_store.h"

namespace {

using modMain::Setting;

constexpr Setting kAll[] = {Setting::SerialPort, Setting::ShowSplash, Setting::LangID,  Setting::MainLeft,
                            Setting::MainTop,    Setting::LogLeft,    Setting::LogTop,  Setting::DeviceLeft,
                            Setting::DeviceTop};
constexpr int kPortsLooked = 6;

void write_file(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The store keeps text; bytes that are no UTF-8 text cannot be kept as they are.
bool storable_text(std::string_view s) {
    const QByteArray bytes(s.data(), static_cast<qsizetype>(s.size()));
    return !s.empty() && s.find('\0') == std::string_view::npos && QString::fromUtf8(bytes).toUtf8() == bytes;
}

struct Everything {
    std::vector<std::string> settings;
    std::vector<std::string> ports;
    bool operator==(const Everything& o) const { return settings == o.settings && ports == o.ports; }
};

Everything read_everything() {
    Everything e;
    for (Setting s : kAll) e.settings.push_back(modMain::ReadSetting(s));
    for (int port = 1; port <= kPortsLooked; ++port) e.ports.push_back(platform::port_device_path(port));
    return e;
}

}  // namespace

FUZZ_TARGET(saved_settings) {
    static const std::string folder = [] {
        const std::string f = fuzz::scratch_folder() + "/config";
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(f));
        std::filesystem::create_directories(f + "/Dalmiro");
        return f;
    }();
    fuzz::Input in(data, size);
    write_file(folder + "/Dalmiro/Corvani_ZigBee_Demo.ini", in.until('\0'));
    write_file(folder + "/Dalmiro/Dalmiro.ini", in.until('\0'));
    const int port = in.byte() % kPortsLooked + 1;
    const std::string path(in.rest());

    Everything before = read_everything();
    if (!storable_text(path)) return;

    platform::register_port(port, path);
    FUZZ_CHECK(platform::port_device_path(port) == path);
    before.ports[static_cast<size_t>(port - 1)] = path;
    FUZZ_CHECK(read_everything() == before);

    const Setting which = kAll[static_cast<size_t>(port) % std::size(kAll)];
    modMain::SaveSetting(which, path);
    FUZZ_CHECK(modMain::ReadSetting(which) == path);
    before.settings[static_cast<size_t>(port) % std::size(kAll)] = path;
    FUZZ_CHECK(read_everything() == before);

    platform::unregister_port(port);
    FUZZ_CHECK(platform::port_device_path(port) == "/dev/ttyS" + std::to_string(port - 1));
}
