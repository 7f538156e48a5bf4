#include "sim/replay.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/fake_serial_port.h"
#include "sim/coordinator.h"
#include "sim/reply_frames.h"

namespace zbsim {

namespace {

using Kind = platform::recording::Event::Kind;

// "CMD:0E" for every ping, "SNT:" for every string: two commands of one kind can stand in for each
// other when only their arguments differ.
std::string kind_of(const ScannedCommand& c) {
    if (c.kind == ScannedCommand::Snt) return "SNT:";
    return "CMD:" + c.body.substr(0, c.body.find(':'));
}

std::string ordinal(size_t index) { return "command " + std::to_string(index + 1); }

}  // namespace

Replay::Replay(const platform::recording::Recording& recording) {
    CommandScanner recorded;
    long last = kAfterStart;
    uint64_t last_us = 0;
    for (const auto& e : recording.events) {
        if (e.kind == Kind::Sent) {
            std::string junk;
            for (ScannedCommand& c : recorded.feed(e.bytes, junk)) {
                commands_.push_back(std::move(c));
                last = static_cast<long>(commands_.size() - 1);
                last_us = e.us;
            }
        } else if (e.kind == Kind::Received) {
            chunks_.push_back({e.bytes, last, e.us - last_us});
            last = kAfterChunk;
            last_us = e.us;
        }
    }
    heard_us_.assign(commands_.size(), 0);
}

Replay::~Replay() {
    if (play_timer_) platform::clock().cancel(play_timer_);
    if (idle_timer_) platform::clock().cancel(idle_timer_);
    if (line_) line_->on_host_write = nullptr;
}

void Replay::attach(std::shared_ptr<platform::FakeSerialLine> line) {
    line_ = std::move(line);
    line_->on_host_write = [this](const std::string& bytes) { receive(bytes); };
    sink_ = [this](const std::string& bytes) { line_->send_to_host(bytes); };
}

void Replay::log(const std::string& line) {
    if (log_) log_(line);
}

void Replay::start() {
    started_ = true;
    start_us_ = platform::clock().now_us();
    last_due_us_ = start_us_;
    log("replay: " + std::to_string(commands_.size()) + " recorded commands, " + std::to_string(chunks_.size()) +
        " stretches of replies");
    play();
}

void Replay::receive(const std::string& bytes) {
    std::string junk;
    const auto commands = scanner_.feed(bytes, junk);
    if (!junk.empty()) log("<- (skipped) " + frames::printable(junk));
    for (const ScannedCommand& c : commands) heard(c);
    auto& clock = platform::clock();
    if (idle_timer_) clock.cancel(idle_timer_);
    idle_timer_ = 0;
    if (scanner_.has_partial()) {
        // A host that stops halfway through a command has given up on it.
        idle_timer_ = clock.call_later(Coordinator::kIdleDiscardMs, [this] {
            idle_timer_ = 0;
            log("<- (unfinished, dropped) " + frames::printable(scanner_.discard_partial()));
        });
    }
    play();
}

void Replay::depart(const std::string& what) {
    ++departures_;
    log("departure: " + what);
}

void Replay::heard(const ScannedCommand& c) {
    log("<- " + frames::printable(c.text));
    const uint64_t now = platform::clock().now_us();
    const size_t n = commands_.size();
    if (next_command_ >= n) {
        depart("a command beyond the end of the recording, not answered: " + frames::printable(c.text));
        return;
    }
    const auto same = [&c](const ScannedCommand& r) { return r.text == c.text; };
    const size_t horizon = std::min(n, next_command_ + 1 + kLookAhead);
    const auto found = std::find_if(commands_.begin() + static_cast<long>(next_command_),
                                    commands_.begin() + static_cast<long>(horizon), same);
    if (found == commands_.begin() + static_cast<long>(horizon)) {
        const ScannedCommand& expected = commands_[next_command_];
        if (kind_of(expected) != kind_of(c)) {
            depart("an extra command, not answered: " + frames::printable(c.text) + " (the recording has " +
                   frames::printable(expected.text) + " next)");
            return;
        }
        depart(ordinal(next_command_) + " differs: recorded " + frames::printable(expected.text) + ", received " +
               frames::printable(c.text) + "; answered as recorded");
    } else {
        const auto at = static_cast<size_t>(found - commands_.begin());
        for (size_t m = next_command_; m < at; ++m) {
            depart(ordinal(m) + " is missing: " + frames::printable(commands_[m].text));
            heard_us_[m] = now;
        }
        next_command_ = at;
    }
    heard_us_[next_command_++] = now;
}

void Replay::play() {
    if (!started_) return;
    auto& clock = platform::clock();
    if (play_timer_) clock.cancel(play_timer_);
    play_timer_ = 0;
    while (next_chunk_ < chunks_.size()) {
        const Chunk& c = chunks_[next_chunk_];
        uint64_t due = 0;
        if (c.after == kAfterStart) {
            due = start_us_ + c.gap_us;
        } else if (c.after == kAfterChunk) {
            due = last_due_us_ + c.gap_us;
        } else {
            // A reply waits for its command, and never overtakes the stretch before it.
            if (static_cast<size_t>(c.after) >= next_command_) return;
            due = std::max(heard_us_[static_cast<size_t>(c.after)] + c.gap_us, last_due_us_);
        }
        const uint64_t now = clock.now_us();
        if (due > now) {
            const uint64_t wait_ms = (due - now + 999) / 1000;
            play_timer_ = clock.call_later(static_cast<uint32_t>(std::min<uint64_t>(wait_ms, UINT32_MAX - 1)), [this] {
                play_timer_ = 0;
                play();
            });
            return;
        }
        last_due_us_ = due;
        ++next_chunk_;
        log("-> " + frames::hex_dash(c.bytes));
        if (sink_) sink_(c.bytes);
    }
    if (finished() && !told_end_) {
        told_end_ = true;
        log("replay: the whole recording was played");
    }
}

std::string Replay::summary() const {
    std::string s = "replay: " + std::to_string(next_command_) + " of " + std::to_string(commands_.size()) +
                    " recorded commands heard, " + std::to_string(next_chunk_) + " of " +
                    std::to_string(chunks_.size()) + " stretches of replies sent, " + std::to_string(departures_) +
                    " departures";
    if (next_command_ < commands_.size())
        s += "; waiting for " + ordinal(next_command_) + ": " + frames::printable(commands_[next_command_].text);
    return s;
}

}  // namespace zbsim
