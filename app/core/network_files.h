#pragma once
// The two files of a coordinator's network: the network data file (INI, through the main window's
// `iniZB`) and the MAC list file (one address a line), and registering the MAC list with the
// coordinator.
#include <string>

namespace modMain {

// Reads the network values and the devices from `NetFilePath`.
void LoadNetworkData();
// Rebuilds `NetFilePath` from the table, then rewrites the MAC list file.
void SaveNetworkData();
// Rewrites `MacListPath` from `CoordMac` and the table.
void WriteMacListFile();
// Adds one address as a new line of the MAC list file, then registers the list again.
void AppendMacToList(const std::string& mac);
// Sends every address of the MAC list file to the coordinator, then starts and locks the network.
void RegisterMacList();

}  // namespace modMain
