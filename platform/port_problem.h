#pragma once
// Why a serial device cannot be opened, in the system's words and with what to do about it, for the
// log line that follows a failed open.
#include <string>

namespace platform {

// Tries the device once more and explains what the system answers; a permission refusal names the
// group that owns the device and whether the user is in it.
std::string port_open_problem(const std::string& device_path);
// The same for a port number, through the port map; a number the link does not take says so.
std::string port_number_problem(int port);

}  // namespace platform
