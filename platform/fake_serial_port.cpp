#include "platform/fake_serial_port.h"

#include <algorithm>

#include "platform/clock.h"

namespace platform {

FakeSerialPort::FakeSerialPort(std::shared_ptr<FakeSerialLine> line) : line_(std::move(line)) {
    line_->port_ = this;
}

FakeSerialPort::~FakeSerialPort() {
    *alive_ = false;
    if (line_->port_ == this) line_->port_ = nullptr;
}

bool FakeSerialPort::set_port_open(bool open) {
    if (!open) {
        open_ = false;
        line_->input_.clear();
        return true;
    }
    if (open_) return false;  // already open: the component refuses a second open
    ++line_->open_attempts;
    const auto& ports = line_->existing_ports;
    bool exists = ports.empty() || std::find(ports.begin(), ports.end(), port_) != ports.end();
    if (line_->fail_open || line_->unplugged_ || port_ <= 0 || !exists) return false;
    open_ = true;
    line_->opened_port = port_;
    ++line_->open_count;
    return true;
}

bool FakeSerialPort::set_rts_enable(bool on) {
    if (line_->refuse_rts) return false;
    line_->rts = on;
    return true;
}

bool FakeSerialPort::set_handshaking(int mode) {
    if (line_->refuse_rts && mode != 0) return false;
    line_->handshaking = mode;
    return true;
}

void FakeSerialPort::set_rthreshold(int n) {
    rthreshold_ = n;
    schedule_notification();
}

bool FakeSerialPort::set_settings(const std::string& settings) {
    if (line_->refuse_settings) return false;
    line_->settings = settings;
    return true;
}

bool FakeSerialPort::input(std::string& out) {
    out.clear();
    if (!open_ || line_->fail_read || line_->unplugged_) return false;
    auto& in = line_->input_;
    size_t n = input_len_ <= 0 ? in.size() : std::min<size_t>(static_cast<size_t>(input_len_), in.size());
    out.assign(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(n));
    in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(n));
    return true;
}

bool FakeSerialPort::output(const std::string& data) {
    if (!open_ || line_->fail_write || line_->unplugged_) return false;
    line_->writes_.push_back(data);
    if (line_->on_host_write) line_->on_host_write(data);
    return true;
}

void FakeSerialPort::bytes_arrived() { schedule_notification(); }

void FakeSerialPort::schedule_notification() {
    if (notify_pending_ || rthreshold_ <= 0 || !open_) return;
    if (line_->input_.size() < static_cast<size_t>(rthreshold_) && !line_->fail_read) return;
    notify_pending_ = true;
    auto alive = alive_;
    clock().post([this, alive]() {
        if (!*alive) return;
        notify_pending_ = false;
        if (!open_ || rthreshold_ <= 0) return;
        if (on_receive) on_receive();
        if (*alive && !line_->fail_read) schedule_notification();
    });
}

void FakeSerialLine::send_to_host(const std::string& bytes) {
    if (!port_ || !port_->port_open() || unplugged_) return;  // nobody listening: the bytes are lost
    input_.insert(input_.end(), bytes.begin(), bytes.end());
    port_->bytes_arrived();
}

void FakeSerialLine::unplug() {
    unplugged_ = true;
    if (port_) port_->bytes_arrived();
}

void FakeSerialLine::replug() { unplugged_ = false; }

std::unique_ptr<SerialPort> FakeSerialLine::make_port() {
    return std::make_unique<FakeSerialPort>(shared_from_this());
}

}  // namespace platform
