#pragma once
// What feeds the history: the alive tick, as it pings a device and judges the answer, and the reply
// handler, as it stores an I/O report in the table. The session, and with it the history, starts
// when the main window loads.
#include <QDateTime>
#include <cstdint>
#include <optional>
#include <string>

#include "app/core/device_record.h"
#include "app/health/history.h"

namespace health {

// The program's history.
History& history();
// Forgets the history; the session starts now, on the platform clock and at this clock time.
void StartSession(const QDateTime& wall = QDateTime::currentDateTime());
// The clock time of a session time.
QDateTime WallTime(Ds t);

// The 64-bit address of a MAC text ("01:23:45:67:89:AB:CD:EF"); nothing for any other text.
std::optional<uint64_t> MacKey(const std::string& mac);

// The alive tick sent a ping to this device.
void PingSent(const DeviceRecord& device);
// The alive tick judged the device pinged on the previous tick; only a ping that went out to it is
// recorded, answered (with its link quality) or not.
void PingJudged(const DeviceRecord& device, bool answered, int16_t lqi);
// An I/O report (the whole reply) whose readings were stored in this device's record.
void ReportStored(const DeviceRecord& device, const std::string& reply);

}  // namespace health
