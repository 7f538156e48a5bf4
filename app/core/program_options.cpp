#include "app/core/program_options.h"

#include "platform/command_line.h"
#include "platform/port_map.h"

namespace modMain {

const char* const kProgramUsage =
    "usage: Dalmiro                      start the program (it asks for the coordinator's port number)\n"
    "       Dalmiro --record FILE [--record-limit MB]\n"
    "                                    start the program and record every byte on the serial line into\n"
    "                                    FILE, stopping at MB megabytes (default 100)\n"
    "       Dalmiro --reconnect          start the program; a lost adapter is waited for and reopened instead\n"
    "                                    of ending the program (also: setting Reconnect=1); goes with --record\n"
    "       Dalmiro --list-ports         list this machine's serial ports and the number each is reachable as,\n"
    "                                    then the port map's other numbers and whether their device is there\n"
    "       Dalmiro --assign-port N PATH make serial port N (1..99) open the serial device PATH, by its\n"
    "                                    /dev/serial/by-id name when it has one, else by its absolute path\n"
    "       Dalmiro --unassign-port N    take serial port N out of the port map (it opens /dev/ttyS<N-1> again)\n"
    "       Dalmiro --help | --version\n";

namespace {

// A port number as typed: digits only, 1..99.
int port_number(const std::string& text) {
    if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
    return std::stoi(text);
}

int usage_error(std::ostream& err, const std::string& why) {
    err << "Dalmiro: " << why << "\n" << kProgramUsage;
    return platform::kExitUsage;
}

}  // namespace

bool StartsProgram(const std::vector<std::string>& args) {
    return args.empty() || (args.size() == 1 && args[0] == "--reconnect");
}

int RunProgramOptions(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                      const PortSource& source) {
    if (StartsProgram(args)) return -1;
    std::vector<const char*> argv{"Dalmiro"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    if (platform::answer_standard_option(static_cast<int>(argv.size()), argv.data(), "Dalmiro", kProgramUsage, out))
        return 0;
    const std::string& option = args[0];
    if (option == "--list-ports" && args.size() == 1) {
        const auto ports = platform::detect_ports(source.ports(), source.by_id_folder);
        const auto unlisted = platform::unlisted_mappings(ports);
        if (ports.empty()) out << "No serial port found on this machine.\n";
        for (const platform::DetectedPort& p : ports) out << platform::describe_port(p) << "\n";
        for (const platform::UnlistedMapping& m : unlisted) out << platform::describe_mapping(m) << "\n";
        return 0;
    }
    if (option == "--assign-port") {
        if (args.size() != 3) return usage_error(err, "--assign-port needs a number and a device path");
        const int number = port_number(args[1]);
        if (number == 0) return usage_error(err, "the port number must be 1 to 99");
        std::string stored;
        if (const std::string why = platform::give_port_number(number, args[2], stored, source.by_id_folder);
            !why.empty()) {
            err << "Dalmiro: " << args[2] << ": " << why << "\n";
            return platform::kExitUsage;
        }
        out << "Serial port " << number << " is now " << stored << "\n";
        return 0;
    }
    if (option == "--unassign-port") {
        if (args.size() != 2) return usage_error(err, "--unassign-port needs a number");
        const int number = port_number(args[1]);
        if (number == 0) return usage_error(err, "the port number must be 1 to 99");
        bool mapped = false;
        for (const auto& entry : platform::mapped_ports()) mapped = mapped || entry.first == number;
        platform::unregister_port(number);
        const std::string now = platform::port_device_path(number);
        if (!mapped) {
            err << "Dalmiro: serial port " << number << " is not in the port map; it opens " << now << "\n";
            return 1;
        }
        out << "Serial port " << number << " opens " << now << " again\n";
        return 0;
    }
    return usage_error(err, "unexpected argument '" + option + "'");
}

}  // namespace modMain
