#pragma once
// A serial recording printed as the log lines the program would have shown while it was made: "TX: "
// for every command written, "RX: " and the bytes for every reply the link frames from what was read
// (a data frame as "RX FROM: "), each with the exact time of day it crossed the line, to the
// microsecond. The port's openings and failures and the end of the recording show in brackets.
#include <functional>
#include <string>

#include "platform/serial_recording_file.h"

namespace monitor {

void print_recording(const platform::recording::Recording& recording,
                     const std::function<void(const std::string& line)>& out);

// The time of day `us` after `start` ("2026-12-08T16:40:00.123456Z"), local, as HH:MM:SS.uuuuuu; as
// "+seconds.uuuuuu" from the start when `start` cannot be read.
std::string time_of_day(const std::string& start, uint64_t us);

}  // namespace monitor
