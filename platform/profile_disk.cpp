#include "platform/profile_disk.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <functional>
#include <string_view>

namespace platform {

namespace {

// Generous against file systems whose clock ticks in jiffies; coarser ones (FAT: 2 s) are not served.
constexpr int64_t kRacyNs = 100'000'000;

DiskState from_stat(const struct stat& st) {
    DiskState d;
    d.present = true;
    d.readable = S_ISREG(st.st_mode) && st.st_size <= kLargestProfile;
    if (S_ISDIR(st.st_mode))
        d.error = EISDIR;
    else if (!S_ISREG(st.st_mode))
        d.error = EINVAL;
    else if (!d.readable)
        d.error = EFBIG;
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
    if (d.present) d.error = errno;
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
    int error = ok ? c.state.error : errno;
    ok = ok && c.state.readable;
    try {
        if (ok) c.bytes.reserve(static_cast<size_t>(st.st_size));
        prefer_large_pages(c.bytes.data(), c.bytes.capacity());
        char buf[1 << 16];
        // The size was checked, but the file may grow while it is read.
        while (ok) {
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ok = n == 0;
                if (!ok) error = errno;
                break;
            }
            if (c.bytes.size() + static_cast<size_t>(n) > static_cast<size_t>(kLargestProfile)) {
                ok = false;
                error = EFBIG;
                break;
            }
            c.bytes.append(buf, static_cast<size_t>(n));
        }
    } catch (const std::bad_alloc&) {
        ok = false;
        error = ENOMEM;
    }
    ::close(fd);
    if (!ok) {
        c.state.readable = false;
        c.state.error = error;
        c.bytes.clear();
        c.bytes.shrink_to_fit();
    }
    return c;
}

namespace {

// Reads exactly size bytes, short only at the end of the file or on an error.
size_t read_up_to(int fd, char* buf, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::read(fd, buf + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

uint64_t mix(uint64_t h, uint64_t word) {
    h ^= word;
    h *= 0xff51afd7ed558ccdu;
    return h ^ (h >> 29);
}

}  // namespace

bool file_holds(const std::string& path, size_t size, const Pieces& pieces) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool same = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<size_t>(st.st_size) == size;
    std::string buf;
    if (same)
        pieces([&](std::string_view piece) {
            buf.resize(piece.size());
            same = read_up_to(fd, buf.data(), piece.size()) == piece.size() && buf == piece;
            return same;
        });
    // The file may have grown since it was looked at.
    char extra = 0;
    same = same && read_up_to(fd, &extra, 1) == 0;
    ::close(fd);
    return same;
}

bool folder_exists_for(const std::string& path) {
    auto slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string file_error_text(int error) {
    switch (error) {
        case EISDIR:
            return "is a folder";
        case EINVAL:
            return "not a regular file";
        case EFBIG:
            return "larger than " + std::to_string(kLargestProfile >> 20) + " MB";
        default:
            return std::strerror(error);
    }
}

void ContentHash::add(std::string_view piece) {
    length_ += piece.size();
    size_t i = 0;
    for (; pending_size_ && i < piece.size(); ++i) {
        pending_[pending_size_] = piece[i];
        if (++pending_size_ < sizeof pending_) continue;
        uint64_t word = 0;
        std::memcpy(&word, pending_, sizeof word);
        state_ = mix(state_, word);
        pending_size_ = 0;
    }
    for (; i + 8 <= piece.size(); i += 8) {
        uint64_t word = 0;
        std::memcpy(&word, piece.data() + i, sizeof word);
        state_ = mix(state_, word);
    }
    for (; i < piece.size(); ++i) pending_[pending_size_++] = piece[i];
}

uint64_t ContentHash::value() const {
    uint64_t word = 0;
    std::memcpy(&word, pending_, pending_size_);
    return mix(mix(state_, word), length_);
}

void prefer_large_pages(const void* buffer, size_t size) {
    constexpr uintptr_t kLarge = 2 << 20;
    const auto start = reinterpret_cast<uintptr_t>(buffer);
    const uintptr_t first = (start + kLarge - 1) & ~(kLarge - 1);
    const uintptr_t end = (start + size) & ~(kLarge - 1);
    if (end > first) ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

uint64_t content_hash(std::string_view bytes) {
    ContentHash hash;
    hash.add(bytes);
    return hash.value();
}

}  // namespace platform
