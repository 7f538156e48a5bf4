#pragma once
// The program's command line. Without arguments the program starts as it always has, with
// --reconnect it starts and waits out a lost adapter; the other options
// answer and end without opening a window.
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/serial_ports.h"

namespace modMain {

extern const char* const kProgramUsage;

// What the options need of the machine; tests give a fake port source and by-id folder.
struct PortSource {
    std::function<std::vector<platform::PortInfo>()> ports = platform::system_ports;
    std::string by_id_folder = "/dev/serial/by-id";
};

// args excludes the program name. True when they start the program: none, or "--reconnect".
bool StartsProgram(const std::vector<std::string>& args);
// Returns the exit code, or -1 when the program is to start. A usage error prints the usage on err
// and returns 2.
int RunProgramOptions(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                      const PortSource& source = {});

}  // namespace modMain
