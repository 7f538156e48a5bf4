// The simulator as the program meets it: a real link on the in-process serial line.
#include <gtest/gtest.h>

#include "link/zigbee_net.h"
#include "platform/fake_serial_port.h"
#include "platform/virtual_clock.h"
#include "sim/coordinator.h"

namespace {

struct Recorder : ZigBeeNetEvents {
    std::vector<std::string> received;
    std::vector<std::string> data;
    std::vector<int> errors;
    void StringReceived(const std::string& s) override { received.push_back(s); }
    void StringSent(const std::string&) override {}
    void ErrorDetected(int16_t code) override { errors.push_back(code); }
    void DataReceived(const std::string& addr, const std::string& d) override { data.push_back(addr + " " + d); }
};

class SimWithLink : public ::testing::Test {
protected:
    SimWithLink() {
        ZigBeeNet::ResetThreadState();
        sim.attach(line);
        platform::set_serial_factory([this] { return line->make_port(); });
        net = std::make_unique<ZigBeeNet>();
        net->set_events(&ev);
    }
    ~SimWithLink() override {
        net.reset();
        platform::set_serial_factory(nullptr);
        ZigBeeNet::ResetThreadState();
    }

    platform::VirtualClock clock{0};
    std::shared_ptr<platform::FakeSerialLine> line = std::make_shared<platform::FakeSerialLine>();
    zbsim::Coordinator sim{zbsim::demo_config()};
    Recorder ev;
    std::unique_ptr<ZigBeeNet> net;
};

}  // namespace

TEST_F(SimWithLink, start_up_exchanges_and_joins_reach_the_host_as_whole_replies) {
    net->CommPort(7);
    net->StartOPERATIONS();
    net->GetExAddr();
    net->PanInfo();
    net->StartNet();
    net->LockNet();
    // Five members announce themselves; the candidate stays out of the locked network.
    ASSERT_TRUE(clock.run_until([&] { return ev.received.size() >= 8; }, 20000));
    EXPECT_EQ(ev.received[0], std::string("\x07\x00\x13\xA2\x00\x40\x5A\xC0\x01;", 10));
    EXPECT_EQ(ev.received[1], std::string("\x11\x0F\x3F\x21;", 5));
    EXPECT_EQ(ev.received[2], "0;");
    for (size_t i = 3; i < 8; ++i) {
        ASSERT_EQ(ev.received[i].size(), 13u);
        EXPECT_EQ(ev.received[i][0], 0x00);
    }
    EXPECT_TRUE(ev.errors.empty());
}

TEST_F(SimWithLink, the_echo_device_answers_a_string_through_the_link) {
    net->CommPort(7);
    net->StartOPERATIONS();
    net->StartNet();
    const zbsim::Mac echo_mac{0x00, 0x13, 0xA2, 0x00, 0x40, 0x5A, 0x10, 0x01};
    ASSERT_TRUE(clock.run_until([&] { return sim.device_by_mac(echo_mac)->joined; }, 10000));
    char addr[8];
    std::snprintf(addr, sizeof addr, "%04X", sim.device_by_mac(echo_mac)->short_addr);
    net->SendData(addr, "a;b");
    ASSERT_TRUE(clock.run_until([&] { return !ev.data.empty(); }, 5000));
    EXPECT_EQ(ev.data[0], std::string(addr) + " ECHO:a;b");
}
