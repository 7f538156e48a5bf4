#pragma once
// The bounds the device window puts on what the operator types before it reaches a command.
#include <cstdint>
#include <optional>
#include <string>

namespace modMain {

constexpr int32_t kMaxNewRate = 3600;     // s: one report an hour at the least, as typed
constexpr int32_t kMaxRateCommandPeriod = 32767 * 60 + 59;  // s: a 16-bit minute count and seconds
constexpr int32_t kMinPollRate = 100;     // ms
constexpr int32_t kMaxPollRate = 65535;   // ms: four hex digits on the wire
constexpr int32_t kApplyWaitMs = 3000;
constexpr int32_t kApplyWaitEndDeviceMs = 70000;  // an end device answers only when it wakes up
constexpr int kMaxStringLength = 80;
constexpr int kMaxStringLengthEndDevice = 46;

inline bool IsEndDevice(int16_t type) { return type == 6 || type == 4; }

// The I/O read period as the opening sends it: a stored period within what the rate command can
// carry goes as it is (7200 s is a valid period, even if Apply takes at most 3600); a negative one is
// 0 and one past 32767 minutes (which the command's minute field cannot hold) the longest it can.
int32_t RateCommandPeriod(int32_t seconds);
// The text a typed I/O read period is corrected to, or none when it stands.
std::optional<std::string> CorrectedNewRateText(double typed);
// The text a typed poll rate is corrected to (100..65535), or none when it stands.
std::optional<std::string> CorrectedPollRateText(double typed);

// Longest string the send panel passes on: Enter always allows 80 characters; the button allows 46
// when the shown device is an end device.
int StringLimit(bool by_enter, int16_t shown_device_type);

// A destination typed in the send panel: four hex digits, upper-cased; none for anything else, which
// would otherwise go verbatim into the command.
std::optional<std::string> ShortAddress(const std::string& typed);

}  // namespace modMain
