#pragma once
// zbsim's command line.
#include <optional>
#include <string>
#include <vector>

namespace zbsim {

extern const char* const kUsage;

struct Options {
    std::string link;
    std::string config;
    std::string replay;
    int port = 0;  // 0: none given; otherwise 1..99
};

// args excludes the program name. No value, and the reason in error, on a usage error.
std::optional<Options> parse_args(const std::vector<std::string>& args, std::string& error);

}  // namespace zbsim
