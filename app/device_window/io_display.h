#pragma once
// How the device window reads the I/O status stored as text (four hex digits per analogue channel,
// one or two for the I/O bitmap) and writes its measurements.
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

namespace modMain {

// Bits of the I/O bitmap: outputs 1..4, then inputs 1..3.
constexpr int kOutputBits[4] = {0x02, 0x04, 0x08, 0x10};
constexpr int kInputBits[3] = {0x20, 0x40, 0x80};

// One to four hex digits (either case) read as a signed 16-bit number, so 8000..FFFF are negative;
// anything else (empty, longer, not hex) gives no value.
std::optional<int16_t> HexInt16(const std::string& text);

// A bar's value for a channel's text: the number when it lies within [minimum, maximum], otherwise
// (out of range, empty, unreadable) the minimum, an empty bar.
int BarValue(const std::string& text, int minimum, int maximum);

// A single-precision measurement in its general form: no fixed decimals, the system's separator.
QString GeneralNumber(float value);

}  // namespace modMain
