#include "tools/brivola-monitor/monitor_lines.h"

#include <algorithm>
#include <cctype>

namespace monitor {

std::string hex_dash(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!out.empty()) out += '-';
        out += digits[b >> 4];
        out += digits[b & 0x0F];
    }
    return out;
}

std::string tx_line(const std::string& sndString) { return "TX " + sndString; }
std::string rx_line(const std::string& recString) { return "RX " + hex_dash(recString); }

std::string data_line(const std::string& recDataAddr, const std::string& recData) {
    std::string line = "DATA " + recDataAddr;
    if (!recData.empty()) line += " " + hex_dash(recData);
    return line;
}

std::string err_line(int16_t errCode) { return "ERR " + std::to_string(errCode); }

Target parse_target(const std::string& arg) {
    Target t;
    if (arg.empty()) return t;
    const bool digits = std::all_of(arg.begin(), arg.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
    if (digits) {
        if (arg.size() > 2) return t;
        const int n = std::stoi(arg);
        if (n < 1) return t;
        t.port = static_cast<int16_t>(n);
        t.ok = true;
    } else if (arg.find('/') != std::string::npos) {
        t.path = arg;
        t.ok = true;
    }
    return t;
}

void take_lines(std::string& partial, std::string_view chunk, std::deque<std::string>& lines) {
    partial.append(chunk);
    size_t start = 0;
    for (size_t nl = partial.find('\n'); nl != std::string::npos; nl = partial.find('\n', start)) {
        std::string line = partial.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = nl + 1;
    }
    partial.erase(0, start);
}

}  // namespace monitor
