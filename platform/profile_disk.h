#pragma once
// What a profile file looks like on disk, cheaply: stat's identity of the file (device, inode, size,
// modification time to the nanosecond) tells whether it may have changed since it was last read.
#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace platform {

// Profile files larger than this are not read: no profile this system writes comes near it, and a
// damaged or sparse file of many gigabytes must not take the memory of whoever reads it.
constexpr off_t kLargestProfile = 64 << 20;

struct DiskState {
    bool present = false;   // something is at the path
    bool readable = true;   // false for a folder, a device, a pipe, a file that cannot be opened or is
                            // larger than kLargestProfile
    int error = 0;          // why it is not readable, as an errno value (EINVAL: not a regular file)
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};

    bool same_as(const DiskState& o) const;
    // A file changed in the same tick of the file system's clock as it was looked at may change
    // again without its time moving: until that tick has surely passed, only its content tells.
    bool racy() const;
};

DiskState stat_profile(const std::string& path);

struct DiskContent {
    DiskState state;
    std::string bytes;
};
// Opens the path only when it is a regular file (a pipe would block the caller) of at most
// kLargestProfile bytes.
DiskContent read_profile(const std::string& path);

// True when path is a regular file that holds exactly bytes. Read piece by piece: comparing a large
// file costs no second copy of it.
bool file_holds(const std::string& path, std::string_view bytes);

// What an errno value from these functions means, for a message: "is a folder", "not a regular
// file", "larger than 64 MB", or the system's text.
std::string file_error_text(int error);

// True when the path's folder exists, so a file can be created in it.
bool folder_exists_for(const std::string& path);

uint64_t content_hash(const std::string& bytes);

}  // namespace platform
