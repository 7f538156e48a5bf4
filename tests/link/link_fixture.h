#pragma once
// A ZigBeeNet on a fake serial line and virtual time, with every event it raises recorded.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/link_state.h"
#include "link/zigbee_net.h"
#include "platform/fake_serial_port.h"
#include "platform/serial_port.h"
#include "platform/virtual_clock.h"

struct ZigBeeNetProbe {
    static const platform::Timer& tmrRS232(const ZigBeeNet& n) { return n.tmrRS232; }
    static const platform::Timer& tmrTimeOut(const ZigBeeNet& n) { return n.tmrTimeOut; }
};

// Events as "TX <text>", "RX <bytes>", "DATA <addr> <bytes>", "ERR <code>", with the virtual time.
struct RecordedEvent {
    uint32_t at;
    std::string what;
    bool operator==(const RecordedEvent& o) const { return at == o.at && what == o.what; }
};

inline void PrintTo(const RecordedEvent& e, std::ostream* os) { *os << e.at << " " << testing::PrintToString(e.what); }

class EventRecorder : public ZigBeeNetEvents {
public:
    std::vector<RecordedEvent> events;
    // Hooks run after an event is recorded, as a host's handler would.
    std::function<void(const std::string&)> on_sent;
    std::function<void(const std::string&)> on_received;

    void StringReceived(const std::string& recString) override {
        add("RX " + recString);
        if (on_received) on_received(recString);
    }
    void StringSent(const std::string& sndString) override {
        add("TX " + sndString);
        if (on_sent) on_sent(sndString);
    }
    void ErrorDetected(int16_t errCode) override { add("ERR " + std::to_string(errCode)); }
    void DataReceived(const std::string& recDataAddr, const std::string& recData) override {
        add("DATA " + recDataAddr + " " + recData);
    }

    // Just the texts of the events, in order.
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& e : events) out.push_back(e.what);
        return out;
    }

private:
    void add(std::string what) { events.push_back({platform::now_ms(), std::move(what)}); }
};

class LinkTest : public ::testing::Test {
protected:
    // The link opens at 1000; after its 100 ms settle the first tick is at 1150.
    static constexpr uint32_t kStart = 1000;

    LinkTest() {
        ZigBeeNet::ResetThreadState();
        platform::set_serial_factory([this] { return line->make_port(); });
        net = std::make_unique<ZigBeeNet>();
        net->set_events(&ev);
    }
    ~LinkTest() override {
        net.reset();
        platform::set_serial_factory(nullptr);
        ZigBeeNet::ResetThreadState();
    }

    void open(int16_t port = 3) { net->CommPort(port); }
    brivola::LinkState& state() { return brivola::link_state(); }

    platform::VirtualClock clock{kStart};
    std::shared_ptr<platform::FakeSerialLine> line = std::make_shared<platform::FakeSerialLine>();
    EventRecorder ev;
    std::unique_ptr<ZigBeeNet> net;
};
