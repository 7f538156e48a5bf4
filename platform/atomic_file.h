#pragma once
// Replaces a file's whole content so that a reader, a crash or a power cut sees either the complete
// old file or the complete new one: the bytes go to a temporary file in the same folder, are flushed
// to the disk, and the temporary file is renamed over the target.
#include <string>

namespace platform {

// False when the folder is missing or not writable, or the disk refused; the old file is then intact.
bool write_file_atomically(const std::string& path, const std::string& bytes);

}  // namespace platform
