#pragma once
// Recording the serial line from the program: the one recorder every port of the program reports
// to, started from the command line or the File menu, and what the log says about it.
#include <cstdint>
#include <string>

namespace modMain {

// The size limit the operator keeps in the settings (`[Recording] LimitMB` of the program's own
// settings file), the default when none or a bad one is kept.
uint64_t SavedRecordLimitMB();

// Makes the recorder if needed and has every serial port made from now on report to it.
void InstallSerialRecorder();
// Starts recording into `path` (limit 0: the saved one); false with the reason. Says so in the log.
bool StartSerialRecording(const std::string& path, uint64_t limit_mb, std::string& error);
void StopSerialRecording();
bool SerialRecordingActive();
// Once the log window shows: says there that a recording runs (one started before it existed).
void AnnounceSerialRecording();
// For tests: the recorder is gone, nothing reports to it any more.
void ForgetSerialRecorder();

}  // namespace modMain
