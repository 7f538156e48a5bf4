#include "platform/command_line.h"

#include "platform/project_version.h"

namespace platform {

bool answer_standard_option(int argc, const char* const* argv, const std::string& program, const std::string& usage,
                            std::ostream& out) {
    if (argc != 2) return false;
    const std::string a = argv[1];
    if (a == "--help") {
        out << usage;
        return true;
    }
    if (a == "--version") {
        out << program << ' ' << kProjectVersion << '\n';
        return true;
    }
    return false;
}

}  // namespace platform
