// The command set: the exact bytes each member puts on the wire, and the calls it refuses.
#include "tests/link/link_fixture.h"

namespace {

struct CommandCase {
    const char* name;
    std::function<void(ZigBeeNet&)> call;
    std::string wire;  // "" when the call is refused
};

}  // namespace

TEST_F(LinkTest, every_command_has_its_exact_text_and_refusals_queue_nothing) {
    const std::string abc26 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const std::string max_data(255, 'd');
    const std::vector<CommandCase> cases = {
        {"Ping", [](ZigBeeNet& n) { n.Ping("1A2B"); }, "CMD:0E:1A2B;"},
        {"Ping empty", [](ZigBeeNet& n) { n.Ping(""); }, ""},
        {"AddItem", [](ZigBeeNet& n) { n.AddItem("01:23:45:67:89:AB:CD:EF"); }, "CMD:03:01:23:45:67:89:AB:CD:EF;"},
        {"AddItem empty", [](ZigBeeNet& n) { n.AddItem(""); }, ""},
        {"GetExAddr", [](ZigBeeNet& n) { n.GetExAddr(); }, "CMD:11;"},
        {"PanInfo", [](ZigBeeNet& n) { n.PanInfo(); }, "CMD:0D;"},
        {"StartNet", [](ZigBeeNet& n) { n.StartNet(); }, "CMD:04;"},
        {"LockNet", [](ZigBeeNet& n) { n.LockNet(); }, "CMD:0A:0;"},
        {"UnLockNet", [](ZigBeeNet& n) { n.UnLockNet(); }, "CMD:0A:FF;"},
        {"Reset", [](ZigBeeNet& n) { n.Reset(); }, "CMD:01;"},
        {"AskExAddr", [](ZigBeeNet& n) { n.AskExAddr("1A2B"); }, "CMD:0F:1A2B;"},
        {"AskExAddr empty", [](ZigBeeNet& n) { n.AskExAddr(""); }, ""},
        {"SetRfCH 11", [](ZigBeeNet& n) { n.SetRfCH(11); }, "CMD:07:B;"},
        {"SetRfCH 26", [](ZigBeeNet& n) { n.SetRfCH(26); }, "CMD:07:1A;"},
        {"SetRfCH 0", [](ZigBeeNet& n) { n.SetRfCH(0); }, "CMD:07:0;"},
        {"SetRfCH -1", [](ZigBeeNet& n) { n.SetRfCH(-1); }, "CMD:07:FFFF;"},
        {"keep-alive off", [](ZigBeeNet& n) { n.setKeepAlive("1A2B", 0); }, "CMD:08:1A2B:00;"},
        {"keep-alive on", [](ZigBeeNet& n) { n.setKeepAlive("1A2B", 1); }, "CMD:08:1A2B:FF;"},
        {"keep-alive other", [](ZigBeeNet& n) { n.setKeepAlive("1A2B", 2); }, "CMD:08:1A2B:;"},
        {"keep-alive no id", [](ZigBeeNet& n) { n.setKeepAlive("", 1); }, "CMD:08::FF;"},
        {"SetOutput 3", [](ZigBeeNet& n) { n.SetOutput("1A2B", 3); }, "CMD:0B:1A2B:3;"},
        {"SetOutput 12", [](ZigBeeNet& n) { n.SetOutput("1A2B", 12); }, "CMD:0B:1A2B:12;"},
        {"SetOutput port 0", [](ZigBeeNet& n) { n.SetOutput("1A2B", 0); }, ""},
        {"SetOutput port -1", [](ZigBeeNet& n) { n.SetOutput("1A2B", -1); }, ""},
        {"SetOutput coordinator", [](ZigBeeNet& n) { n.SetOutput("0000", 3); }, ""},
        {"SetOutput empty", [](ZigBeeNet& n) { n.SetOutput("", 3); }, ""},
        {"ResetOutput 3", [](ZigBeeNet& n) { n.ResetOutput("1A2B", 3); }, "CMD:0C:1A2B:3;"},
        {"ResetOutput port 0", [](ZigBeeNet& n) { n.ResetOutput("1A2B", 0); }, ""},
        {"ResetOutput coordinator", [](ZigBeeNet& n) { n.ResetOutput("0000", 3); }, ""},
        {"ResetOutput empty", [](ZigBeeNet& n) { n.ResetOutput("", 3); }, ""},
        {"poll 70000", [](ZigBeeNet& n) { n.SetPollRate(70000, "1A2B"); }, "CMD:09:1A2B:FFFF;"},
        {"poll 65535", [](ZigBeeNet& n) { n.SetPollRate(65535, "1A2B"); }, "CMD:09:1A2B:FFFF;"},
        {"poll 10", [](ZigBeeNet& n) { n.SetPollRate(10, "1A2B"); }, "CMD:09:1A2B:000A;"},
        {"poll 0", [](ZigBeeNet& n) { n.SetPollRate(0, "1A2B"); }, "CMD:09:1A2B:0000;"},
        {"poll -1", [](ZigBeeNet& n) { n.SetPollRate(-1, "1A2B"); }, "CMD:09:1A2B:FFFFFFFF;"},
        {"poll empty", [](ZigBeeNet& n) { n.SetPollRate(10, ""); }, ""},
        {"SendData", [](ZigBeeNet& n) { n.SendData("1A2B", "ABC"); }, "SNT:1A2B:03:ABC;"},
        {"SendData 26", [&](ZigBeeNet& n) { n.SendData("1A2B", abc26); }, "SNT:1A2B:1A:" + abc26 + ";"},
        {"SendData with ;", [](ZigBeeNet& n) { n.SendData("1A2B", "a;b"); }, "SNT:1A2B:03:a;b;"},
        {"SendData 255", [&](ZigBeeNet& n) { n.SendData("1A2B", max_data); }, "SNT:1A2B:FF:" + max_data + ";"},
        {"SendData 256", [&](ZigBeeNet& n) { n.SendData("1A2B", max_data + "d"); }, ""},
        {"SendData no data", [](ZigBeeNet& n) { n.SendData("1A2B", ""); }, ""},
        {"SendData no address", [](ZigBeeNet& n) { n.SendData("", "ABC"); }, ""},
        {"direct", [](ZigBeeNet& n) { n.SendDirectToCoordinator("CMD:99;"); }, "CMD:99;"},
        {"direct bytes", [](ZigBeeNet& n) { n.SendDirectToCoordinator(std::string("\0\xFFx", 3)); },
         std::string("\0\xFFx", 3)},
        {"direct empty", [](ZigBeeNet& n) { n.SendDirectToCoordinator(""); }, ""},
        {"GetSoftwareVersion", [](ZigBeeNet& n) { n.GetSoftwareVersion(); }, "CMD:13;"},
    };
    open();
    for (const auto& c : cases) {
        line->clear_writes();
        c.call(*net);
        clock.advance(50);
        const auto expected = c.wire.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.wire};
        EXPECT_EQ(line->writes(), expected) << c.name;
    }
}

TEST_F(LinkTest, new_rate_sends_rate_then_confirmation_500_ms_later) {
    struct RateCase {
        int32_t rate;
        std::string id;
        std::vector<std::string> wire;
    };
    const std::vector<RateCase> cases = {
        {90, "1A2B", {"CMD:05:1A2B:011E;", "CMD:06:1A2B;"}},
        {0, "1A2B", {"CMD:05:1A2B:0000;", "CMD:06:1A2B;"}},
        {1966079, "1A2B", {"CMD:05:1A2B:7FFF3B;", "CMD:06:1A2B;"}},
        {-90, "1A2B", {"CMD:05:1A2B:FFFFFFE2;", "CMD:06:1A2B;"}},
        {1966080, "1A2B", {}},   // 32768 minutes do not fit
        {-1966140, "1A2B", {}},  // nor do -32769
        {90, "", {}},
    };
    open();
    for (const auto& c : cases) {
        line->clear_writes();
        ev.events.clear();
        const uint32_t t0 = clock.now_ms();
        net->SetNewRate(c.rate, c.id);
        clock.advance(600);
        EXPECT_EQ(line->writes(), c.wire) << c.rate;
        if (c.wire.size() == 2) {
            ASSERT_EQ(ev.events.size(), 2u);
            EXPECT_EQ(ev.events[1].at - ev.events[0].at, 500u) << c.rate;
            EXPECT_EQ(ev.events[0].at, t0 + 50) << c.rate;
        }
    }
}

TEST_F(LinkTest, events_reach_the_host_from_inside_the_new_rate_pause) {
    open();
    bool inside = false;
    std::vector<std::string> seen_inside;
    ev.on_sent = [&](const std::string& s) {
        if (inside) seen_inside.push_back("TX " + s);
    };
    ev.on_received = [&](const std::string& s) {
        if (inside) seen_inside.push_back("RX " + s);
    };
    line->send_to_host("0;");
    inside = true;
    net->SetNewRate(90, "1A2B");
    inside = false;
    EXPECT_EQ(seen_inside, (std::vector<std::string>{"TX CMD:05:1A2B:011E;", "RX 0;"}));
}

TEST_F(LinkTest, new_rate_called_from_a_handler_interleaves_without_corrupting_the_queue) {
    open();
    int nested = 0;
    ev.on_received = [&](const std::string&) {
        if (nested++ == 0) net->SetNewRate(60, "0001");
    };
    line->send_to_host("0;");
    net->Ping("1A2B");
    net->SetNewRate(90, "1A2B");
    clock.advance(1000);
    // The handler's rate pair starts inside the outer pause and ends after it.
    EXPECT_EQ(line->writes(), (std::vector<std::string>{"CMD:0E:1A2B;", "CMD:05:1A2B:011E;", "CMD:05:0001:0100;",
                                                         "CMD:06:0001;", "CMD:06:1A2B;"}));
    EXPECT_TRUE(state().TxQueue.empty());
}
