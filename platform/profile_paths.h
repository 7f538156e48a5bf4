#pragma once
// Where profile files live on this system: the folders that stand in for the system, Windows and
// temporary-files directories, and the full path a profile file name stands for.
#include <string>

namespace platform {

// "/usr/lib": the system's shared libraries, as the system directory holds the platform's own.
std::string profile_system_folder();
// The per-user configuration folder: $XDG_CONFIG_HOME, else ~/.config, else ~, else /tmp. A profile
// file named without a folder lives here, as one named without a path lived in the Windows directory.
std::string profile_home_folder();
// $TMPDIR when it names an existing folder, else /tmp; with a trailing "/".
std::string profile_temp_folder();

// The absolute path that `file` stands for: a bare name goes into profile_home_folder(), a relative
// path is taken from the current folder; "." components and repeated "/" are removed so that one
// file has one spelling. "" when `file` is empty or names a folder (ends in "/").
std::string resolve_profile_path(const std::string& file);

}  // namespace platform
