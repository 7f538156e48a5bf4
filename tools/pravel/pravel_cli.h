#pragma once
// The `pravel` command line: one Pravel action per run on the file, section and key given.
#include <ostream>
#include <string>
#include <vector>

extern const char kPravelUsage[];

// args excludes the program name. Returns the exit code: 0; 1 when the file could not be read or a
// change could not be written (the reason on err, the file as it was); 2 on a usage error (usage on
// err).
int run_pravel(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
