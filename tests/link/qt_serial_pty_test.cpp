// The link on the real serial port: Qt SerialPort on a pseudo-terminal made here. Time is virtual;
// the only real waits are for the kernel to hand written bytes over, each bounded.
#include <QCoreApplication>

#include "platform/port_map.h"
#include "platform/settings_store.h"
#include "tests/link/link_fixture.h"
#include "tests/link/pty_pair.h"

namespace {

int argc = 1;
char name[] = "link_pty_tests";
char* argv[] = {name, nullptr};
QCoreApplication* const app = new QCoreApplication(argc, argv);

constexpr int16_t kPort = 5;
const std::string kPing = std::string("\x04\x0A\x12\x34\x56", 5) + ";";
const std::string kAnnounce = std::string("\xCC\x00\x00", 3) + std::string(8, '\x01') + "\x09;";

class PtyLinkTest : public ::testing::Test {
protected:
    PtyLinkTest() {
        ZigBeeNet::ResetThreadState();
        platform::set_settings(&store_);
        platform::register_port(kPort, pty_.slave_path);
        net_.set_events(&ev_);
        net_.CommPort(kPort);
        clock_.advance(200);
    }
    ~PtyLinkTest() override {
        platform::set_settings(nullptr);
        ZigBeeNet::ResetThreadState();
    }
    void deliver(const std::string& bytes) {
        ASSERT_TRUE(pty_.deliver(bytes));
        clock_.run_pending();
    }

    PtyPair pty_;
    platform::VirtualClock clock_{1000};
    platform::MemorySettingsStore store_;
    EventRecorder ev_;
    ZigBeeNet net_;
};

std::vector<std::string> rx(const std::vector<std::string>& replies) {
    std::vector<std::string> out;
    for (const auto& r : replies) out.push_back("RX " + r);
    return out;
}

}  // namespace

TEST_F(PtyLinkTest, replies_split_over_many_reads_or_many_in_one_read_are_raised_alike) {
    const std::string io = "\x08" + std::string(15, 'A') + ";";
    for (char c : io) deliver(std::string(1, c));
    deliver(kPing + "0;" + io + "T;");
    clock_.advance(5 * 50);
    EXPECT_EQ(ev_.texts(), rx({io, kPing, "0;", io, "T;"}));
}

TEST_F(PtyLinkTest, a_noise_byte_in_a_busy_stream_costs_only_the_reply_it_fell_into) {
    deliver("0;" + kPing.substr(0, 3) + "Z" + kPing.substr(3) + kPing + "1;" + kPing);
    clock_.advance(5 * 50);
    EXPECT_EQ(ev_.texts(), rx({"0;", kPing, "1;", kPing}));
}

TEST_F(PtyLinkTest, a_flood_is_held_back_on_the_line_and_what_follows_it_is_framed_in_order) {
    std::vector<std::string> replies;
    std::string stream;
    for (int i = 0; i < 40000; ++i) {
        replies.push_back("\x01" + std::to_string(10000 + i % 10000).substr(1) + ";");
        stream += replies.back();
    }
    // As fast as the pseudo-terminal takes it, the control reading in between, until it refuses more.
    size_t written = 0;
    for (int refused = 0; refused < 3 && written < stream.size();) {
        const size_t n = pty_.send(stream.substr(written, 600));
        refused = n == 0 ? refused + 1 : 0;
        written += n;
        clock_.run_pending();
    }
    ASSERT_LT(written, stream.size());
    EXPECT_GT(pty_.waiting_on_slave(), 0);  // held in the kernel, not read into this process
    // The coordinator ends its last reply and restarts; the line drains at one reply per tick.
    const size_t flood = (written + 5) / 6;
    std::string tail = stream.substr(written, flood * 6 - written) + "F;" + kAnnounce;
    for (int ticks = 0; ticks < 20 * 3600 && ev_.events.size() < flood + 2; ++ticks) {
        tail.erase(0, pty_.send(tail));
        clock_.advance(50);
    }
    replies.resize(flood);
    replies.push_back("F;");
    replies.push_back(kAnnounce);
    EXPECT_EQ(ev_.texts(), rx(replies));
}
