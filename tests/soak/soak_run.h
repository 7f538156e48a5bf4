#pragma once
// A soak: the whole program (real windows, offscreen, and the real link) on virtual time against the
// in-process simulator's busy network, with an operator who saves, resets, changes the channel, adds
// and deletes devices, unlocks the network and works the device window on a seeded schedule. The
// clock starts two hours before the millisecond counter wraps. Invariants are checked every simulated
// hour, at the first moment after it when the network has settled.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/daily_log.h"
#include "platform/dialogs.h"
#include "platform/fake_serial_port.h"
#include "platform/settings_store.h"
#include "platform/virtual_clock.h"
#include "sim/coordinator.h"
#include "tests/soak/soak_network.h"

namespace soak {

// The counter's value when a soak starts: it wraps two simulated hours later.
constexpr uint32_t kStartMs = 0xFFFFFFFFu - 2u * 3600u * 1000u + 1u;

struct Options {
    double hours = 24;
    uint32_t start_ms = kStartMs;
    uint32_t seed = 20;
    NetworkRates rates;
    std::string folder;        // the program's folder; its files stay there
    bool progress = false;     // a line on stdout every simulated day
    int64_t log_bound = 8ll * 1024 * 1024;
};

struct Violation {
    uint64_t at_ms;            // simulated time since the start
    std::string what;
};

struct Figures {
    double simulated_days = 0;
    uint64_t events = 0;       // commands the coordinator heard, replies it sent, operator actions
    double real_seconds = 0;
    // Bytes in use outside the health history (-1 when not measured), with the table's size then.
    struct HeapSample {
        int64_t bytes = -1;
        int devices = 0;
    } heap_day1, heap_mid, heap_end;
    int64_t history_end = 0;   // the health history's own bytes at the last sample
    int checks = 0;
    std::vector<Violation> violations;
};

// Answers the operator's prompts from a queue (Cancel when empty); message boxes are counted and kept
// as the run's violations, since nothing in a healthy run should show one.
class OperatorDialogs : public platform::Dialogs {
public:
    std::string input_box(const std::string& prompt, const std::string& title, const std::string& def) override;
    void message_box(const std::string& text, const std::string& title) override;
    void error_box(const std::string& text, const std::string& title, const std::string& detail) override;
    std::string save_file_name(const std::string& title, const std::string& proposed) override;
    std::deque<std::string> answers;   // "" takes the proposed answer
    std::vector<std::string> messages;
};

class SoakRun {
public:
    explicit SoakRun(Options options);
    ~SoakRun();
    SoakRun(const SoakRun&) = delete;
    SoakRun& operator=(const SoakRun&) = delete;

    Figures Run();
    // Simulated milliseconds since the start (the counter wraps; this does not).
    uint64_t Elapsed();
    // "day 3 14:05:09"
    static std::string When(uint64_t ms);

private:
    struct Task {
        const char* name;
        uint64_t period_ms;
        uint64_t next_ms;
        std::function<bool()> run;  // false: not now, try again shortly
    };
    void Start();
    void Stop();
    void Schedule();
    bool Settled();
    void Violate(const std::string& what);
    void Record(const std::vector<std::string>& problems);
    void SampleHeap(Figures::HeapSample& into);
    void WaitForLogClear();
    bool Visitor(const std::string& mac) const;
    int VisitorsInTable() const;

    // The operator.
    bool Check();
    bool SaveData();
    bool Reset();
    bool ChangeChannel();
    bool AddDevice();
    bool DeleteDevice();
    bool Unlock();
    bool Relock();
    bool WorkDeviceWindow();

    Options opt_;
    platform::VirtualClock clock_{opt_.start_ms};
    platform::MemorySettingsStore store_;
    OperatorDialogs dialogs_;
    std::shared_ptr<platform::FakeSerialLine> line_ = std::make_shared<platform::FakeSerialLine>();
    std::unique_ptr<zbsim::Coordinator> sim_;
    std::unique_ptr<platform::DailyLog> log_;
    zbsim::Rng rng_;
    std::vector<Task> tasks_;
    std::vector<std::string> to_add_;
    size_t next_add_ = 0;
    uint64_t elapsed_ = 0;
    uint32_t last_now_ = opt_.start_ms;
    uint64_t check_due_since_ = 0;
    Figures fig_;
};

}  // namespace soak
