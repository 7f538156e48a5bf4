#pragma once
// Hexadecimal renderings of reply bytes: every character is one byte, written as two upper-case digits.
#include <string>

namespace modMain {

// All bytes joined by "-" ("30-34-0A"), for the log. Empty text gives empty text.
std::string HexDumpDash(const std::string& bytes);
// All bytes joined by ":", the 23-character form of a 64-bit address. Empty text gives empty text.
std::string HexDumpColon(const std::string& bytes);
// The first two bytes as 4 digits, first byte first ("\x12\x34" -> "1234"); later bytes are ignored.
// Empty text gives empty text, a single byte its own two digits.
std::string WordToHex(const std::string& bytes);
std::string WordToHexB(const std::string& bytes);

}  // namespace modMain
