#pragma once
// Where a coordinator reply ends. Text replies carry no length: their first byte selects a fixed
// length and a ";" must sit at that position. Data frames from devices carry a length byte instead.
#include <cstdint>
#include <string>

#include "link/link_state.h"

namespace brivola {

// The longest reply there is: a data frame with 255 data bytes. A reply that has grown past this
// can never complete.
constexpr size_t kLongestReply = 260;

constexpr uint8_t kDataFrameStart = 0x02;

// Total length that a first byte selects; 0 when the byte is not a known first byte (the data-frame
// start included, whose length comes later from its length byte).
int16_t reply_length_for(uint8_t first);

// Takes one received character. Returns true when it completed a reply, which is then moved into
// `reply` and the assembler is idle again. Past kLongestReply characters are dropped instead of
// stored, so noise cannot grow the buffer without bound.
bool frame_char(RxFraming& rx, char c, std::string& reply);

// Forgets the reply being assembled; the next character starts a new one.
void abandon_reply(RxFraming& rx);

// The two bytes of a data frame's sender address as four upper-case hexadecimal digits, in the order
// received; "" for an empty argument.
std::string BytesToHex(const std::string& twoBytes);

}  // namespace brivola
