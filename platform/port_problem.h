#pragma once
// Why a serial device cannot be opened, in the system's words and with what to do about it, for the
// log line that follows a failed open.
#include <string>
#include <sys/types.h>

namespace platform {

// Tries the device once more and explains what the system answers. A path that is not a character
// device is not a serial port and is said to be none; a permission refusal is explained by
// permission_advice.
std::string port_open_problem(const std::string& device_path);
// The same for a port number, through the port map; a number the link does not take says so.
std::string port_number_problem(int port);

// What decides the advice for a device this user may not open.
struct DeviceAccess {
    std::string owner, group, user;
    gid_t gid = 0;
    mode_t mode = 0;        // permission bits of the device
    bool in_group = false;  // the session holds the device's group
};
// Naming a group to join is advice only when that group may read and write the device and is not
// the administrators' group; otherwise the owner and the mode are said as they are.
std::string permission_advice(const DeviceAccess& access);

}  // namespace platform
