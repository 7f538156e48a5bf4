#include <gtest/gtest.h>

#include "platform/fake_serial_port.h"
#include "sim_fixture.h"

using namespace zbsim_test;

TEST_F(SimTest, coordinator_answers_its_own_commands_byte_exact_after_the_reply_delay) {
    struct Case {
        std::string command;
        std::string reply;
    } cases[] = {
        {"CMD:11;", bytes({0x07}) + mac_bytes(kCoord) + ";"},
        {"CMD:0D;", bytes({0x11, 20, 0x1A, 0x2B, ';'})},
        {"CMD:13;", bytes({0x09}) + "V42;"},
        {"CMD:0F:0000;", bytes({0x06}) + mac_bytes(kCoord) + bytes({0, 0, 0x09, ';'})},
        {"CMD:03:00:00:00:00:00:00:00:0C;", "0;"},
        {"CMD:03:000000000000000C ;", "0;"},
        {"CMD:04;", "0;"},
    };
    start();
    for (const auto& c : cases) {
        host(c.command);
        EXPECT_EQ(within(19), std::vector<Sent>{}) << c.command;
        EXPECT_EQ(within(1), (std::vector<Sent>{{1, c.reply}})) << c.command;
    }
}

TEST_F(SimTest, unknown_and_malformed_commands_get_no_answer) {
    start();
    start_network();
    const char* commands[] = {
        "CMD:99;",          "CMD:11:00;",          "CMD:0E:ZZZZ;",     "CMD:0E:12345;", "CMD:03:01:23;",
        "CMD:07:5;",        "CMD:07:1C;",          "CMD:0A:7;",        "CMD:0A;",       "CMD:08:0000:FF;",
        "CMD:0D:;",         "CMD:0F:FFFF;",        "cmd:11;",          "CMD:;",         "SNT:1A2B;",
    };
    for (const char* c : commands) {
        host(c);
        EXPECT_EQ(within_no_reports(4000), std::vector<Sent>{}) << c;
    }
    EXPECT_EQ(sim->channel(), 20);
}

TEST_F(SimTest, in_process_line_carries_the_hosts_commands_and_the_replies) {
    auto line = std::make_shared<platform::FakeSerialLine>();
    start();
    sim->attach(line);
    auto port = line->make_port();
    port->set_comm_port(1);
    ASSERT_TRUE(port->set_port_open(true));
    ASSERT_TRUE(port->output("CMD:1"));
    ASSERT_TRUE(port->output("1;CMD:0D;"));
    clock.advance(20);
    std::string in;
    ASSERT_TRUE(port->input(in));
    EXPECT_EQ(in, bytes({0x07}) + mac_bytes(kCoord) + ";" + bytes({0x11, 20, 0x1A, 0x2B, ';'}));

    // A closed port hears nothing: the answer is lost, as on a real line.
    ASSERT_TRUE(port->output("CMD:13;"));
    port->set_port_open(false);
    clock.advance(20);
    ASSERT_TRUE(port->set_port_open(true));
    ASSERT_TRUE(port->input(in));
    EXPECT_EQ(in, "");
}

TEST_F(SimTest, commands_split_or_joined_in_writes_are_all_answered_in_order) {
    start();
    for (const char* piece : {"CM", "D:1", "1;CMD:0D;CMD", ":13", ";"}) host(piece);
    auto got = within(20);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].bytes[0], 0x07);
    EXPECT_EQ(got[1].bytes[0], 0x11);
    EXPECT_EQ(got[2].bytes[0], 0x09);
}

TEST_F(SimTest, an_unfinished_command_is_dropped_when_the_line_goes_quiet) {
    start();
    host("CMD:1");
    clock.advance(249);
    host("1;");
    EXPECT_EQ(within(20).size(), 1u);  // still in time
    host("CMD:1");
    clock.advance(250);
    host("1;");
    EXPECT_EQ(within(1000), std::vector<Sent>{});
    host("CMD:11;");
    EXPECT_EQ(within(20).size(), 1u);
}
