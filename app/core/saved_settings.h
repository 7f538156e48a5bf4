#pragma once
// The program's saved settings: text values of the per-user store under application
// "Corvani_ZigBee_Demo", section "Settings"; an absent value reads as its default.
#include <cstdint>
#include <string>

namespace modMain {

enum class Setting { SerialPort, ShowSplash, LangID, MainLeft, MainTop, LogLeft, LogTop, DeviceLeft, DeviceTop, Reconnect,
                     HealthWeakLqi };

// The value name in the store ("SerialPort", "MainLeft", ...) and its default text.
const char* SettingName(Setting s);
const char* SettingDefault(Setting s);

std::string ReadSetting(Setting s);
// Read leniently: the leading number of the text, 0 if none; rounded halves to even for integers.
int16_t ReadSettingInt16(Setting s);
float ReadSettingSingle(Setting s);
// Read strictly: a whole number from low to high, blanks around it allowed; anything else (a value
// edited by hand, or one from a program with other bounds) reads as the default.
int ReadSettingInRange(Setting s, int low, int high);

void SaveSetting(Setting s, const std::string& text);
void SaveSetting(Setting s, int32_t value);

}  // namespace modMain
