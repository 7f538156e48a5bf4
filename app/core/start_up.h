#pragma once
// The program's start: the port prompt, the splash, the windows, the coordinator handshake, the
// network files and the registration of the known devices.
namespace modMain {

// Returns when the program lives on window events; ends the program when no port is given or the
// coordinator never answers.
void Main();
// Learns the coordinator's address (asking up to 11 times), then its PAN identifier and channel.
// A coordinator that never answers ends the program, unless a lost adapter is waited for: then
// the wait begins and the result is false.
bool InitCoordinator();

}  // namespace modMain
