#include "app/core/saved_settings.h"

#include "app/core/conversion.h"
#include "platform/settings_store.h"

namespace modMain {

namespace {
constexpr const char* kApp = "Corvani_ZigBee_Demo";
constexpr const char* kSection = "Settings";

bool whole_number_in(const std::string& text, int low, int high, int& value) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    const size_t end = text.find_last_not_of(" \t") + 1;
    size_t i = first;
    const bool negative = text[i] == '-';
    if (negative || text[i] == '+') ++i;
    if (i == end) return false;
    long long v = 0;
    for (; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
        if (v > 1'000'000'000) return false;  // past any int bound, and long before v could overflow
    }
    if (negative) v = -v;
    if (v < low || v > high) return false;
    value = static_cast<int>(v);
    return true;
}
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
    case Setting::HealthWeakLqi: return "HealthWeakLQI";
    }
    return "";
}

const char* SettingDefault(Setting s) {
    switch (s) {
    case Setting::SerialPort: return "1";
    case Setting::ShowSplash: return "1";
    case Setting::LangID: return "2";
    case Setting::Reconnect: return "0";
    case Setting::HealthWeakLqi: return "100";
    default: return "1000";
    }
}

std::string ReadSetting(Setting s) { return platform::settings().get(kApp, kSection, SettingName(s), SettingDefault(s)); }

int16_t ReadSettingInt16(Setting s) { return CInt(Val(ReadSetting(s))); }

float ReadSettingSingle(Setting s) { return static_cast<float>(Val(ReadSetting(s))); }

int ReadSettingInRange(Setting s, int low, int high) {
    int value = 0;
    if (whole_number_in(ReadSetting(s), low, high, value)) return value;
    whole_number_in(SettingDefault(s), low, high, value);
    return value;
}

void SaveSetting(Setting s, const std::string& text) { platform::settings().save(kApp, kSection, SettingName(s), text); }

void SaveSetting(Setting s, int32_t value) { SaveSetting(s, std::to_string(value)); }

}  // namespace modMain
