#pragma once
// What must hold at any quiet moment of a long run, each check returning what it found wrong (empty
// when all is well).
#include <cstdint>
#include <string>
#include <vector>

#include "app/core/device_record.h"
#include "sim/coordinator.h"

namespace soak {

using Problems = std::vector<std::string>;

// Every device the simulator has joined (and that has not left) is in the table once, with its current
// short address; no two records share a short address; nothing else is in the table; the used slots
// are 1..TotalDevice without gaps.
Problems CheckTable(const zbsim::Coordinator& sim);

// The persisted part of the table and the network values, as a save writes them.
struct SavedTable {
    int16_t TotalDevice = 0;
    int32_t DeviceTimeOut = 0, mSecAlive = 0, DefaultPollRate = 0;
    int16_t NetStat = 0, enaPollPing = 0;
    std::vector<DeviceRecord> records;  // slots 1..TotalDevice
};
SavedTable SnapshotTable();
// Loads the network files into the table, compares them with `expected` and puts the table back as it
// was before the load.
Problems CheckFilesLoadBack(const SavedTable& expected);

// With no command in progress the command frames are enabled, nothing is left busy, and the reply
// wait (if one runs) is within its deadline.
Problems CheckIdleProgram();

// The log window holds no more than its cap (and one line); the daily log files together stay
// within `bound` bytes.
Problems CheckLogBounds(const std::string& log_folder, int64_t bound);

}  // namespace soak
