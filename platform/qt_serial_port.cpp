#include "platform/qt_serial_port.h"

#include <QStringList>

#include "platform/clock.h"
#include "platform/port_map.h"

namespace platform {

namespace {
// What the port reads ahead of its reader. Once it holds this much it stops reading the device, so
// a peer faster than the reader fills the kernel's buffer next and is then held back by the line's
// flow control (a pseudo-terminal simply blocks its writer), instead of growing this process.
constexpr qint64 kReadAheadBytes = 4096;
}  // namespace

QtSerialPort::QtSerialPort() {
    port_.setReadBufferSize(kReadAheadBytes);
    QObject::connect(&port_, &QSerialPort::readyRead, [this]() { schedule_notification(); });
    // A vanished device shows up as an error, not as data: let the reader find out.
    QObject::connect(&port_, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError) {
        schedule_notification();
    });
}

QtSerialPort::~QtSerialPort() {
    *alive_ = false;
    if (port_.isOpen()) port_.close();
}

bool QtSerialPort::parse_settings(const std::string& text, Line& line) {
    QStringList f = QString::fromStdString(text).split(',');
    if (f.size() != 4) return false;
    bool ok = false;
    int baud = f[0].trimmed().toInt(&ok);
    if (!ok || baud <= 0) return false;
    Line l;
    l.baud = baud;
    QString p = f[1].trimmed().toLower();
    if (p == "n") l.parity = QSerialPort::NoParity;
    else if (p == "e") l.parity = QSerialPort::EvenParity;
    else if (p == "o") l.parity = QSerialPort::OddParity;
    else if (p == "m") l.parity = QSerialPort::MarkParity;
    else if (p == "s") l.parity = QSerialPort::SpaceParity;
    else return false;
    int d = f[2].trimmed().toInt(&ok);
    if (!ok || d < 5 || d > 8) return false;
    l.data = static_cast<QSerialPort::DataBits>(d);
    QString s = f[3].trimmed();
    if (s == "1") l.stop = QSerialPort::OneStop;
    else if (s == "1.5") l.stop = QSerialPort::OneAndHalfStop;
    else if (s == "2") l.stop = QSerialPort::TwoStop;
    else return false;
    line = l;
    return true;
}

bool QtSerialPort::set_settings(const std::string& settings) {
    Line l;
    if (!parse_settings(settings, l)) return false;
    line_ = l;
    return !port_.isOpen() || apply_line();
}

bool QtSerialPort::apply_line() {
    return port_.setBaudRate(line_.baud) && port_.setParity(line_.parity) && port_.setDataBits(line_.data) &&
           port_.setStopBits(line_.stop);
}

// Modem-line requests are best effort: a pseudo-terminal refuses them, and a line that cannot carry
// RTS/CTS still carries data. Real hardware gets them as asked.
void QtSerialPort::apply_modem_lines() {
    if (handshaking_ == 2) {
        port_.setFlowControl(QSerialPort::HardwareControl);
    } else {
        port_.setFlowControl(QSerialPort::NoFlowControl);
        port_.setRequestToSend(rts_);
    }
    port_.clearError();
}

bool QtSerialPort::set_rts_enable(bool on) {
    rts_ = on;
    if (port_.isOpen()) apply_modem_lines();
    return true;
}

bool QtSerialPort::set_handshaking(int mode) {
    handshaking_ = mode;
    if (port_.isOpen()) apply_modem_lines();
    return true;
}

bool QtSerialPort::set_port_open(bool open) {
    if (!open) {
        if (port_.isOpen()) port_.close();
        return true;
    }
    if (port_.isOpen() || number_ <= 0) return false;
    port_.setPortName(QString::fromStdString(port_device_path(number_)));
    if (!port_.open(QIODevice::ReadWrite)) return false;
    if (!apply_line()) {
        port_.close();
        return false;
    }
    apply_modem_lines();
    return true;
}

void QtSerialPort::set_rthreshold(int n) {
    rthreshold_ = n;
    schedule_notification();
}

bool QtSerialPort::failed() const {
    auto e = port_.error();
    return e == QSerialPort::ResourceError || e == QSerialPort::ReadError || e == QSerialPort::WriteError ||
           e == QSerialPort::PermissionError;
}

bool QtSerialPort::input(std::string& out) {
    out.clear();
    if (!port_.isOpen() || failed()) return false;
    qint64 n = input_len_ <= 0 ? port_.bytesAvailable() : std::min<qint64>(input_len_, port_.bytesAvailable());
    if (n <= 0) return true;
    QByteArray b = port_.read(n);
    if (b.size() < 0) return false;
    out.assign(b.constData(), static_cast<size_t>(b.size()));
    return true;
}

bool QtSerialPort::output(const std::string& data) {
    if (!port_.isOpen() || failed()) return false;
    qint64 n = port_.write(data.data(), static_cast<qint64>(data.size()));
    return n == static_cast<qint64>(data.size());
}

void QtSerialPort::schedule_notification() {
    if (notify_pending_ || rthreshold_ <= 0 || !port_.isOpen()) return;
    if (port_.bytesAvailable() < rthreshold_ && !failed()) return;
    notify_pending_ = true;
    auto alive = alive_;
    clock().post([this, alive]() {
        if (!*alive) return;
        notify_pending_ = false;
        if (!port_.isOpen() || rthreshold_ <= 0) return;
        if (on_receive) on_receive();
        if (*alive && !failed()) schedule_notification();
    });
}

}  // namespace platform
