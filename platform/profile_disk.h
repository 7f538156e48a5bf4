#pragma once
// What a profile file looks like on disk, cheaply: stat's identity of the file (device, inode, size,
// modification time to the nanosecond) tells whether it may have changed since it was last read.
#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <functional>
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

// Content handed over in pieces, in order: a producer calls put for each piece, and may stop once put
// says false.
using PutPiece = std::function<bool(std::string_view)>;
using Pieces = std::function<void(const PutPiece&)>;

// True when path is a regular file of `size` bytes that are exactly the pieces. Compared piece by
// piece: a large file costs no copy of itself.
bool file_holds(const std::string& path, size_t size, const Pieces& pieces);

// What an errno value from these functions means, for a message: "is a folder", "not a regular
// file", "larger than 64 MB", or the system's text.
std::string file_error_text(int error);

// True when the path's folder exists, so a file can be created in it.
bool folder_exists_for(const std::string& path);

// A hash of a file's content, fed in pieces: the same bytes give the same value however they are cut.
class ContentHash {
public:
    void add(std::string_view piece);
    uint64_t value() const;

private:
    uint64_t state_ = 0x9e3779b97f4a7c15u;
    char pending_[8] = {};  // bytes not yet mixed in, fewer than 8
    size_t pending_size_ = 0;
    uint64_t length_ = 0;
};

uint64_t content_hash(std::string_view bytes);

// Asks the kernel to back the 2 MB stretches of a large buffer that is about to be filled whole (a
// network file's bytes, its lines) with 2 MB pages: filling 8 MB then takes a few page faults
// instead of 2000, which on a virtual machine is much of what loading a large network costs. Only a
// hint: where the kernel does not follow it nothing changes.
void prefer_large_pages(const void* buffer, size_t size);

}  // namespace platform
