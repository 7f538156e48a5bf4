#include "app/core/saved_settings.h"

#include "app/core/conversion.h"
#include "platform/settings_store.h"

namespace modMain {

namespace {
constexpr const char* kApp = "Corvani_ZigBee_Demo";
constexpr const char* kSection = "Settings";
}  // namespace

const char* SettingName(Setting s) {
    switch (s) {
    case Setting::SerialPort: return "SerialPort";
    case Setting::ShowSplash: return "ShowSplash";
    case Setting::LangID: return "LangID";
    case Setting::MainLeft: return "MainLeft";
    case Setting::MainTop: return "MainTop";
    case Setting::LogLeft: return "LogLeft";
    case Setting::LogTop: return "LogTop";
    case Setting::DeviceLeft: return "DeviceLeft";
    case Setting::DeviceTop: return "DeviceTop";
    case Setting::Reconnect: return "Reconnect";
    }
    return "";
}

const char* SettingDefault(Setting s) {
    switch (s) {
    case Setting::SerialPort: return "1";
    case Setting::ShowSplash: return "1";
    case Setting::LangID: return "2";
    case Setting::Reconnect: return "0";
    default: return "1000";
    }
}

std::string ReadSetting(Setting s) { return platform::settings().get(kApp, kSection, SettingName(s), SettingDefault(s)); }

int16_t ReadSettingInt16(Setting s) { return CInt(Val(ReadSetting(s))); }

float ReadSettingSingle(Setting s) { return static_cast<float>(Val(ReadSetting(s))); }

void SaveSetting(Setting s, const std::string& text) { platform::settings().save(kApp, kSection, SettingName(s), text); }

void SaveSetting(Setting s, int32_t value) { SaveSetting(s, std::to_string(value)); }

}  // namespace modMain
