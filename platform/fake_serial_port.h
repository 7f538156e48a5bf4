#pragma once
// An in-memory serial port for tests. What the host writes goes to a peer (a test, or the
// in-process coordinator simulator); what the peer sends arrives as receive notifications on the
// thread's clock, one character per notification as a real port set to a threshold of 1 does.
// Failure controls make every error path reachable.
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/serial_port.h"

namespace platform {

class FakeSerialLine;

class FakeSerialPort : public SerialPort {
public:
    explicit FakeSerialPort(std::shared_ptr<FakeSerialLine> line);
    ~FakeSerialPort() override;

    bool port_open() const override { return open_; }
    bool set_port_open(bool open) override;
    void set_comm_port(int16_t port) override { port_ = port; }
    int16_t comm_port() const override { return port_; }
    bool set_rts_enable(bool on) override;
    bool set_handshaking(int mode) override;
    void set_rthreshold(int n) override;
    void set_input_len(int n) override { input_len_ = n; }
    bool set_settings(const std::string& settings) override;
    bool input(std::string& out) override;
    bool output(const std::string& data) override;

    // Called by the line when the peer sent bytes.
    void bytes_arrived();

private:
    void schedule_notification();

    std::shared_ptr<FakeSerialLine> line_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool open_ = false;
    int16_t port_ = 0;
    int rthreshold_ = 0;
    int input_len_ = 0;
    bool notify_pending_ = false;
};

// The wire between the host's FakeSerialPort and its peer, with the test controls.
class FakeSerialLine : public std::enable_shared_from_this<FakeSerialLine> {
public:
    // Peer side: bytes written by the host, in order, each write as one piece.
    std::function<void(const std::string&)> on_host_write;

    // Peer side: send bytes to the host (they wait in the port's input buffer).
    void send_to_host(const std::string& bytes);
    // How many bytes sent to the host it has not read yet.
    size_t unread() const { return input_.size(); }
    // Everything the host wrote so far, one entry per write.
    const std::vector<std::string>& writes() const { return writes_; }
    void clear_writes() { writes_.clear(); }

    // Failure controls.
    bool fail_open = false;       // opening fails
    bool fail_write = false;      // every write fails
    bool fail_read = false;       // every read fails
    bool refuse_rts = false;      // modem-line requests fail, as on a pseudo-terminal
    bool refuse_settings = false; // line settings are refused
    void unplug();                // the device vanished: the port is gone, reads and writes fail
    void replug();                // the device is back: the port opens again
    bool unplugged() const { return unplugged_; }

    // What the host configured, for assertions.
    int16_t opened_port = 0;
    int open_count = 0;
    int open_attempts = 0;  // failed ones included
    bool rts = false;
    int handshaking = 0;
    std::string settings;
    // Ports that exist (an open of any other number fails); empty means every port exists.
    std::vector<int16_t> existing_ports;

    // The host side, for a factory: a new port on this line.
    std::unique_ptr<SerialPort> make_port();

private:
    friend class FakeSerialPort;
    std::deque<char> input_;
    std::vector<std::string> writes_;
    FakeSerialPort* port_ = nullptr;
    bool unplugged_ = false;
};

}  // namespace platform
