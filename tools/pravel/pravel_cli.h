#pragma once
// The `pravel` command line: one Pravel action per run on the file, section and key given.
#include <ostream>
#include <string>
#include <vector>

constexpr int kPravelNoEntry = 3;

extern const char kPravelUsage[];

// args excludes the program name. Returns the exit code: 0; 1 when the file could not be read or a
// change could not be written, or the name is no file name (the reason on err, the file as it was);
// 2 on a usage error (usage on err); 3 when `read` found no such entry (it prints "Errore" all the
// same, as the control gives it).
int run_pravel(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
