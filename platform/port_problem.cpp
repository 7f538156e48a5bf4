#include "platform/port_problem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/port_map.h"
#include "platform/serial_ports.h"

namespace platform {

namespace {

bool in_group(gid_t gid) {
    if (getegid() == gid) return true;
    const int n = getgroups(0, nullptr);
    if (n <= 0) return false;
    std::vector<gid_t> groups(static_cast<size_t>(n));
    const int got = getgroups(n, groups.data());
    for (int i = 0; i < got; ++i)
        if (groups[static_cast<size_t>(i)] == gid) return true;
    return false;
}

std::string permission_advice(const std::string& device_path) {
    struct stat st {};
    if (::stat(device_path.c_str(), &st) != 0) return {};
    const group* gr = getgrgid(st.st_gid);
    const passwd* pw = getpwuid(geteuid());
    if (!gr || !pw) return {};
    const std::string group_name = gr->gr_name, user = pw->pw_name;
    if (in_group(st.st_gid))
        return "; the device belongs to group " + group_name + ", which this session is in";
    return "; the device belongs to group " + group_name + " and user " + user +
           " is not in it (sudo adduser " + user + " " + group_name + ", then log in again)";
}

}  // namespace

std::string port_open_problem(const std::string& device_path) {
    if (device_path.empty()) return "no device is set for this port number";
    const int fd = ::open(device_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return device_path + ": the device opens now; another program may have been using it";
    }
    const int err = errno;
    std::string text = device_path + ": " + std::strerror(err);
    if (err == EACCES || err == EPERM) text += permission_advice(device_path);
    if (err == ENOENT) text += " (the adapter is unplugged, or the port number leads elsewhere)";
    if (err == EBUSY) text += " (another program is using the port)";
    return text;
}

std::string port_number_problem(int port) {
    if (port < kFirstPortNumber || port > kLastPortNumber)
        return "serial port " + std::to_string(port) + ": port numbers go from " + std::to_string(kFirstPortNumber) +
               " to " + std::to_string(kLastPortNumber);
    return port_open_problem(port_device_path(port));
}

}  // namespace platform
