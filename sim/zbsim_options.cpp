#include "sim/zbsim_options.h"

namespace zbsim {

const char* const kUsage =
    "usage: zbsim --link PATH [--config FILE | --replay RECORDING] [--port N]\n"
    "       zbsim --demo-config   (prints the built-in network as a configuration file)\n"
    "       zbsim --help | --version\n"
    "  --link PATH    make PATH a symbolic link to the simulated coordinator's serial port\n"
    "  --config FILE  the network to simulate (default: the built-in demo network)\n"
    "  --replay RECORDING  instead of a network, play the coordinator's side of a serial recording\n"
    "  --port N       also register the port as serial port number N (1..99) for this user\n";

std::optional<Options> parse_args(const std::vector<std::string>& args, std::string& error) {
    Options o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i + 1 >= args.size() || (a != "--link" && a != "--config" && a != "--replay" && a != "--port")) {
            error = "unexpected argument '" + a + "'";
            return std::nullopt;
        }
        const std::string& v = args[++i];
        if (a == "--link") {
            o.link = v;
        } else if (a == "--config") {
            o.config = v;
        } else if (a == "--replay") {
            o.replay = v;
        } else {
            bool digits = !v.empty() && v.size() <= 2 && v.find_first_not_of("0123456789") == std::string::npos;
            o.port = digits ? std::stoi(v) : 0;
            if (o.port < 1) {
                error = "--port needs a number from 1 to 99";
                return std::nullopt;
            }
        }
    }
    if (o.link.empty()) {
        error = "--link is required";
        return std::nullopt;
    }
    if (!o.config.empty() && !o.replay.empty()) {
        error = "--config and --replay exclude each other";
        return std::nullopt;
    }
    return o;
}

}  // namespace zbsim
