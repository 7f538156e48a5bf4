// Every program's command line and brivola-monitor's input lines. A usage error prints the usage (or
// the refusal of a device path) on the error stream and nothing else; success prints no error; a port
// assigned on the command line is the one the port map then gives; a value `pravel` wrote is the value
// it reads back. The monitor's input gives the same lines however it arrives, and its hexadecimal
// lines give back the bytes.
//
// Input: a byte choosing the program, then its arguments separated by NUL (the monitor's input: the
// bytes as they come).
#include <algorithm>
#include <deque>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/program_options.h"
#include "fuzz/fuzz_target.h"
#include "platform/command_line.h"
#include "platform/port_map.h"
#include "platform/serial_ports.h"
#include "platform/serial_recorder.h"
#include "platform/settings_store.h"
#include "tools/brivola-monitor/monitor_lines.h"
#include "sim/zbsim_options.h"
#include "tools/pravel/pravel_cli.h"

namespace {

bool ends_with(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<std::string> arguments(fuzz::Input in) {
    std::vector<std::string> args;
    while (!in.empty() && args.size() < 6) args.emplace_back(in.until('\0'));
    return args;
}

void dalmiro(const std::vector<std::string>& args) {
    platform::MemorySettingsStore store;
    platform::set_settings(&store);
    modMain::PortSource source;
    source.ports = [] { return std::vector<platform::PortInfo>{}; };
    source.by_id_folder = fuzz::scratch_folder() + "/by-id";
    std::ostringstream out, err;
    const int code = modMain::RunProgramOptions(args, out, err, source);
    FUZZ_CHECK(code >= -1 && code <= 2);
    FUZZ_CHECK((code == -1) == modMain::StartsProgram(args));
    // A device path that is no serial port is refused by name, without the usage.
    const bool refused_path = args.size() == 3 && args[0] == "--assign-port" &&
                              err.str() == "Dalmiro: " + args[2] + ": " + platform::serial_device_refusal(args[2]) + "\n";
    if (code == platform::kExitUsage)
        FUZZ_CHECK(out.str().empty() && (ends_with(err.str(), modMain::kProgramUsage) || refused_path));
    if (code == 0) FUZZ_CHECK(err.str().empty());
    if (code == 0 && args.size() == 3 && args[0] == "--assign-port") {
        const std::string said = out.str();
        const std::string stored = said.substr(said.find(" is now ") + 8);
        FUZZ_CHECK(platform::port_device_path(std::stoi(args[1])) + "\n" == stored);
    }
    platform::set_settings(nullptr);
}

int pravel(const std::vector<std::string>& args, std::string& out) {
    std::ostringstream o, e;
    const int code = run_pravel(args, o, e);
    out = o.str();
    FUZZ_CHECK((code >= 0 && code <= 2) || (code == kPravelNoEntry && args.size() == 4 && args[0] == "read"));
    if (code == 2) FUZZ_CHECK(out.empty() && e.str() == kPravelUsage);
    if (code == 0) FUZZ_CHECK(e.str().empty());
    return code;
}

// The file operand always names the scratch file: the fuzzer chooses what goes in, not where.
void pravel_cli(std::vector<std::string> args) {
    const std::string file = fuzz::scratch_folder() + "/pravel.ini";
    std::filesystem::remove(file);
    fuzz::next_turn();
    if (args.size() >= 2 && args[0] != "paths" && args[0].rfind("--", 0) != 0) args[1] = file;
    std::string out;
    const int code = pravel(args, out);
    if (code != 0 || args.size() != 5 || args[0] != "write") return;
    // Blanks around the value stay; a read gives at most 126 characters.
    fuzz::next_turn();
    FUZZ_CHECK(pravel({"read", file, args[2], args[3]}, out) == 0);
    FUZZ_CHECK(out == args[4].substr(0, 126) + "\n");
}

void monitor_target(const std::vector<std::string>& args) {
    std::vector<const char*> argv{"brivola-monitor"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::ostringstream out;
    if (platform::answer_standard_option(static_cast<int>(argv.size()), argv.data(), "brivola-monitor", "usage", out))
        return FUZZ_CHECK(args.size() == 1 && !out.str().empty());
    // The recording options go first, as the monitor takes them; what is left names the port.
    std::vector<std::string> rest = args;
    platform::RecordRequest record;
    std::string error;
    if (!platform::take_record_options(rest, record, error)) return FUZZ_CHECK(!error.empty());
    FUZZ_CHECK(record.limit_mb == 0 || !record.path.empty());
    for (const char* option : {"--record", "--record-limit"})
        FUZZ_CHECK(std::find(rest.begin(), rest.end(), option) == rest.end());
    if (rest.size() != 1) return;
    const monitor::Target t = monitor::parse_target(rest[0]);
    if (!t.ok) return FUZZ_CHECK(t.path.empty());
    if (t.path.empty()) FUZZ_CHECK(t.port >= 1 && t.port <= 99 && rest[0].find_first_not_of("0123456789") == std::string::npos);
    else FUZZ_CHECK(t.path == rest[0] && t.port == 0);
}

void zbsim_cli(const std::vector<std::string>& args) {
    std::string error;
    const std::optional<zbsim::Options> o = zbsim::parse_args(args, error);
    if (!o) return FUZZ_CHECK(!error.empty());
    // Options come in pairs; the last of each kind counts.
    FUZZ_CHECK(args.size() % 2 == 0 && !o->link.empty());
    FUZZ_CHECK(o->port == 0 || (o->port >= 1 && o->port <= 99));
    FUZZ_CHECK(o->config.empty() || o->replay.empty());
    std::string link;
    for (size_t i = 0; i + 1 < args.size(); i += 2)
        if (args[i] == "--link") link = args[i + 1];
    FUZZ_CHECK(o->link == link);
}

std::string from_hex_dash(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 3) {
        FUZZ_CHECK(i + 2 == hex.size() || hex[i + 2] == '-');
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

void monitor_input(std::string_view input) {
    std::deque<std::string> whole, pieces;
    std::string partial;
    monitor::take_lines(partial, input, whole);
    const std::string rest = partial;
    partial.clear();
    for (size_t at = 0, step = 1; at < input.size(); at += step, step = step % 7 + 1)
        monitor::take_lines(partial, input.substr(at, step), pieces);
    FUZZ_CHECK(whole == pieces && partial == rest);
    // Read line by line another way, each line losing one CR before its end.
    std::istringstream reader{std::string(input)};
    std::deque<std::string> expected;
    for (std::string line; std::getline(reader, line);) {
        if (reader.eof()) {
            FUZZ_CHECK(line == rest);
            break;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        expected.push_back(line);
    }
    FUZZ_CHECK(whole == expected);
    if (input.empty() || input.back() == '\n') FUZZ_CHECK(rest.empty());

    const std::string bytes(input);
    FUZZ_CHECK(from_hex_dash(monitor::rx_line(bytes).substr(3)) == bytes);
    const std::string data = monitor::data_line("0A1B", bytes);
    FUZZ_CHECK(data.rfind("DATA 0A1B", 0) == 0 && from_hex_dash(data.size() > 9 ? data.substr(10) : "") == bytes);
}

}  // namespace

FUZZ_TARGET(command_lines) {
    fuzz::Input in(data, size);
    switch (in.byte() % 5) {
        case 0: return dalmiro(arguments(in));
        case 1: return pravel_cli(arguments(in));
        case 2: return monitor_target(arguments(in));
        case 3: return monitor_input(in.rest());
        default: return zbsim_cli(arguments(in));
    }
}
