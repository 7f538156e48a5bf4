#include "platform/qt_serial_port.h"
#include "platform/serial_port.h"
#include "platform/serial_recorder.h"

namespace platform {

namespace {
thread_local SerialFactory installed;
}

std::unique_ptr<SerialPort> make_serial_port() {
    std::unique_ptr<SerialPort> port;
    if (installed) port = installed();
    else port = std::make_unique<QtSerialPort>();
    if (auto recorder = serial_recorder(); recorder && port)
        return std::make_unique<RecordingSerialPort>(std::move(port), std::move(recorder));
    return port;
}

void set_serial_factory(SerialFactory factory) { installed = std::move(factory); }

}  // namespace platform
