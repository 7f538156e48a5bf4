#pragma once
// The link's working state: one copy per host thread, shared by every ZigBeeNet on that thread, so
// that the queues and the reply being assembled survive whichever instance the host talks to.
#include <array>
#include <cstdint>
#include <string>

namespace brivola {

// A queue of strings in 1000 numbered slots (1..1000). Equal read and write numbers mean empty, so one
// slot always stays free: at most 999 strings wait.
class Ring {
public:
    static constexpr int16_t kSlots = 1000;

    bool empty() const { return read_ == write_; }
    bool full() const { return next(write_) == read_; }
    int16_t pending() const { return static_cast<int16_t>((write_ - read_ + kSlots) % kSlots); }
    int16_t read_index() const { return read_; }
    int16_t write_index() const { return write_; }

    // The caller checks full() first: a push into a full ring would make it look empty.
    void push(std::string s);
    const std::string& front() const { return slots_[static_cast<size_t>(read_ - 1)]; }
    // Removes the oldest string and hands it over.
    std::string pop();
    // Drops everything and starts again at slot 1.
    void clear();

private:
    static int16_t next(int16_t i) { return i == kSlots ? int16_t{1} : static_cast<int16_t>(i + 1); }

    std::array<std::string, kSlots> slots_;
    int16_t read_ = 1;
    int16_t write_ = 1;
};

// The reply being assembled, character by character.
struct RxFraming {
    std::string RxBuffer;
    int16_t ExpectedLen = 0;  // length chosen by the last recognised first byte; kept across replies
    bool InDataFrame = false;
    int16_t DataLen = 0;      // a data frame's length byte
    bool Hunting = false;     // a reply was dropped: only a byte that can begin one starts the next
    std::string Replay;       // the characters of a dropped reply being framed again (kept for its capacity)
};

struct LinkState {
    int16_t CommPort = 0;
    Ring TxQueue;
    Ring RxQueue;
    RxFraming rx;
};

// The calling thread's link state.
LinkState& link_state();

}  // namespace brivola
