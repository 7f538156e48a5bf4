#pragma once
// A station left running survives its adapter when reconnection is chosen (--reconnect or the saved
// setting "Reconnect" = 1): a serial failure after start-up, or a coordinator that cannot be
// identified again, saves the network and waits for the adapter instead of ending the program.
#include <cstdint>

namespace modMain {

// Reconnection is chosen and start-up has loaded the network, so a loss is waited out.
bool AdapterMayReturn();
// The adapter is gone. The first time: logged, the command frames off, "waiting for the adapter" in
// the status bar, the network files saved and the port closed, to be retried every few seconds.
// While already waiting: the retry under way failed. errCode is the link's (10, 20), or 0 for a
// coordinator that did not answer.
void LoseAdapter(int16_t errCode);
// The adapter is lost and no retry has the port open: nothing sent now can be answered.
bool AdapterGone();
// One retry: reopens the port, identifies the coordinator and registers the known devices.
void RetryAdapter();

}  // namespace modMain
