// The serial link: opening, the 50 ms tick, pausing, re-opening, queues and error codes.
#include "tests/link/link_fixture.h"

using Events = std::vector<RecordedEvent>;

TEST_F(LinkTest, ocx_version_is_this_release) { EXPECT_EQ(net->OCXVersion(), "1.0.25"); }

TEST_F(LinkTest, open_configures_the_line_and_first_tick_comes_after_the_settle_pause) {
    open(3);
    EXPECT_EQ(clock.now_ms(), kStart + 100);  // the settle pause ends exactly on time
    EXPECT_EQ(line->opened_port, 3);
    EXPECT_TRUE(line->rts);
    EXPECT_EQ(line->handshaking, 2);
    EXPECT_EQ(line->settings, "38400,n,8,1");
    EXPECT_TRUE(ZigBeeNetProbe::tmrRS232(*net).enabled());
    EXPECT_TRUE(ev.events.empty());
}

// The tick rests while there is nothing to send or hand over, and work wakes it on the beat it kept
// since the port opened (at 1100): the next multiple of 50 ms after the moment the work came.
TEST_F(LinkTest, an_idle_link_rests_and_wakes_on_its_own_50_ms_beat) {
    struct Case {
        uint32_t idle_ms;
        bool command;  // else a reply arrives
        uint32_t raised_at;
    };
    const std::vector<Case> cases = {
        {1000, true, 2150}, {20, true, 2200}, {37, false, 2250}, {1, false, 2300}, {49, true, 2350},
    };
    open();
    for (const auto& c : cases) {
        clock.advance(c.idle_ms);
        EXPECT_TRUE(ZigBeeNetProbe::tmrRS232(*net).resting()) << c.raised_at;
        ev.events.clear();
        c.command ? net->GetExAddr() : line->send_to_host("0;");
        clock.advance(c.raised_at - clock.now_ms());
        ASSERT_EQ(ev.events.size(), 1u) << c.raised_at;
        EXPECT_EQ(ev.events[0].at, c.raised_at);
    }
    clock.advance(50);
    EXPECT_TRUE(ZigBeeNetProbe::tmrRS232(*net).resting());
}

TEST_F(LinkTest, three_commands_go_out_on_three_consecutive_ticks_in_order) {
    open();
    std::vector<std::pair<uint32_t, std::string>> wire;
    line->on_host_write = [&](const std::string& s) { wire.emplace_back(clock.now_ms(), s); };
    net->GetExAddr();
    net->PanInfo();
    net->StartNet();
    clock.advance(200);
    EXPECT_EQ(wire, (std::vector<std::pair<uint32_t, std::string>>{
                        {1150, "CMD:11;"}, {1200, "CMD:0D;"}, {1250, "CMD:04;"}}));
    EXPECT_EQ(ev.events, (Events{{1150, "TX CMD:11;"}, {1200, "TX CMD:0D;"}, {1250, "TX CMD:04;"}}));
}

TEST_F(LinkTest, replies_are_raised_one_per_tick_in_order_of_arrival) {
    open();
    line->send_to_host("0;1;");
    line->send_to_host(std::string("\x02\x0A\x1B\x00;", 5));
    line->send_to_host(std::string("\x02\x0A\x1B\x03;a;;", 9));
    clock.advance(200);
    EXPECT_EQ(ev.events, (Events{{1150, "RX 0;"},
                                 {1200, "RX 1;"},
                                 {1250, "DATA 0A1B "},
                                 {1300, "DATA 0A1B ;a;"}}));
}

TEST_F(LinkTest, a_tick_writes_one_command_then_raises_one_reply) {
    open();
    net->Reset();
    line->send_to_host("F;");
    clock.advance(50);
    EXPECT_EQ(ev.texts(), (std::vector<std::string>{"TX CMD:01;", "RX F;"}));
}

TEST_F(LinkTest, paused_link_writes_nothing_and_start_drops_both_queues) {
    open();
    net->StopOPERATIONS();
    net->GetExAddr();
    line->send_to_host("0;");
    clock.advance(500);
    EXPECT_TRUE(line->writes().empty());
    EXPECT_TRUE(ev.events.empty());
    EXPECT_EQ(state().TxQueue.pending(), 1);
    EXPECT_EQ(state().RxQueue.pending(), 1);  // reception goes on while paused

    net->StartOPERATIONS();
    clock.advance(500);
    EXPECT_TRUE(line->writes().empty());
    EXPECT_TRUE(ev.events.empty());
    EXPECT_EQ(line->open_count, 2);
}

TEST_F(LinkTest, a_reply_arriving_in_the_settle_pause_is_kept_and_raised) {
    clock.call_later(50, [&] { line->send_to_host("0;"); });
    // The port opens at 1000; the reply arrives at 1050, before reading starts at 1100.
    open();
    clock.advance(50);
    EXPECT_EQ(ev.events, (Events{{1150, "RX 0;"}}));
}

TEST_F(LinkTest, out_of_range_port_numbers_keep_the_stored_one_and_still_reopen) {
    std::vector<std::string> changed;
    net->PropertyChanged = [&](const std::string& name) { changed.push_back(name); };
    open(7);
    int opens = line->open_count;
    for (int16_t bad : {int16_t{0}, int16_t{100}, int16_t{-5}}) {
        net->CommPort(bad);
        EXPECT_EQ(net->CommPort(), 7) << bad;
        EXPECT_EQ(line->opened_port, 7) << bad;
        EXPECT_EQ(line->open_count, ++opens) << bad;
    }
    EXPECT_EQ(changed, std::vector<std::string>(4, "CommPort"));
    net->CommPort(99);
    EXPECT_EQ(line->opened_port, 99);
}

TEST_F(LinkTest, second_port_put_reopens_and_empties_both_queues) {
    open();
    net->StopOPERATIONS();
    net->Reset();
    line->send_to_host("0;");
    clock.advance(10);
    open();
    clock.advance(500);
    EXPECT_EQ(line->open_count, 2);
    EXPECT_TRUE(ev.events.empty());
    EXPECT_TRUE(line->writes().empty());
}

TEST_F(LinkTest, start_before_any_port_raises_10_and_leaves_the_tick_off) {
    net->StartOPERATIONS();
    EXPECT_EQ(ev.texts(), std::vector<std::string>{"ERR 10"});
    EXPECT_FALSE(ZigBeeNetProbe::tmrRS232(*net).enabled());
    EXPECT_EQ(net->CommPort(), 0);
}

TEST_F(LinkTest, open_failures_raise_10_once_and_the_link_stays_down) {
    struct Case {
        const char* name;
        std::function<void(platform::FakeSerialLine&)> fault;
    };
    const std::vector<Case> cases = {
        {"open fails", [](platform::FakeSerialLine& l) { l.fail_open = true; }},
        {"settings refused", [](platform::FakeSerialLine& l) { l.refuse_settings = true; }},
        {"no such port", [](platform::FakeSerialLine& l) { l.existing_ports = {1, 2}; }},
        {"stale input unreadable", [](platform::FakeSerialLine& l) { l.fail_read = true; }},
    };
    for (const auto& c : cases) {
        ZigBeeNet::ResetThreadState();
        line = std::make_shared<platform::FakeSerialLine>();
        net = std::make_unique<ZigBeeNet>();
        net->set_events(&ev);
        ev.events.clear();
        c.fault(*line);
        open(3);
        net->GetExAddr();
        clock.advance(200);
        EXPECT_EQ(ev.texts(), std::vector<std::string>{"ERR 10"}) << c.name;
        EXPECT_FALSE(ZigBeeNetProbe::tmrRS232(*net).enabled()) << c.name;
        EXPECT_TRUE(line->writes().empty()) << c.name;
    }
}

TEST_F(LinkTest, refused_modem_lines_do_not_fail_the_open) {
    line->refuse_rts = true;
    open();
    net->GetExAddr();
    clock.advance(50);
    EXPECT_EQ(ev.texts(), std::vector<std::string>{"TX CMD:11;"});
}

TEST_F(LinkTest, failed_write_raises_20_every_tick_and_retries_the_same_command) {
    open();
    net->Ping("1A2B");
    net->Reset();
    line->fail_write = true;
    clock.advance(150);
    line->fail_write = false;
    clock.advance(100);
    EXPECT_EQ(ev.events, (Events{{1150, "ERR 20"},
                                 {1200, "ERR 20"},
                                 {1250, "ERR 20"},
                                 {1300, "TX CMD:0E:1A2B;"},
                                 {1350, "TX CMD:01;"}}));
}

TEST_F(LinkTest, failed_read_raises_20_and_loses_nothing) {
    open();
    line->fail_read = true;
    line->send_to_host("0;");
    clock.advance(10);
    EXPECT_EQ(ev.texts(), std::vector<std::string>{"ERR 20"});
    line->fail_read = false;
    line->send_to_host("1;");
    clock.advance(100);
    EXPECT_EQ(ev.texts(), (std::vector<std::string>{"ERR 20", "RX 0;", "RX 1;"}));
}

TEST_F(LinkTest, full_transmit_queue_refuses_the_newest_and_keeps_the_rest_in_order) {
    open();
    line->fail_write = true;  // nothing drains while the queue fills
    for (int i = 1; i <= 1005; ++i) net->SendDirectToCoordinator("C" + std::to_string(i) + ";");
    EXPECT_EQ(state().TxQueue.pending(), 999);
    line->fail_write = false;
    ev.events.clear();
    clock.advance(1100 * 50);
    ASSERT_EQ(line->writes().size(), 999u);
    EXPECT_EQ(line->writes().front(), "C1;");
    EXPECT_EQ(line->writes().back(), "C999;");
    EXPECT_TRUE(state().TxQueue.empty());
}

TEST_F(LinkTest, a_full_receive_queue_holds_the_line_back_and_loses_nothing) {
    open();
    std::string flood;
    for (int i = 1; i <= 1005; ++i) {
        char digits[5];
        std::snprintf(digits, sizeof digits, "%04d", i);
        flood += std::string("\x01", 1) + digits + ";";
    }
    line->send_to_host(flood);
    clock.run_pending();
    EXPECT_LE(state().RxQueue.pending(), 999);
    EXPECT_GT(state().RxQueue.pending(), 990);
    EXPECT_GT(line->unread(), 0u);  // the rest waits on the line
    clock.advance(1100 * 50);
    ASSERT_EQ(ev.events.size(), 1005u);
    EXPECT_EQ(ev.events.front().what, std::string("RX \x01") + "0001;");
    EXPECT_EQ(ev.events.back().what, std::string("RX \x01") + "1005;");
}

TEST_F(LinkTest, handler_that_reopens_the_port_leaves_the_queues_consistent) {
    open();
    net->GetExAddr();
    net->PanInfo();
    bool reopened = false;
    ev.on_sent = [&](const std::string&) {
        if (reopened) return;
        reopened = true;
        net->StartOPERATIONS();  // empties the queue while the tick is still running
    };
    clock.advance(500);
    EXPECT_EQ(ev.texts(), std::vector<std::string>{"TX CMD:11;"});
    EXPECT_TRUE(state().TxQueue.empty());
    EXPECT_EQ(line->writes(), std::vector<std::string>{"CMD:11;"});
}

TEST_F(LinkTest, handler_may_destroy_the_control_from_an_event) {
    open();
    net->GetExAddr();
    line->send_to_host("0;");
    ev.on_sent = [&](const std::string&) { net.reset(); };
    clock.advance(200);
    EXPECT_EQ(ev.texts(), std::vector<std::string>{"TX CMD:11;"});
}

TEST_F(LinkTest, a_handler_that_throws_is_reported_as_20_and_the_link_goes_on) {
    open();
    ev.on_received = [](const std::string& s) {
        if (s == "0;") throw std::runtime_error("host handler failed");
    };
    line->send_to_host("0;1;");
    clock.advance(100);
    EXPECT_EQ(ev.events, (Events{{1150, "RX 0;"}, {1150, "ERR 20"}, {1200, "RX 1;"}}));
}

TEST_F(LinkTest, an_open_that_fails_inside_another_opens_pause_has_the_last_word) {
    clock.call_later(50, [&] {
        line->fail_open = true;
        net->StartOPERATIONS();
    });
    open();
    EXPECT_EQ(ev.texts(), std::vector<std::string>{"ERR 10"});
    EXPECT_FALSE(ZigBeeNetProbe::tmrRS232(*net).enabled());
}
