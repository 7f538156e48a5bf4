#include <gtest/gtest.h>

#include "tools/brivola-monitor/monitor_lines.h"

using namespace monitor;

TEST(MonitorLines, events_print_as_one_line_each) {
    EXPECT_EQ(tx_line("CMD:0E:1A2B;"), "TX CMD:0E:1A2B;");
    EXPECT_EQ(rx_line(std::string("\x04\x00\xFF" "0;", 5)), "RX 04-00-FF-30-3B");
    EXPECT_EQ(data_line("0A1B", std::string("a;\x00", 3)), "DATA 0A1B 61-3B-00");
    EXPECT_EQ(data_line("0A1B", ""), "DATA 0A1B");
    EXPECT_EQ(err_line(20), "ERR 20");
}

TEST(MonitorLines, argument_is_a_port_number_or_a_device_path) {
    struct Case {
        std::string arg;
        bool ok;
        int16_t port;
        std::string path;
    };
    const std::vector<Case> cases = {
        {"1", true, 1, ""},         {"99", true, 99, ""},   {"07", true, 7, ""},
        {"0", false, 0, ""},        {"100", false, 0, ""},  {"-3", false, 0, ""},
        {"", false, 0, ""},         {"COM3", false, 0, ""}, {"/tmp/a", true, 0, "/tmp/a"},
        {"./pty", true, 0, "./pty"}, {"99999999999999999999", false, 0, ""},
    };
    for (const auto& c : cases) {
        const Target t = parse_target(c.arg);
        EXPECT_EQ(t.ok, c.ok) << c.arg;
        EXPECT_EQ(t.port, c.port) << c.arg;
        EXPECT_EQ(t.path, c.path) << c.arg;
    }
}
