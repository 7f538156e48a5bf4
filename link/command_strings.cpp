#include "link/command_strings.h"

#include <algorithm>
#include <limits>

namespace brivola {

namespace {

constexpr size_t kMaxSendData = 255;
// The coordinator's own short address: device commands never address it.
const char* const kCoordinatorShort = "0000";

std::string hex_digits(uint32_t v) {
    static const char digits[] = "0123456789ABCDEF";
    char buf[8];
    size_t n = 0;
    do {
        buf[n++] = digits[v & 0x0F];
        v >>= 4;
    } while (v != 0);
    std::string out(buf, n);
    std::reverse(out.begin(), out.end());
    return out;
}

// "CMD:" number, then each field after a ":", then ";".
std::string command(const char* number, const std::string& field = std::string()) {
    std::string out = "CMD:";
    out += number;
    if (!field.empty()) {
        out += ':';
        out += field;
    }
    out += ';';
    return out;
}

std::string device_command(const char* number, const std::string& devID) {
    return devID.empty() ? std::string() : command(number, devID);
}

std::string output_command(const char* number, const std::string& shortID, int16_t port) {
    if (shortID.empty() || shortID == kCoordinatorShort || port <= 0) return {};
    return command(number, shortID + ":" + std::to_string(port));
}

}  // namespace

std::string hex(int16_t v) { return hex_digits(static_cast<uint16_t>(v)); }
std::string hex(int32_t v) { return hex_digits(static_cast<uint32_t>(v)); }

std::string hex4(int32_t v) {
    std::string h = hex(v);
    return h.size() < 4 ? std::string(4 - h.size(), '0') + h : h;
}

std::string cmd_ping(const std::string& devID) { return device_command("0E", devID); }
std::string cmd_add_item(const std::string& devID) { return device_command("03", devID); }
std::string cmd_get_ex_addr() { return command("11"); }
std::string cmd_pan_info() { return command("0D"); }
std::string cmd_start_net() { return command("04"); }
std::string cmd_lock_net() { return command("0A", "0"); }
std::string cmd_unlock_net() { return command("0A", "FF"); }
std::string cmd_reset() { return command("01"); }
std::string cmd_ask_ex_addr(const std::string& devID) { return device_command("0F", devID); }
std::string cmd_set_rf_ch(int16_t RfCH) { return command("07", hex(RfCH)); }

std::string cmd_set_keep_alive(const std::string& kaShortID, int16_t kaOnOff) {
    const char* flag = kaOnOff == 0 ? "00" : kaOnOff == 1 ? "FF" : "";
    return "CMD:08:" + kaShortID + ":" + flag + ";";
}

std::string cmd_set_output(const std::string& devSIDShort, int16_t devSPort) {
    return output_command("0B", devSIDShort, devSPort);
}

std::string cmd_reset_output(const std::string& devRIDShort, int16_t devRPort) {
    return output_command("0C", devRIDShort, devRPort);
}

std::string cmd_new_rate(int32_t newRateVal, const std::string& NRdevID) {
    if (NRdevID.empty()) return {};
    const int32_t minutes = newRateVal / 60;
    if (minutes > std::numeric_limits<int16_t>::max() || minutes < std::numeric_limits<int16_t>::min()) return {};
    const auto seconds = static_cast<int16_t>(newRateVal % 60);
    return command("05", NRdevID + ":" + hex2(static_cast<int16_t>(minutes)) + hex2(seconds));
}

std::string cmd_new_rate_apply(const std::string& NRdevID) { return device_command("06", NRdevID); }

std::string cmd_poll_rate(int32_t pollRateVal, const std::string& PLdevID) {
    if (PLdevID.empty()) return {};
    return command("09", PLdevID + ":" + hex4(std::min<int32_t>(pollRateVal, 65535)));
}

std::string cmd_send_data(const std::string& sndDevAddr, const std::string& sndDevData) {
    if (sndDevAddr.empty() || sndDevData.empty() || sndDevData.size() > kMaxSendData) return {};
    return "SNT:" + sndDevAddr + ":" + hex2(static_cast<int16_t>(sndDevData.size())) + ":" + sndDevData + ";";
}

std::string cmd_software_version() { return command("13"); }

}  // namespace brivola
