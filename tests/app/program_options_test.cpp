#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/core/program_options.h"
#include "platform/port_map.h"
#include "platform/project_version.h"
#include "tests/app/app_fixture.h"
#include "tests/link/pty_pair.h"
#include "tests/profile/temp_folder.h"

using namespace modMain;

namespace {

class ProgramOptionsTest : public AppTest {
protected:
    ProgramOptionsTest() {
        std::filesystem::create_symlink(adapter.slave_path, dev / "ttyUSB0");
        std::filesystem::create_directory(dev / "by-id");
        std::filesystem::create_symlink("../ttyUSB0", dev / "by-id/usb-Silicon_Labs_CP2102_0001-if00-port0");
        source.ports = [this] { return std::vector<platform::PortInfo>{{dev / "ttyUSB0", "CP2102", "Silicon Labs", "0001"}}; };
        source.by_id_folder = dev / "by-id";
    }
    int run(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        return RunProgramOptions(args, out, err, source);
    }

    TempFolder dev;
    PtyPair adapter;
    PortSource source;
    std::ostringstream out, err;
};

}  // namespace

TEST_F(ProgramOptionsTest, standard_options_answer_on_standard_output_and_mistakes_are_usage_errors) {
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string out;
        bool usage_on_err;
    };
    const std::string version = std::string("Dalmiro ") + platform::kProjectVersion + "\n";
    for (const Case& c : {Case{{}, -1, "", false}, Case{{"--reconnect"}, -1, "", false},
                          Case{{"--reconnect", "x"}, 2, "", true}, Case{{"--help"}, 0, kProgramUsage, false},
                          Case{{"--version"}, 0, version, false}, Case{{"--verbose"}, 2, "", true},
                          Case{{"--help", "x"}, 2, "", true}, Case{{"--list-ports", "x"}, 2, "", true},
                          Case{{"--assign-port", "3"}, 2, "", true}, Case{{"--assign-port", "100", dev / "ttyUSB0"}, 2, "", true},
                          Case{{"--assign-port", "x1", dev / "ttyUSB0"}, 2, "", true},
                          Case{{"--unassign-port"}, 2, "", true}, Case{{"--unassign-port", "0"}, 2, "", true}}) {
        const std::string shown = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(run(c.args), c.code) << shown;
        EXPECT_EQ(out.str(), c.out) << shown;
        EXPECT_EQ(err.str().find(kProgramUsage) != std::string::npos, c.usage_on_err) << shown;
    }
    EXPECT_TRUE(store.values.empty());
}

TEST_F(ProgramOptionsTest, a_port_given_a_number_on_the_command_line_is_listed_with_it) {
    const std::string by_id = dev / "by-id/usb-Silicon_Labs_CP2102_0001-if00-port0";
    EXPECT_EQ(run({"--list-ports"}), 0);
    EXPECT_EQ(out.str(), "no number  " + by_id + " (" + dev / "ttyUSB0" + ")  CP2102, Silicon Labs, serial 0001\n");

    EXPECT_EQ(run({"--assign-port", "12", dev / "ttyUSB0"}), 0);
    EXPECT_EQ(out.str(), "Serial port 12 is now " + by_id + "\n");
    EXPECT_EQ(platform::port_device_path(12), by_id);
    EXPECT_EQ(run({"--list-ports"}), 0);
    EXPECT_EQ(out.str(), "port 12  " + by_id + " (" + dev / "ttyUSB0" + ")  CP2102, Silicon Labs, serial 0001\n");

    EXPECT_EQ(run({"--unassign-port", "12"}), 0);
    EXPECT_EQ(out.str(), "Serial port 12 opens /dev/ttyS11 again\n");
    EXPECT_EQ(run({"--list-ports"}), 0);
    EXPECT_EQ(out.str(), "no number  " + by_id + " (" + dev / "ttyUSB0" + ")  CP2102, Silicon Labs, serial 0001\n");
}

TEST_F(ProgramOptionsTest, only_a_serial_device_gets_a_number_and_it_is_stored_by_its_absolute_path) {
    std::ofstream(dev / "hostname") << "box\n";
    PtyPair simulator;  // a pseudo-terminal, which the system's list of ports leaves out
    const std::string here = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(simulator.slave_path).parent_path());
    const std::string relative = std::filesystem::path(simulator.slave_path).filename();
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string out, err;
    };
    const Case cases[] = {
        {{"--assign-port", "13", dev / "ttyUSB7"}, 2, "", "Dalmiro: " + dev / "ttyUSB7" + ": no such device\n"},
        {{"--assign-port", "13", dev / "hostname"}, 2, "",
         "Dalmiro: " + dev / "hostname" + ": a regular file, not a serial port\n"},
        {{"--assign-port", "13", dev.path()}, 2, "", "Dalmiro: " + dev.path() + ": a folder, not a serial port\n"},
        {{"--unassign-port", "13"}, 1, "", "Dalmiro: serial port 13 is not in the port map; it opens /dev/ttyS12\n"},
        {{"--assign-port", "13", relative}, 0, "Serial port 13 is now " + simulator.slave_path + "\n", ""},
        {{"--list-ports"}, 0,
         "no number  " + dev / "by-id/usb-Silicon_Labs_CP2102_0001-if00-port0" + " (" + dev / "ttyUSB0" +
             ")  CP2102, Silicon Labs, serial 0001\nport 13  " + simulator.slave_path +
             "  (in the port map only; present)\n",
         ""},
        {{"--unassign-port", "13"}, 0, "Serial port 13 opens /dev/ttyS12 again\n", ""},
    };
    for (const Case& c : cases) {
        const std::string shown = c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : "");
        EXPECT_EQ(run(c.args), c.code) << shown;
        EXPECT_EQ(out.str(), c.out) << shown;
        if (c.code != 2 || !c.err.empty()) {
            EXPECT_EQ(err.str(), c.err) << shown;
        }
    }
    std::filesystem::current_path(here);
    EXPECT_TRUE(store.values.empty());
}
