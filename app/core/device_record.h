#pragma once
// One known device of the network, copied by value as a whole.
#include <cstdint>
#include <string>

struct DeviceRecord {
    std::string ID64Long;       // 23-character MAC text; empty marks a free slot
    std::string ID16Short;      // 4 hex digits; empty until the network reported it
    int16_t DeviceType = 0;     // 4 or 6 end device, 7 router, 9 coordinator
    std::string DeviceTypeSTR;  // "End Device", "Router", "Coordinator"
    int16_t DeviceLQI = 0;
    std::string DeviceName;
    int16_t devStatus = 0;      // 0 no answer, 1 online, 2 end device (not pinged); not saved
    int32_t devPollRate = 0;    // ms
    int32_t devNewRate = 0;     // s
    float devVBatt = 0;         // not saved from here on
    float devTemp = 0;
    std::string devAnalog1, devAnalog2, devAnalog3, devAnalog4;
    std::string devInputs;
    int16_t devIOValid = 0;
    int16_t stsEnableKeepAlive = 0;  // saved
    std::string devLastData;         // not saved
    std::string devRxLog;            // not saved
};
