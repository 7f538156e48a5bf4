#include "platform/serial_recorder.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <string_view>
#include <fcntl.h>
#include <unistd.h>

#include "platform/clock.h"
#include "platform/serial_recording_file.h"

namespace platform {

namespace {

using Kind = recording::Event::Kind;

// The stop line always fits below the limit.
constexpr uint64_t kStopLineRoom = 64;

thread_local std::shared_ptr<SerialRecorder> installed;

std::string utc_now() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(now);
    const auto micro = duration_cast<microseconds>(now.time_since_epoch()).count() % 1000000;
    std::tm tm{};
    gmtime_r(&secs, &tm);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &tm);
    char frac[16];
    std::snprintf(frac, sizeof frac, ".%06lldZ", static_cast<long long>(micro));
    return std::string(text) + frac;
}

}  // namespace

SerialRecorder::SerialRecorder(std::string program) : program_(std::move(program)) {}

SerialRecorder::~SerialRecorder() { stop(); }

bool SerialRecorder::start(const std::string& path, uint64_t limit_mb, std::string& error) {
    stop();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    fd_ = fd;
    path_ = path;
    limit_mb_ = limit_mb;
    limit_bytes_ = limit_mb * kBytesPerMB;
    written_ = 0;
    start_us_ = clock().now_us();
    if (!append(recording::header_lines(program_, utc_now()))) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    if (port_open_) event(Kind::Open, settings_);
    return active();
}

void SerialRecorder::stop() { end("end"); }

void SerialRecorder::end(const std::string& reason) {
    if (fd_ < 0) return;
    line_.clear();
    recording::append_event_line(line_, clock().now_us() - start_us_, Kind::Stop, reason);
    line_ += '\n';
    append(line_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool SerialRecorder::append(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const std::string why = std::strerror(errno);
            ::close(fd_);
            fd_ = -1;
            if (on_stopped) on_stopped("Serial recording stopped: " + path_ + " could not be written (" + why + ")");
            return false;
        }
        done += static_cast<size_t>(n);
    }
    written_ += text.size();
    return true;
}

void SerialRecorder::event(Kind k, const std::string& payload) {
    if (fd_ < 0) return;
    const bool on_line = k == Kind::Sent || k == Kind::Received;
    const uint64_t at = clock().now_us() - start_us_;
    size_t from = 0;
    do {
        line_.clear();
        const std::string_view piece =
            on_line ? std::string_view(payload).substr(from, recording::kMaxBytesPerLine) : std::string_view(payload);
        recording::append_event_line(line_, at, k, piece);
        line_ += '\n';
        if (written_ + line_.size() + kStopLineRoom > limit_bytes_) {
            end("size-limit");
            if (on_stopped)
                on_stopped("Serial recording stopped at its size limit of " + std::to_string(limit_mb_) +
                           " MB: " + path_);
            return;
        }
        if (!append(line_)) return;
        from += piece.size();
    } while (on_line && from < payload.size());
}

void SerialRecorder::opened(const std::string& settings) {
    port_open_ = true;
    settings_ = settings;
    event(Kind::Open, settings);
}

void SerialRecorder::closed() {
    if (!port_open_) return;
    port_open_ = false;
    event(Kind::Close, {});
}

void SerialRecorder::sent(const std::string& bytes) { event(Kind::Sent, bytes); }
void SerialRecorder::received(const std::string& bytes) { event(Kind::Received, bytes); }
void SerialRecorder::failed(const std::string& what) { event(Kind::Failed, what); }

RecordingSerialPort::RecordingSerialPort(std::unique_ptr<SerialPort> inner, std::shared_ptr<SerialRecorder> recorder)
    : inner_(std::move(inner)), recorder_(std::move(recorder)) {
    inner_->on_receive = [this] {
        if (on_receive) on_receive();
    };
}

RecordingSerialPort::~RecordingSerialPort() {
    inner_->on_receive = nullptr;
    if (inner_->port_open()) recorder_->closed();
}

std::string RecordingSerialPort::settings_text() const {
    return "port=" + std::to_string(inner_->comm_port()) + " line=" + line_settings_ +
           " handshaking=" + std::to_string(handshaking_) + " rts=" + (rts_ ? "1" : "0");
}

bool RecordingSerialPort::set_port_open(bool open) {
    const bool was_open = inner_->port_open();
    const bool ok = inner_->set_port_open(open);
    if (open && ok && !was_open) recorder_->opened(settings_text());
    if (open && !ok) recorder_->failed("open " + settings_text());
    if (!open && was_open) recorder_->closed();
    return ok;
}

void RecordingSerialPort::set_comm_port(int16_t port) { inner_->set_comm_port(port); }

bool RecordingSerialPort::set_rts_enable(bool on) {
    rts_ = on;
    return inner_->set_rts_enable(on);
}

bool RecordingSerialPort::set_handshaking(int mode) {
    handshaking_ = mode;
    return inner_->set_handshaking(mode);
}

bool RecordingSerialPort::set_settings(const std::string& settings) {
    const bool ok = inner_->set_settings(settings);
    if (ok) line_settings_ = settings;
    return ok;
}

bool RecordingSerialPort::input(std::string& out) {
    const bool ok = inner_->input(out);
    if (!ok) recorder_->failed("read");
    else if (!out.empty()) recorder_->received(out);
    return ok;
}

bool RecordingSerialPort::output(const std::string& data) {
    const bool ok = inner_->output(data);
    if (ok) recorder_->sent(data);
    else recorder_->failed("write");
    return ok;
}

uint64_t parse_limit_mb(const std::string& text) {
    if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
    const uint64_t mb = std::stoull(text);
    return mb <= SerialRecorder::kMaxLimitMB ? mb : 0;
}

bool take_record_options(std::vector<std::string>& args, RecordRequest& request, std::string& error) {
    std::vector<std::string> rest;
    bool have_path = false;
    bool have_limit = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a != "--record" && a != "--record-limit") {
            rest.push_back(a);
            continue;
        }
        bool& seen = a == "--record" ? have_path : have_limit;
        if (seen) {
            error = a + " is given twice";
            return false;
        }
        seen = true;
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            error = a + (a == "--record" ? " needs a file" : " needs a size in MB");
            return false;
        }
        const std::string& value = args[++i];
        if (a == "--record") {
            request.path = value;
        } else if ((request.limit_mb = parse_limit_mb(value)) == 0) {
            error = "--record-limit needs a whole number of MB from 1 to " + std::to_string(SerialRecorder::kMaxLimitMB);
            return false;
        }
    }
    if (have_limit && !have_path) {
        error = "--record-limit goes with --record";
        return false;
    }
    args = std::move(rest);
    return true;
}

void set_serial_recorder(std::shared_ptr<SerialRecorder> recorder) { installed = std::move(recorder); }

std::shared_ptr<SerialRecorder> serial_recorder() { return installed; }

}  // namespace platform
