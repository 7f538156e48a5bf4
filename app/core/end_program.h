#pragma once
// Ending the program at once, the way a serial failure or a silent coordinator does: whatever was
// written reaches the disk, then the process exits; nothing after it runs and no window's unload
// step saves anything.
namespace modMain {

[[noreturn]] void EndProgram(int code);

}  // namespace modMain
