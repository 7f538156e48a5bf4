#pragma once
// Appends a time-stamped line to the log window, coloured by kind: 1 green, 2 dark red, 3 red,
// 4 blue; any other kind keeps the colour of the line before. Writes only while the log window is
// visible, and empties the log once it has reached 30001 characters. Every line also goes to the log
// file on disk when the program keeps one.
#include <cstdint>
#include <string>

namespace modMain {

void LogLine(const std::string& message, int16_t kind);

}  // namespace modMain
