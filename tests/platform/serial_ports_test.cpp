#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/port_map.h"
#include "platform/serial_ports.h"
#include "platform/settings_store.h"
#include "tests/profile/temp_folder.h"

using namespace platform;

namespace {

namespace fs = std::filesystem;

// A machine with two USB adapters, one of them with a stable name, and a built-in port.
class SerialPortsTest : public ::testing::Test {
protected:
    SerialPortsTest() {
        set_settings(&store);
        fs::create_directory(dev / "by-id");
        for (const char* name : {"ttyUSB0", "ttyACM0"}) std::ofstream(dev / name).put('\0');
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
        bool taken;
        std::string stored;
    };
    const std::string by_id = dev / "by-id/usb-FTDI_FT232R_A50285BI-if00-port0";
    for (const Case& c : {Case{dev / "ttyUSB0", 3, true, by_id}, Case{by_id, 99, true, by_id},
                          Case{dev / "ttyACM0", 4, true, dev / "ttyACM0"}, Case{dev / "ttyACM0", 100, false, ""},
                          Case{dev / "ttyACM0", 0, false, ""}}) {
        store.values.clear();
        std::string stored;
        EXPECT_EQ(give_port_number(c.number, c.given, stored, dev / "by-id"), c.taken) << c.given << c.number;
        if (!c.taken) {
            EXPECT_TRUE(store.values.empty());
            continue;
        }
        EXPECT_EQ(stored, c.stored);
        EXPECT_EQ(port_device_path(c.number), c.stored);
        int numbered = 0;
        for (const DetectedPort& p : detect())
            if (p.info.device == c.given || p.path == c.given) numbered = p.number;
        EXPECT_EQ(numbered, c.number) << c.given;
    }
}

TEST_F(SerialPortsTest, a_replugged_adapter_keeps_its_number_under_a_new_device_name) {
    std::string stored;
    ASSERT_TRUE(give_port_number(3, dev / "ttyUSB0", stored, dev / "by-id"));
    fs::rename(dev / "ttyUSB0", dev / "ttyUSB1");
    fs::remove(dev / "by-id/usb-FTDI_FT232R_A50285BI-if00-port0");
    fs::create_symlink("../ttyUSB1", dev / "by-id/usb-FTDI_FT232R_A50285BI-if00-port0");
    const auto ports = detect_ports({{dev / "ttyUSB1", "FT232R USB UART", "FTDI", "A50285BI"}}, dev / "by-id");
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].number, 3);
}
