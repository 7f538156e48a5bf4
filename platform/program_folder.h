#pragma once
// Where the network files live: the program's own folder when it runs from its build tree, the
// user's data folder once installed; tests point it at a temp folder.
#include <string>

namespace platform {

// Without a trailing "/" unless it is the root.
std::string program_folder();
void set_program_folder(const std::string& folder);  // "" restores the executable's folder

}  // namespace platform
