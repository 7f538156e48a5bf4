#pragma once
// The shared reply wait: StartReplyWait arms it, the main window's 100 ms tmrTimeOut counts it with
// ReplyWaitTick, and the waiting loop ends when a reply handler or the expiry sets WaitTimedOut (or,
// during a coordinator reset, clears CoordResetWait). WaitMs pauses while events keep running.
#include <cstdint>
#include <functional>

namespace modMain {

// A limit of 0 means 1000 ms.
void StartReplyWait(int32_t limit_ms);
void ReplyWaitTick();

// Pumps events until done() or the armed reply wait is over. The wait normally ends by its expiry
// tick; but several replies close "the" wait by stopping tmrTimeOut, and one that answers something
// else (a ping answer during a registration, say) would leave a wait for a lost reply counting
// nothing for ever. So the wait also ends at its own deadline, a tick after its expiry was due, and
// ends there as an expiry would. Arming the wait again while it runs moves the deadline with it.
void WaitForReply(const std::function<bool()>& done);

// Pumps events until `ms` have passed (once when `ms` is 0 or less); never spins, ends on time,
// also across a wrap of the millisecond counter.
void WaitMs(int32_t ms);

// The progress bar's range and position for a wait. Up to 100000 ms the bar counts milliseconds;
// longer waits are scaled into 0..100000 so the bar still fills evenly up to the expiry.
int BarMaximumFor(int32_t limit_ms);
int BarValueFor(int32_t elapsed_ms, int32_t limit_ms);

}  // namespace modMain
