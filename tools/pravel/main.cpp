#include <iostream>

#include "platform/command_line.h"
#include "tools/pravel/pravel_cli.h"

int main(int argc, char** argv) {
    if (platform::answer_standard_option(argc, argv, "pravel", kPravelUsage, std::cout)) return 0;
    return run_pravel(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
