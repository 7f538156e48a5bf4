#pragma once
// Replaces a file's whole content so that a reader, a crash or a power cut sees either the complete
// old file or the complete new one: the bytes go to a temporary file in the same folder, are flushed
// to the disk, and the temporary file is renamed over the target.
//
// A symbolic link is written through: its target gets the new content and the link stays. Something
// at the path that is not a regular file we can read (a folder, a pipe, a file without read
// permission) is never replaced. Writers of one folder take turns (an advisory lock on the folder),
// and a writer that holds the turn removes the temporary files an earlier, killed, writer of the same
// file left behind. What counts as readable is what read_profile reads (profile_disk.h).
#include <string>

#include "platform/profile_disk.h"

namespace platform {

// False when the content could not be put in place; the old file is then intact and *error (when
// given) says why, as an errno value.
bool write_file_atomically(const std::string& path, const std::string& bytes, int* error = nullptr);
// The same for content handed over in pieces, so that a large file need not be built in memory first.
bool write_file_atomically(const std::string& path, const Pieces& pieces, int* error = nullptr);

// Where a write to path goes: path itself, or the file its chain of symbolic links ends at (which
// need not exist yet). Empty, with *error set, for a loop of links.
std::string write_target(const std::string& path, int* error = nullptr);

// Holds the turn of the writers of a folder while it lives. A thread may take the turn of a folder it
// already holds again; the turn is given back when the outermost holder goes. A folder that cannot be
// opened is written without taking turns.
class FolderTurn {
public:
    explicit FolderTurn(const std::string& folder);
    ~FolderTurn();
    FolderTurn(const FolderTurn&) = delete;
    FolderTurn& operator=(const FolderTurn&) = delete;

private:
    std::string folder_;
};

std::string folder_of(const std::string& path);

}  // namespace platform
