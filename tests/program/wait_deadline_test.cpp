// Every waiting routine ends at its own deadline. Several replies close "the" reply wait by stopping
// its timer; one that answers something else, arriving while a routine waits for a reply that is then
// lost, must not leave that routine waiting for ever.
#include <algorithm>
#include <map>
#include <memory>

#include "app/core/mod_main.h"
#include "app/core/network_files.h"
#include "app/core/start_up.h"
#include "app/main_window/frmMain.h"
#include "link/zigbee_net.h"
#include "tests/program/program_fixture.h"

using modMain::g;
using modMain::windows;

namespace {

// Answers every command as a coordinator would, except the first `victim`: that one gets a ping
// answer for another request instead, and its own answer is lost.
class StrayAnswer : public ReplyTest {
protected:
    void Respond(const std::string& victim) {
        const std::map<std::string, std::string> answers = {
            {"CMD:11;", Bytes({0x07, 0x00, 0x13, 0xA2, 0x00, 0x40, 0x5A, 0xC0, 0x01, ';'})},
            {"CMD:0D;", Bytes({0x11, 15, 0x3F, 0x21, ';'})},
            {"CMD:03", "0;"},
            {"CMD:04;", "0;"},
        };
        auto hit = std::make_shared<bool>(false);
        line->on_host_write = [this, answers, victim, hit](const std::string& cmd) {
            const std::string key = cmd.rfind("CMD:03", 0) == 0 ? "CMD:03" : cmd;
            auto it = answers.find(key);
            if (it == answers.end()) return;
            const bool stray = key == victim && !*hit;
            *hit = *hit || stray;
            const std::string reply = stray ? Bytes({0x04, 0xC8, 0x1A, 0x2B, 0x00, ';'}) : it->second;
            clock.call_later(120, [this, reply] { line->send_to_host(reply); });
        };
        auto& link = windows().main->ZigBeeNet;
        link.CommPort(5);
        link.StartOPERATIONS();
        Settle();
    }
};

}  // namespace

TEST_F(StrayAnswer, each_wait_ends_at_its_deadline_as_a_time_out) {
    WriteFile(ProgramFile(std::string(kCoordDigits) + "_macList.txt"), std::string(kCoordMac) + "\r\n");
    struct Case {
        const char* victim;
        std::function<void()> routine;
    };
    const Case cases[] = {
        {"CMD:11;", [] { modMain::InitCoordinator(); }},
        {"CMD:0D;", [] { modMain::InitCoordinator(); }},
        {"CMD:03", [] { modMain::RegisterMacList(); }},
        {"CMD:04;", [] { modMain::RegisterMacList(); }},
    };
    for (const Case& c : cases) {
        Fresh();
        g().MacListPath = ProgramFile(std::string(kCoordDigits) + "_macList.txt");
        Respond(c.victim);
        // Should the wait never end by itself, this ends it, long after any deadline.
        bool rescued = false;
        const uint64_t rescue = clock.call_later(60000, [&rescued] {
            rescued = true;
            g().WaitTimedOut = 1;
        });
        const uint32_t start = clock.now_ms();
        c.routine();
        clock.cancel(rescue);
        EXPECT_FALSE(rescued) << c.victim;
        EXPECT_LT(clock.now_ms() - start, 5000u) << c.victim;
        const auto lines = LogLines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "Sent Command Time Out"), 1) << c.victim;
        EXPECT_FALSE(windows().main->tmrTimeOut.enabled()) << c.victim;
        windows().main->ZigBeeNet.StopOPERATIONS();
    }
}
