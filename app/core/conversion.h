#pragma once
// Numbers from typed, stored or designed text. The lenient reading takes the leading numeric part
// (0 when there is none), the way operators and old data files expect; the strict one accepts only
// a whole number text and is used where a bad text must leave things as they are.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace modMain {

// Leading number of the text: optional blanks, sign, digits, decimal point, exponent. "7abc" -> 7,
// "abc" -> 0, "1e999" -> infinity.
double Val(std::string_view text);

// Rounded to the nearest integer, halves to even (2.5 -> 2, 3.5 -> 4); values beyond the type's
// range are clamped to its limits, and NaN gives 0.
int16_t CInt(double value);
int32_t CLng(double value);

// The whole text (blanks around it allowed) must be a number that rounds into the 16-bit range;
// otherwise no value.
std::optional<int16_t> StrictInt16(std::string_view text);

// The text without the spaces around it.
std::string Trim(std::string_view text);

}  // namespace modMain
