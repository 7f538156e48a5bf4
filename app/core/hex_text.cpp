#include "app/core/hex_text.h"

namespace modMain {

namespace {

void append_byte(std::string& out, char c) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const auto b = static_cast<unsigned char>(c);
    out += kDigits[b >> 4];
    out += kDigits[b & 0x0F];
}

std::string joined(const std::string& bytes, char separator) {
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) out += separator;
        append_byte(out, bytes[i]);
    }
    return out;
}

}  // namespace

std::string HexDumpDash(const std::string& bytes) { return joined(bytes, '-'); }
std::string HexDumpColon(const std::string& bytes) { return joined(bytes, ':'); }

std::string WordToHex(const std::string& bytes) {
    std::string out;
    for (size_t i = 0; i < bytes.size() && i < 2; ++i) append_byte(out, bytes[i]);
    return out;
}

std::string WordToHexB(const std::string& bytes) { return WordToHex(bytes); }

}  // namespace modMain
