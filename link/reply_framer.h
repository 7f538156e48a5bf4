#pragma once
// Where a coordinator reply ends. Text replies carry no length: their first byte selects a fixed
// length and a ";" must sit at that position. Data frames from devices carry a length byte instead.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "link/link_state.h"

namespace brivola {

// The longest reply there is: a data frame with 255 data bytes. A reply being assembled never holds
// more, since one that reaches its length without closing is dropped there.
constexpr size_t kLongestReply = 260;
// The most characters held after a noise byte, while the way to frame them is not settled: by then
// the best framing found is handed over.
constexpr size_t kLongestHunt = 4 * kLongestReply;
// The shortest: a one-byte reply and its ";". Bounds how many replies a run of characters completes.
constexpr size_t kShortestReply = 2;

constexpr uint8_t kDataFrameStart = 0x02;

// A device's I/O report, sent unasked.
constexpr uint8_t kIoReportStart = 0x08;
// An I/O report (17 characters) may come with two extra ones instead, flagged by an 'H' at position 18.
constexpr int16_t kIoReportLen = 17;
constexpr size_t kLongIoReportLen = 19;
constexpr char kLongIoReportMark = 'H';

// Total length that a first byte selects; 0 when the byte is not a known first byte (the data-frame
// start included, whose length comes later from its length byte).
int16_t reply_length_for(uint8_t first);

using ReplySink = std::function<void(std::string&& reply)>;

// Takes received characters in order and hands every reply they complete to `on_reply`, in order.
// A reply that reaches its length without its closing ";" can never complete: it is dropped, and its
// characters, with those that follow, are held and framed again in the way that keeps the most whole
// replies, until the line is back in step. So a noise byte costs the reply it fell into and no other,
// even on a line that never falls silent, unless what it made is itself a whole reply; a stream
// without noise is framed as it comes.
void frame_chars(RxFraming& rx, std::string_view chars, const ReplySink& on_reply);

// The line was silent for longer than any reply takes: the replies found in what is held are handed
// over, what was half assembled is forgotten, and the next character starts a new reply.
void abandon_reply(RxFraming& rx, const ReplySink& on_reply);

// The characters read but not yet handed over in a reply.
inline size_t chars_held(const RxFraming& rx) { return rx.RxBuffer.size() + rx.Hunt.size(); }

// The two bytes of a data frame's sender address as four upper-case hexadecimal digits, in the order
// received; "" for an empty argument.
std::string BytesToHex(const std::string& twoBytes);

}  // namespace brivola
