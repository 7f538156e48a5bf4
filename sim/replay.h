#pragma once
// The coordinator's side of a serial recording, played back to a live host. Each stretch of bytes the
// coordinator sent right after a command is sent again, at its recorded distance, once the live host
// sends that command; what it sent on its own follows the stretch before it at the recorded distance.
// So a host that runs faster or slower than the recorded one still gets a conversation that makes
// sense. Where the live commands depart from the recorded ones (a command that differs, one that is
// missing, one that is extra) the replay says so in its log and goes on.
//
// All timing runs on the thread's clock, like the simulated coordinator's.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/serial_recording_file.h"
#include "sim/command_scanner.h"

namespace platform {
class FakeSerialLine;
}

namespace zbsim {

class Replay {
public:
    using Sink = std::function<void(const std::string& bytes)>;
    using Log = std::function<void(const std::string& line)>;

    // A live command is looked for this far ahead in the recording before it counts as extra.
    static constexpr size_t kLookAhead = 16;

    explicit Replay(const platform::recording::Recording& recording);
    ~Replay();
    Replay(const Replay&) = delete;
    Replay& operator=(const Replay&) = delete;

    void set_sink(Sink sink) { sink_ = std::move(sink); }
    // "<- " commands, "-> " bytes sent as hex, "departure: " where the host leaves the recording.
    void set_log(Log log) { log_ = std::move(log); }
    // Becomes the peer of an in-process serial line.
    void attach(std::shared_ptr<platform::FakeSerialLine> line);

    // The recording's time starts now: what the coordinator sent before the host's first command is
    // sent at its recorded distance from here.
    void start();
    // Bytes the host wrote, in any pieces.
    void receive(const std::string& bytes);

    size_t departures() const { return departures_; }
    // Every recorded command was heard and every recorded byte sent.
    bool finished() const { return next_command_ == commands_.size() && next_chunk_ == chunks_.size(); }
    // One line on how far the replay got.
    std::string summary() const;

private:
    struct Chunk {
        std::string bytes;
        // What it follows in the recording: the start (-2), the stretch before it (-1), or a command.
        long after;
        uint64_t gap_us;  // its recorded distance from what it follows
    };
    static constexpr long kAfterStart = -2;
    static constexpr long kAfterChunk = -1;

    void heard(const ScannedCommand& c);
    void depart(const std::string& what);
    // Sends what is due and arms the clock for the next stretch.
    void play();
    void log(const std::string& line);

    std::vector<ScannedCommand> commands_;
    std::vector<Chunk> chunks_;
    std::vector<uint64_t> heard_us_;  // when each recorded command was heard (or given up)
    size_t next_command_ = 0;
    size_t next_chunk_ = 0;
    uint64_t start_us_ = 0;
    uint64_t last_due_us_ = 0;
    bool started_ = false;
    bool told_end_ = false;
    size_t departures_ = 0;

    CommandScanner scanner_;
    uint64_t play_timer_ = 0;
    uint64_t idle_timer_ = 0;
    Sink sink_;
    Log log_;
    std::shared_ptr<platform::FakeSerialLine> line_;
};

}  // namespace zbsim
