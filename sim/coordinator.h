#pragma once
// A coordinator module and the network behind it, as seen from the serial line: it reads the host's
// commands from the bytes the host writes and answers, announces joins and forwards the devices'
// reports through a sink. All of its timing runs on the thread's clock, so tests drive it on virtual
// time and zbsim on the real one.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "sim/command_scanner.h"
#include "sim/sim_config.h"
#include "sim/sim_device.h"

namespace platform {
class FakeSerialLine;
}

namespace zbsim {

class Coordinator {
public:
    using Sink = std::function<void(const std::string& bytes)>;
    using Log = std::function<void(const std::string& line)>;

    // The host gives up on a command that stops arriving halfway for this long.
    static constexpr uint32_t kIdleDiscardMs = 250;
    // A string for a device that cannot be reached is reported after the radio's retries.
    static constexpr uint32_t kUndeliveredMs = 300;
    // An end device answers at its next wake-up; never later than this, so that the host's longest
    // wait (70 s) is always met.
    static constexpr uint32_t kMaxSleepMs = 60000;
    // Reports of a burst follow each other this closely (100 a second).
    static constexpr uint32_t kBurstSpacingMs = 10;

    explicit Coordinator(const SimConfig& config);
    ~Coordinator();
    Coordinator(const Coordinator&) = delete;
    Coordinator& operator=(const Coordinator&) = delete;

    // Where reply bytes go, and where the traffic log goes ("<- " commands, "-> " replies as hex).
    void set_sink(Sink sink) { sink_ = std::move(sink); }
    void set_log(Log log) { log_ = std::move(log); }

    // Becomes the peer of an in-process serial line: reads what the host writes and answers on it.
    void attach(std::shared_ptr<platform::FakeSerialLine> line);

    // Bytes the host wrote, in any pieces.
    void receive(const std::string& bytes);

    // Churn: what happens to a network left running. Each picks its devices with the seeded
    // generator and returns false when none fits (or the network is not running).
    bool rejoin_one();                 // a device comes back at once with a new short address
    bool silence_one(uint32_t ms);     // a device stops answering and reporting for ms
    bool swap_two();                   // two devices trade short addresses and re-announce
    bool add_stranger();               // a device nobody configured joins and stays a member
    bool talk_one();                   // a device sends a string unasked
    bool restart_unasked();            // the coordinator restarts on its own
    // The device leaves the network: a member for good, a candidate until it is admitted again.
    bool leave(const Mac& mac);

    // For inspection. Devices keep their place for the coordinator's lifetime (strangers are added
    // at the end), so pointers to them stay valid.
    const std::deque<SimDevice>& devices() const { return devices_; }
    bool running() const { return running_ && !restarting_; }
    const SimDevice* device_by_mac(const Mac& mac) const;
    bool locked() const { return locked_; }
    uint8_t channel() const { return channel_; }

private:
    enum class Group { Network, Line };  // a restart cancels the network's plans, not the line's

    uint64_t later(uint32_t ms, Group group, std::function<void()> fn);
    void cancel(uint64_t& key);
    void cancel_group(Group group);

    void handle(const ScannedCommand& c);
    void handle_cmd(const std::string& body);
    void handle_send(const ScannedCommand& c);
    void answer(uint32_t delay_ms, const std::string& bytes);
    void send(const std::string& bytes);
    void log(const std::string& line);

    SimDevice* find_short(const std::string& text);
    uint32_t device_delay(const SimDevice& d) const;

    void start_network();
    void restart(uint8_t channel);
    void consider_candidates();
    void schedule_join(SimDevice& d);
    void join(SimDevice& d);
    uint16_t new_short(const SimDevice& d);
    void schedule_report(SimDevice& d, uint32_t ms);
    void apply_report_period(SimDevice& d);

    void arm_garbage();
    void arm_burst();
    void arm_churn(uint32_t period_s, bool (Coordinator::*event)());
    void arm_all_churn();
    bool silence_for_config() { return silence_one(cfg_.churn.silence_for_s * 1000); }
    SimDevice* pick_responsive(const SimDevice* other = nullptr);

    SimConfig cfg_;
    platform::Clock& clock_;
    Rng rng_;
    std::deque<SimDevice> devices_;
    CommandScanner scanner_;
    Sink sink_;
    Log log_;
    std::shared_ptr<platform::FakeSerialLine> line_;

    bool running_ = false;
    bool restarting_ = false;
    bool locked_ = true;
    uint8_t channel_;
    std::set<Mac> registered_;
    uint32_t next_join_at_ = 0;
    uint32_t addr_requests_ = 0;
    uint32_t answers_ = 0;
    uint32_t garbage_sent_ = 0;
    size_t burst_turn_ = 0;
    uint32_t strangers_ = 0;
    uint32_t talks_ = 0;
    uint64_t idle_key_ = 0;

    struct Pending {
        uint64_t clock_id;
        Group group;
    };
    std::map<uint64_t, Pending> pending_;
    uint64_t next_key_ = 1;
};

}  // namespace zbsim
