#pragma once
// What brivola-monitor prints and what it accepts on its command line.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace monitor {

// Bytes as two-digit upper-case hexadecimal joined by "-" ("" for no bytes).
std::string hex_dash(const std::string& bytes);

// One output line per link event, without the line end.
std::string tx_line(const std::string& sndString);
std::string rx_line(const std::string& recString);
std::string data_line(const std::string& recDataAddr, const std::string& recData);
std::string err_line(int16_t errCode);

// The one argument: a port number 1..99 or a device path.
struct Target {
    bool ok = false;
    int16_t port = 0;   // set for a port number
    std::string path;   // set for a device path
};
Target parse_target(const std::string& arg);

// Input lines: appends chunk to partial and moves every line it completes, without its "\n" and one
// "\r" before it, to lines; partial keeps the unfinished rest.
void take_lines(std::string& partial, std::string_view chunk, std::deque<std::string>& lines);

}  // namespace monitor
