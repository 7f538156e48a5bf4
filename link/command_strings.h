#pragma once
// The coordinator's command texts. Each builder checks its arguments and returns the command, or ""
// when the call is refused: an empty command is never queued.
#include <cstdint>
#include <string>

namespace brivola {

// Upper-case hexadecimal without leading zeros; a negative value shows its two's complement in the
// width of its type (FFFF for a 16-bit -1, FFFFFFFF for a 32-bit one).
std::string hex(int16_t v);
std::string hex(int32_t v);
// Two digits for 0..255: a single digit gets a "0" in front.
template <typename Int>
std::string hex2(Int v) {
    std::string h = hex(v);
    return h.size() == 1 ? "0" + h : h;
}
// Padded with zeros on the left to four digits.
std::string hex4(int32_t v);

std::string cmd_ping(const std::string& devID);
std::string cmd_add_item(const std::string& devID);
std::string cmd_get_ex_addr();
std::string cmd_pan_info();
std::string cmd_start_net();
std::string cmd_lock_net();
std::string cmd_unlock_net();
std::string cmd_reset();
std::string cmd_ask_ex_addr(const std::string& devID);
std::string cmd_set_rf_ch(int16_t RfCH);
std::string cmd_set_keep_alive(const std::string& kaShortID, int16_t kaOnOff);
std::string cmd_set_output(const std::string& devSIDShort, int16_t devSPort);
std::string cmd_reset_output(const std::string& devRIDShort, int16_t devRPort);
// The first of the two rate commands; "" also when the minutes do not fit in 16 bits.
std::string cmd_new_rate(int32_t newRateVal, const std::string& NRdevID);
std::string cmd_new_rate_apply(const std::string& NRdevID);
std::string cmd_poll_rate(int32_t pollRateVal, const std::string& PLdevID);
// "" also for more than 255 characters of data: the two-digit length field cannot say more.
std::string cmd_send_data(const std::string& sndDevAddr, const std::string& sndDevData);
std::string cmd_software_version();

}  // namespace brivola
