#pragma once
// ZigBeeNet: the host's one path to the ZigBee coordinator on a serial port. Methods queue ASCII
// commands that a 50 ms tick writes one at a time; the coordinator's replies are framed as they
// arrive and handed to the host through ZigBeeNetEvents, one per tick while few are waiting, more
// per tick (in order) while a backlog drains. Nothing is thrown: serial
// failures arrive as ErrorDetected (10: the port could not be opened or configured; 20: a write, a
// read or a delivery failed).
//
// Everything runs on the host's thread. Event handlers may call back into the control (queue
// commands, pump events, even SetNewRate); ticks and receive notifications may run inside the
// control's own pauses.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/serial_port.h"
#include "platform/timer.h"

class ZigBeeNetEvents {
public:
    virtual ~ZigBeeNetEvents() = default;
    // A complete reply, first byte through the closing ";".
    virtual void StringReceived(const std::string& recString) = 0;
    // A command, exactly as it was just written to the port.
    virtual void StringSent(const std::string& sndString) = 0;
    virtual void ErrorDetected(int16_t errCode) = 0;
    // A device's data frame: its short address as four hex digits, and its data bytes.
    virtual void DataReceived(const std::string& recDataAddr, const std::string& recData) = 0;
};

class ZigBeeNet {
public:
    ZigBeeNet();
    ~ZigBeeNet();
    ZigBeeNet(const ZigBeeNet&) = delete;
    ZigBeeNet& operator=(const ZigBeeNet&) = delete;

    void set_events(ZigBeeNetEvents* events) { events_ = events; }
    // Told the name of a property that changed ("CommPort").
    std::function<void(const std::string& name)> PropertyChanged;

    void StartOPERATIONS();
    void StopOPERATIONS();
    void Ping(const std::string& devID);
    void AddItem(const std::string& devID);
    void GetExAddr();
    void PanInfo();
    void StartNet();
    void LockNet();
    void UnLockNet();
    void Reset();
    void AskExAddr(const std::string& devID);
    void SetRfCH(int16_t RfCH);
    void setKeepAlive(const std::string& kaShortID, int16_t kaOnOff);
    void SetOutput(const std::string& devSIDShort, int16_t devSPort);
    void ResetOutput(const std::string& devRIDShort, int16_t devRPort);
    // Queues the new rate, pauses 500 ms (events keep flowing), then queues its confirmation.
    void SetNewRate(int32_t newRateVal, const std::string& NRdevID);
    void SetPollRate(int32_t pollRateVal, const std::string& PLdevID);
    void SendData(const std::string& sndDevAddr, const std::string& sndDevData);
    void SendDirectToCoordinator(const std::string& cmdDirString);
    void GetSoftwareVersion();

    // Closes the serial port at once and stops the tick, releasing the port for whoever opens it
    // next: a host that is ending, or one that lost its adapter (StartOPERATIONS opens it again).
    void ClosePort();

    int16_t CommPort() const;
    // 1..99 is stored, anything else keeps the stored number; the port is re-opened either way.
    void CommPort(int16_t COMPort);
    std::string OCXVersion() const;

    // For tests: puts this thread's link state (queues, reply being assembled, port number) back to
    // how the library starts.
    static void ResetThreadState();

private:
    friend struct ZigBeeNetProbe;  // tests look at the child components

    void InitSerialPort();
    // False when the queue is full: the newest command is refused so that those already waiting keep
    // their order.
    bool QueueCommand(const std::string& cmd);
    // Pumps the thread's events for ms milliseconds. False if the control was destroyed meanwhile.
    bool Delay(int32_t ms);

    void tmrRS232_Timer();
    void tmrTimeOut_Timer();
    void comZB_OnComm();
    // How many received characters the receive queue can take in now.
    size_t ReceiveRoom() const;
    // Reading was held back for a full receive queue and a slot is free again: read on.
    void ResumeReception();
    // Writes the next queued command. False when the tick must end there: the write failed, or a
    // handler destroyed the control.
    bool SendStep();
    void DispatchStep();

    void RaiseError(int16_t errCode);

    std::unique_ptr<platform::SerialPort> comZB;
    platform::Timer tmrRS232;
    platform::Timer tmrTimeOut;
    ZigBeeNetEvents* events_ = nullptr;
    // Lets code that pumped events (and so may have run a handler that destroyed the control) find out.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    // Counts InitSerialPort runs, so one that finds another ran inside its pause leaves the port to it.
    uint32_t init_runs_ = 0;
    // Reading stopped because the receive queue had no room for more replies.
    bool rx_held_back_ = false;

    // The last batch read from the port (kept for its capacity).
    std::string rx_chunk_;
};
