#include <gtest/gtest.h>

#include "platform/fake_serial_port.h"
#include "platform/virtual_clock.h"

using namespace platform;

TEST(FakeSerialPort, delivers_one_notification_per_character_with_threshold_one) {
    VirtualClock clock(0);
    auto line = std::make_shared<FakeSerialLine>();
    auto port = line->make_port();
    port->set_comm_port(3);
    ASSERT_TRUE(port->set_port_open(true));
    std::string got;
    int notifications = 0;
    port->on_receive = [&] {
        ++notifications;
        std::string c;
        ASSERT_TRUE(port->input(c));
        got += c;
    };
    port->set_input_len(1);
    port->set_rthreshold(1);
    line->send_to_host(std::string("0;\x07", 3));
    clock.run_pending();
    EXPECT_EQ(got, std::string("0;\x07", 3));
    EXPECT_EQ(notifications, 3);
}

TEST(FakeSerialPort, failure_controls_make_open_write_and_read_fail) {
    VirtualClock clock(0);
    auto line = std::make_shared<FakeSerialLine>();
    auto port = line->make_port();
    port->set_comm_port(0);
    EXPECT_FALSE(port->set_port_open(true));  // no port chosen
    port->set_comm_port(2);
    line->fail_open = true;
    EXPECT_FALSE(port->set_port_open(true));
    line->fail_open = false;
    ASSERT_TRUE(port->set_port_open(true));
    EXPECT_TRUE(port->output("CMD:11;"));
    line->fail_write = true;
    EXPECT_FALSE(port->output("CMD:11;"));
    EXPECT_EQ(line->writes(), std::vector<std::string>{"CMD:11;"});
    std::string in;
    line->fail_read = true;
    EXPECT_FALSE(port->input(in));
    line->fail_read = false;
    line->unplug();
    EXPECT_FALSE(port->input(in));
    EXPECT_FALSE(port->output("x"));
}
