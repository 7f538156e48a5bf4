#pragma once
// The serial component the coordinator link drives: the members of the platform serial control it
// uses, nothing more. Every call happens on the owning thread. Operations that the hardware can
// refuse return false (the link turns that into its error codes); nothing throws.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Open state. Opening uses the port number and settings given before; false when the port
    // cannot be opened (no such port, busy, refused settings). Closing never fails.
    virtual bool port_open() const = 0;
    virtual bool set_port_open(bool open) = 0;

    virtual void set_comm_port(int16_t port) = 0;
    virtual int16_t comm_port() const = 0;
    virtual bool set_rts_enable(bool on) = 0;
    // 0 none, 2 hardware RTS/CTS.
    virtual bool set_handshaking(int mode) = 0;
    // Received characters that trigger a receive notification: 0 (none) or 1.
    virtual void set_rthreshold(int n) = 0;
    // Characters one read returns: 0 (all waiting) or n.
    virtual void set_input_len(int n) = 0;
    // "38400,n,8,1"; false for a string the port cannot take.
    virtual bool set_settings(const std::string& settings) = 0;

    // Reads and removes up to the read length of waiting characters (bytes). False on a read failure.
    virtual bool input(std::string& out) = 0;
    // Sends every byte of data, nothing appended. False on a write failure or a closed port.
    virtual bool output(const std::string& data) = 0;

    // Receive notification: called on the owning thread, from the event loop, whenever at least the
    // threshold of characters is waiting (again after each handler while characters remain).
    std::function<void()> on_receive;
};

using SerialFactory = std::function<std::unique_ptr<SerialPort>()>;

// Makes the serial component for a new link: the real port unless a factory was installed for the
// calling thread (tests install the fake or the in-process simulator).
std::unique_ptr<SerialPort> make_serial_port();
void set_serial_factory(SerialFactory factory);

}  // namespace platform
