#pragma once
// The device list page of the main window: twelve rows of the table from `ListTop` on.
namespace modMain {

// Redraws the page, the scroll buttons and the device count from the table. Does nothing while
// `ListTop` is 0 or less, or when the main window is not loaded.
void RefreshDeviceList();

}  // namespace modMain
