#pragma once
// The link's working state: one copy per host thread, shared by every ZigBeeNet on that thread, so
// that the queues and the reply being assembled survive whichever instance the host talks to.
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

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

// The best way found to frame the characters before one place of a stretch being hunted through.
constexpr int16_t kNowhere = -32768;
struct HuntStep {
    int16_t Worth = kNowhere;  // what its replies and skipped characters are worth; kNowhere: none reaches here
    int16_t Run = 0;           // whole replies it ends with, back to back
    int16_t From = 0;          // where its last step began
    uint8_t How = 0;           // that step: a skipped character, a whole reply, or one with a noise byte inside
    uint8_t FromDamaged = 0;   // which of the two framings at `From` it continues
};

// The reply being assembled, character by character.
struct RxFraming {
    std::string RxBuffer;
    int16_t ExpectedLen = 0;  // length chosen by the last recognised first byte; kept across replies
    bool InDataFrame = false;
    int16_t DataLen = 0;      // a data frame's length byte
    bool Hunting = false;     // a reply was dropped: the characters since are held in `Hunt`
    std::string Hunt;         // the characters held since the dropped reply began, that one included
    int16_t Unrecognised = 0; // the length of the unrecognised reply the hunt began with, if it did
    // Steps[i]: the best framings of Hunt's first i characters, without and with the one reply that
    // holds a noise byte. Kept for their capacity, like the two strings.
    std::vector<std::array<HuntStep, 2>> Steps;
    std::vector<std::pair<int16_t, int16_t>> Spans;  // the replies being handed over: where each begins and ends
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
