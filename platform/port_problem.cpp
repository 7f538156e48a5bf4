#include "platform/port_problem.h"

#include <cerrno>
#include <cstdio>
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

std::string user_name(uid_t uid) {
    const passwd* pw = getpwuid(uid);
    return pw ? pw->pw_name : std::to_string(uid);
}

std::string group_name(gid_t gid) {
    const group* gr = getgrgid(gid);
    return gr ? gr->gr_name : std::to_string(gid);
}

}  // namespace

std::string permission_advice(const DeviceAccess& a) {
    const mode_t group_rw = S_IRGRP | S_IWGRP;
    if (a.gid != 0 && (a.mode & group_rw) == group_rw) {
        if (a.in_group) return "; the device belongs to group " + a.group + ", which this session is in";
        return "; the device belongs to group " + a.group + " and user " + a.user + " is not in it (sudo adduser " +
               a.user + " " + a.group + ", then log in again)";
    }
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(a.mode & 07777));
    return "; the device belongs to " + a.owner + ":" + a.group + " with mode " + mode + ", which gives user " +
           a.user + " no access to it";
}

std::string port_open_problem(const std::string& device_path) {
    if (device_path.empty()) return "no device is set for this port number";
    struct stat st {};
    if (::stat(device_path.c_str(), &st) == 0 && !S_ISCHR(st.st_mode))
        return device_path + ": " + serial_device_refusal(device_path);
    const int fd = ::open(device_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return device_path + ": the device opens now; another program may have been using it";
    }
    const int err = errno;
    std::string text = device_path + ": " + std::strerror(err);
    if ((err == EACCES || err == EPERM) && ::stat(device_path.c_str(), &st) == 0)
        text += permission_advice({user_name(st.st_uid), group_name(st.st_gid), user_name(geteuid()), st.st_gid,
                                   st.st_mode, in_group(st.st_gid)});
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
