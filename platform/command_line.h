#pragma once
// The answers every program of the project gives to the two standard options: --help prints the usage
// and --version the program and release, both on standard output.
#include <ostream>
#include <string>

namespace platform {

constexpr int kExitUsage = 2;

// True when the arguments are exactly "--help" or "--version" (argv[1]); the answer is then printed
// on out and the caller exits with 0.
bool answer_standard_option(int argc, const char* const* argv, const std::string& program, const std::string& usage,
                            std::ostream& out);

}  // namespace platform
