#include <iostream>

#include "tools/pravel/pravel_cli.h"

int main(int argc, char** argv) { return run_pravel(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr); }
