#pragma once
// The program's own folder, where the network files live; tests point it at a temp folder.
#include <string>

namespace platform {

// Without a trailing "/" unless it is the root.
std::string program_folder();
void set_program_folder(const std::string& folder);  // "" restores the executable's folder

}  // namespace platform
