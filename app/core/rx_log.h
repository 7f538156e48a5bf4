#pragma once
// A device's exchange log (the strings sent to and received from it, one per CR-ended line) is kept
// in memory for the whole run; it is held to a bounded size as it grows.
#include <string>

namespace modMain {

// Appends `text`; a log that then exceeds 65000 characters is cut to its last 1000.
void AppendToRxLog(std::string& rx_log, const std::string& text);

}  // namespace modMain
