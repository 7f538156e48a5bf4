#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

#include "platform/port_map.h"
#include "platform/serial_ports.h"
#include "platform/settings_store.h"
#include "tests/link/pty_pair.h"
#include "tests/profile/temp_folder.h"

using namespace platform;

namespace {

namespace fs = std::filesystem;

// A machine with two USB adapters, one of them with a stable name, and a built-in port. The adapters
// are pseudo-terminals: character devices, as serial ports are.
class SerialPortsTest : public ::testing::Test {
protected:
    SerialPortsTest() {
        set_settings(&store);
        fs::create_directory(dev / "by-id");
        for (const char* name : {"ttyUSB0", "ttyACM0"}) {
            ptys.push_back(std::make_unique<PtyPair>());
            fs::create_symlink(ptys.back()->slave_path, dev / name);
        }
        fs::create_symlink("../ttyUSB0", dev / "by-id/usb-FTDI_FT232R_A50285BI-if00-port0");
    }
    ~SerialPortsTest() override { set_settings(nullptr); }

    std::vector<PortInfo> found() const {
        return {{dev / "ttyUSB0", "FT232R USB UART", "FTDI", "A50285BI"},
                {dev / "ttyACM0", "", "", ""},
                {"/dev/ttyS0", "16550A", "", ""}};
    }
    std::vector<DetectedPort> detect() const { return detect_ports(found(), dev / "by-id"); }

    TempFolder dev;
    std::vector<std::unique_ptr<PtyPair>> ptys;
    MemorySettingsStore store;
};

}  // namespace

TEST_F(SerialPortsTest, ports_are_named_by_their_stable_link_and_numbered_through_the_map) {
    register_port(7, dev / "ttyACM0");
    const auto ports = detect();
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].path, dev / "by-id/usb-FTDI_FT232R_A50285BI-if00-port0");
    EXPECT_EQ(ports[0].number, 0);
    EXPECT_EQ(describe_port(ports[0]), "no number  " + dev / "by-id/usb-FTDI_FT232R_A50285BI-if00-port0" + " (" +
                                           dev / "ttyUSB0" + ")  FT232R USB UART, FTDI, serial A50285BI");
    EXPECT_EQ(ports[1].path, dev / "ttyACM0");
    EXPECT_EQ(describe_port(ports[1]), "port 7  " + dev / "ttyACM0");
    EXPECT_EQ(ports[2].number, 1);  // the first built-in port is number 1 without any map entry
    // Number 1 belongs to the built-in port and 7 to the ACM adapter: the first free one is offered.
    EXPECT_EQ(proposed_port_number(ports[0], ports), 2);
    EXPECT_EQ(proposed_port_number(ports[1], ports), 7);
}

TEST_F(SerialPortsTest, a_number_given_to_a_device_is_stored_by_its_stable_name_and_reaches_it_again) {
    struct Case {
        std::string given;
        int number;
        std::string refusal;
        std::string stored;
    };
    const std::string by_id = dev / "by-id/usb-FTDI_FT232R_A50285BI-if00-port0";
    std::ofstream(dev / "hostname") << "box\n";
    const std::string here = fs::current_path();
    fs::current_path(dev.path());
    // Relative names are taken from this folder, and stored as the absolute path they lead to.
    for (const Case& c : {Case{dev / "ttyUSB0", 3, "", by_id}, Case{by_id, 99, "", by_id},
                          Case{dev / "ttyACM0", 4, "", dev / "ttyACM0"}, Case{"ttyACM0", 5, "", dev / "ttyACM0"},
                          Case{"./by-id/../ttyACM0", 6, "", dev / "ttyACM0"}, Case{"ttyUSB0", 7, "", by_id},
                          Case{dev / "ttyACM0", 100, "port numbers go from 1 to 99", ""},
                          Case{dev / "ttyACM0", 0, "port numbers go from 1 to 99", ""},
                          Case{dev / "hostname", 8, "a regular file, not a serial port", ""},
                          Case{dev / "ttyUSB7", 8, "no such device", ""}}) {
        store.values.clear();
        std::string stored;
        EXPECT_EQ(give_port_number(c.number, c.given, stored, dev / "by-id"), c.refusal) << c.given << c.number;
        if (!c.refusal.empty()) {
            EXPECT_TRUE(store.values.empty());
            continue;
        }
        EXPECT_EQ(stored, c.stored);
        EXPECT_EQ(port_device_path(c.number), c.stored);
        int numbered = 0;
        for (const DetectedPort& p : detect())
            if (p.info.device == c.stored || p.path == c.stored) numbered = p.number;
        EXPECT_EQ(numbered, c.number) << c.given;
    }
    fs::current_path(here);
}

TEST_F(SerialPortsTest, every_map_entry_no_listed_port_shows_is_told_with_its_state) {
    std::ofstream(dev / "hostname") << "box\n";
    PtyPair simulator;
    register_port(4, dev / "ttyACM0");            // listed as port 4
    register_port(9, dev / "ttyACM0");            // a second number for it
    register_port(20, simulator.slave_path);      // a pseudo-terminal the system does not list
    register_port(31, dev / "by-id/usb-gone");    // an adapter not plugged in
    register_port(32, dev / "hostname");          // a file given by hand in the settings
    const auto listed = detect();
    std::vector<std::string> lines;
    for (const UnlistedMapping& m : unlisted_mappings(listed)) lines.push_back(describe_mapping(m));
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "port 9  " + dev / "ttyACM0" + "  (in the port map only; present)",
                         "port 20  " + simulator.slave_path + "  (in the port map only; present)",
                         "port 31  " + dev / "by-id/usb-gone" + "  (in the port map only; no such device)",
                         "port 32  " + dev / "hostname" + "  (in the port map only; a regular file, not a serial port)",
                     }));
}

TEST_F(SerialPortsTest, a_replugged_adapter_keeps_its_number_under_a_new_device_name) {
    std::string stored;
    ASSERT_EQ(give_port_number(3, dev / "ttyUSB0", stored, dev / "by-id"), "");
    fs::rename(dev / "ttyUSB0", dev / "ttyUSB1");
    fs::remove(dev / "by-id/usb-FTDI_FT232R_A50285BI-if00-port0");
    fs::create_symlink("../ttyUSB1", dev / "by-id/usb-FTDI_FT232R_A50285BI-if00-port0");
    const auto ports = detect_ports({{dev / "ttyUSB1", "FT232R USB UART", "FTDI", "A50285BI"}}, dev / "by-id");
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].number, 3);
}
