#pragma once
// The main program's module state: every program-wide value, flag and table lives here, in one
// object created empty at process start and kept for the whole run. Flags are 16-bit with 0 false
// and 1 true; times are 32-bit milliseconds.
#include <cstdint>
#include <map>
#include <string>

#include "app/core/device_record.h"
#include "app/core/device_slots.h"

class frmMain;
class frmLog;
class frmSplash;
class frmDevice;
class frmHealth;
class Pravel;
class ZigBeeNet;

namespace modMain {

struct State {
    // Saved settings and start-up.
    int16_t SerialPort = 0;
    int16_t ShowSplash = 0;
    int16_t LangID = 0;
    int32_t LangOffset = 0;
    int16_t SplashDone = 0;
    int16_t CoordStartWait = 0;  // 30 waiting for the address, 1 address arrived, 0 finished
    int16_t ReplyReceived = 0;
    std::string ReplyCoordMac;
    std::string ReplyPanId;
    int16_t ReplyRFCh = 0;
    std::string CoordMac;
    std::string PanInfo;
    int16_t RFCh = 0;
    std::string NetFilePath;
    std::string MacListPath;
    int16_t StartupDone = 0;

    // The device table (index 0 unused) and the network-wide values.
    DeviceSlots Devices;
    int16_t TotalDevice = 0;
    int32_t DeviceTimeOut = 0;
    int16_t NetStat = 0;
    int32_t mSecAlive = 0;
    int16_t enaPollPing = 0;
    int32_t DefaultPollRate = 0;
    int16_t CmdAck = 0;
    int16_t NetLocked = 0;
    int16_t ListDirty = 0;
    int16_t ListTop = 0;
    // Network files whose last save failed, with the reason; the operator is told when the program ends.
    std::map<std::string, std::string> UnsavedFiles;

    // Reply wait.
    int16_t WaitTimedOut = 0;
    int32_t WaitLimitMs = 0;
    int32_t WaitElapsedMs = 0;
    uint32_t WaitArmedMs = 0;  // the clock when the wait was armed; its deadline counts from here
    int16_t CoordResetWait = 0;

    // Reply handling and supervision.
    int16_t PingLQI = 0;
    std::string PingShort;
    int16_t PingFlagA = 0;
    int16_t PingFlagC = 0;
    int16_t KeepAliveAck = 0;
    int16_t PollRateAck = 0;
    int16_t CoordAnnounced = 0;
    int16_t OperBusy = 0;
    int16_t NewDevIdx = 0;
    int16_t NewDeviceFlag = 0;
    int16_t FoundDevIdx = 0;
    int16_t PollIndex = 0;
    int16_t SerialErrorRaised = 0;  // the serial failure is being reported; the program is ending
    // A lost adapter is waited for instead of ending the program (command line or saved setting).
    int16_t Reconnect = 0;
    int16_t AdapterLost = 0;   // the port is closed and retried until the coordinator is identified
    int16_t ReopenFailed = 0;  // the port failed again since the last retry began

    // Device window.
    DeviceRecord CurDevice;
    int16_t OpenDeviceIdx = 0;
    std::string OpenDeviceShort;
    int16_t DevWinState = 0;
    int16_t DevPollPhase = 0;
    // Believed state of outputs 1..4 of the shown device: 1 on, 0 off.
    int16_t OutputState1 = 0;
    int16_t OutputState2 = 0;
    int16_t OutputState3 = 0;
    int16_t OutputState4 = 0;
    std::string LastTxText;
    std::string LastTxShort;
    int16_t SendDataPending = 0;
};

// The program's one copy.
State& g();
// Back to the process-start state (tests run many programs in one process).
void reset();

// The program's windows, once loaded; nullptr before.
struct Windows {
    frmMain* main = nullptr;
    frmLog* log = nullptr;
    frmSplash* splash = nullptr;
    frmDevice* device = nullptr;
    frmHealth* health = nullptr;
};
Windows& windows();

// The controls the main window carries: its link instance and its INI instance `iniZB`. Routines that
// work through them find them here, so they run with or without the window (tests).
struct Controls {
    ZigBeeNet* link = nullptr;
    Pravel* iniZB = nullptr;
};
Controls& controls();

}  // namespace modMain
