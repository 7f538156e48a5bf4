#pragma once
// What a profile file looks like on disk, cheaply: stat's identity of the file (device, inode, size,
// modification time to the nanosecond) tells whether it may have changed since it was last read.
#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>

namespace platform {

struct DiskState {
    bool present = false;   // something is at the path
    bool readable = true;   // false for a folder, a device, a pipe, or a file that cannot be opened
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
// Opens the path only when it is a regular file (a pipe would block the caller).
DiskContent read_profile(const std::string& path);

// True when the path's folder exists, so a file can be created in it.
bool folder_exists_for(const std::string& path);

uint64_t content_hash(const std::string& bytes);

}  // namespace platform
