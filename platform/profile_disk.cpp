#include "platform/profile_disk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string_view>

namespace platform {

namespace {

// Generous against file systems whose clock ticks in jiffies; coarser ones (FAT: 2 s) are not served.
constexpr int64_t kRacyNs = 100'000'000;

DiskState from_stat(const struct stat& st) {
    DiskState d;
    d.present = true;
    d.readable = S_ISREG(st.st_mode);
    d.dev = st.st_dev;
    d.ino = st.st_ino;
    d.size = st.st_size;
    d.mtime = st.st_mtim;
    return d;
}

DiskState failed_stat() {
    DiskState d;
    // A missing file or folder reads as an absent file; anything else that stops stat (a folder we may
    // not search) as something present that cannot be read, so it is never overwritten blindly.
    d.present = !(errno == ENOENT || errno == ENOTDIR);
    d.readable = !d.present;
    return d;
}

}  // namespace

bool DiskState::same_as(const DiskState& o) const {
    return present == o.present && readable == o.readable && dev == o.dev && ino == o.ino && size == o.size &&
           mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
}

bool DiskState::racy() const {
    if (!present || !readable) return false;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    int64_t age = (static_cast<int64_t>(now.tv_sec) - mtime.tv_sec) * 1'000'000'000 + (now.tv_nsec - mtime.tv_nsec);
    return age < kRacyNs;
}

DiskState stat_profile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return failed_stat();
    return from_stat(st);
}

DiskContent read_profile(const std::string& path) {
    DiskContent c;
    c.state = stat_profile(path);
    if (!c.state.present || !c.state.readable) return c;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        c.state = failed_stat();
        return c;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok) c.state = from_stat(st);
    ok = ok && c.state.readable;
    if (ok) c.bytes.reserve(static_cast<size_t>(st.st_size));
    char buf[1 << 16];
    while (ok) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        c.bytes.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    if (!ok) {
        c.state.readable = false;
        c.bytes.clear();
    }
    return c;
}

bool folder_exists_for(const std::string& path) {
    auto slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

uint64_t content_hash(const std::string& bytes) { return std::hash<std::string_view>{}(bytes); }

}  // namespace platform
