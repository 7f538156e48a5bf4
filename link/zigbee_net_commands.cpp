// The command members: each builds its command text and queues it; a refused call queues nothing.
#include "link/command_strings.h"
#include "link/zigbee_net.h"

using namespace brivola;

void ZigBeeNet::Ping(const std::string& devID) { QueueCommand(cmd_ping(devID)); }
void ZigBeeNet::AddItem(const std::string& devID) { QueueCommand(cmd_add_item(devID)); }
void ZigBeeNet::GetExAddr() { QueueCommand(cmd_get_ex_addr()); }
void ZigBeeNet::PanInfo() { QueueCommand(cmd_pan_info()); }
void ZigBeeNet::StartNet() { QueueCommand(cmd_start_net()); }
void ZigBeeNet::LockNet() { QueueCommand(cmd_lock_net()); }
void ZigBeeNet::UnLockNet() { QueueCommand(cmd_unlock_net()); }
void ZigBeeNet::Reset() { QueueCommand(cmd_reset()); }
void ZigBeeNet::AskExAddr(const std::string& devID) { QueueCommand(cmd_ask_ex_addr(devID)); }
void ZigBeeNet::SetRfCH(int16_t RfCH) { QueueCommand(cmd_set_rf_ch(RfCH)); }

void ZigBeeNet::setKeepAlive(const std::string& kaShortID, int16_t kaOnOff) {
    QueueCommand(cmd_set_keep_alive(kaShortID, kaOnOff));
}

void ZigBeeNet::SetOutput(const std::string& devSIDShort, int16_t devSPort) {
    QueueCommand(cmd_set_output(devSIDShort, devSPort));
}

void ZigBeeNet::ResetOutput(const std::string& devRIDShort, int16_t devRPort) {
    QueueCommand(cmd_reset_output(devRIDShort, devRPort));
}

void ZigBeeNet::SetNewRate(int32_t newRateVal, const std::string& NRdevID) {
    if (!QueueCommand(cmd_new_rate(newRateVal, NRdevID))) return;
    // The device needs the new rate written before it is told to apply it.
    if (!Delay(500)) return;
    QueueCommand(cmd_new_rate_apply(NRdevID));
}

void ZigBeeNet::SetPollRate(int32_t pollRateVal, const std::string& PLdevID) {
    QueueCommand(cmd_poll_rate(pollRateVal, PLdevID));
}

void ZigBeeNet::SendData(const std::string& sndDevAddr, const std::string& sndDevData) {
    QueueCommand(cmd_send_data(sndDevAddr, sndDevData));
}

void ZigBeeNet::SendDirectToCoordinator(const std::string& cmdDirString) { QueueCommand(cmdDirString); }

void ZigBeeNet::GetSoftwareVersion() { QueueCommand(cmd_software_version()); }
