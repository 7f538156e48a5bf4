#pragma once
// What the main window does with the coordinator link's four events: every reply is logged and
// decoded into the device table, the handshake flags and the device window's working copy.
#include <cstdint>
#include <string>

namespace modMain {

void HandleStringReceived(const std::string& recString);
void HandleStringSent(const std::string& sndString);
void HandleErrorDetected(int16_t errCode);
void HandleDataReceived(const std::string& recDataAddr, const std::string& recData);

// I/O report arithmetic, in single precision as the device window shows it.
float BatteryVolts(uint8_t hi, uint8_t lo);
float Temperature(uint8_t hi, uint8_t lo);

}  // namespace modMain
