#include "app/device_window/setting_limits.h"

#include <algorithm>
#include <cctype>

namespace modMain {

int32_t RateCommandPeriod(int32_t seconds) { return std::clamp(seconds, 0, kMaxRateCommandPeriod); }

std::optional<std::string> CorrectedNewRateText(double typed) {
    if (typed > kMaxNewRate) return std::to_string(kMaxNewRate);
    if (typed < 0) return std::string("0");
    return std::nullopt;
}

std::optional<std::string> CorrectedPollRateText(double typed) {
    if (typed < kMinPollRate) return std::to_string(kMinPollRate);
    if (typed > kMaxPollRate) return std::to_string(kMaxPollRate);
    return std::nullopt;
}

int StringLimit(bool by_enter, int16_t shown_device_type) {
    return !by_enter && IsEndDevice(shown_device_type) ? kMaxStringLengthEndDevice : kMaxStringLength;
}

std::optional<std::string> ShortAddress(const std::string& typed) {
    if (typed.size() != 4) return std::nullopt;
    std::string out;
    for (char c : typed) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace modMain
