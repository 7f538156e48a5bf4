#pragma once
// The device window's record and the table: what the window holds goes back to the slot that holds
// its device now, on closing and when the program ends with the window still open.

namespace modMain {

// While a device window is open (or just closed), copies CurDevice into the slot of its device; a
// device deleted meanwhile is not written back. Nothing without a window.
void PutShownDeviceBack();

}  // namespace modMain
