#pragma once
// The per-user folders of the XDG base directory rules, each with the program's own subfolder.
#include <string>

namespace platform {

// $XDG_STATE_HOME/Dalmiro, or ~/.local/state/Dalmiro: the log files.
std::string state_folder();
// $XDG_DATA_HOME/Dalmiro, or ~/.local/share/Dalmiro: the network files of an installed program.
std::string data_folder();
// The file behind the settings store for an application name.
std::string settings_file(const std::string& app);

}  // namespace platform
