#pragma once
// The real serial component on Qt SerialPort: a port number is opened as the device that the port
// map names for it. Works on serial hardware and on pseudo-terminals.
#include <QSerialPort>
#include <memory>

#include "platform/serial_port.h"

namespace platform {

class QtSerialPort : public SerialPort {
public:
    QtSerialPort();
    ~QtSerialPort() override;

    bool port_open() const override { return port_.isOpen(); }
    bool set_port_open(bool open) override;
    void set_comm_port(int16_t port) override { number_ = port; }
    int16_t comm_port() const override { return number_; }
    bool set_rts_enable(bool on) override;
    bool set_handshaking(int mode) override;
    void set_rthreshold(int n) override;
    void set_input_len(int n) override { input_len_ = n; }
    bool set_settings(const std::string& settings) override;
    bool input(std::string& out) override;
    bool output(const std::string& data) override;

    // Parses "38400,n,8,1"; false if it is not a line setting this port can take.
    struct Line {
        qint32 baud = 9600;
        QSerialPort::Parity parity = QSerialPort::NoParity;
        QSerialPort::DataBits data = QSerialPort::Data8;
        QSerialPort::StopBits stop = QSerialPort::OneStop;
    };
    static bool parse_settings(const std::string& text, Line& line);

private:
    bool apply_line();
    void apply_modem_lines();
    void schedule_notification();
    bool failed() const;

    QSerialPort port_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    int16_t number_ = 0;
    bool rts_ = false;
    int handshaking_ = 0;
    int rthreshold_ = 0;
    int input_len_ = 0;
    Line line_;
    bool notify_pending_ = false;
};

}  // namespace platform
