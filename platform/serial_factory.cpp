#include "platform/qt_serial_port.h"
#include "platform/serial_port.h"

namespace platform {

namespace {
thread_local SerialFactory installed;
}

std::unique_ptr<SerialPort> make_serial_port() {
    if (installed) return installed();
    return std::make_unique<QtSerialPort>();
}

void set_serial_factory(SerialFactory factory) { installed = std::move(factory); }

}  // namespace platform
