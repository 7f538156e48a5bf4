#pragma once
// Records what crosses the serial line: every write and every read with its time in microseconds,
// and the port's openings with their settings, into a text file (docs/serial-recording.md). Each line
// goes to the file as it happens, so a killed program loses nothing it had written. The file is
// bounded: at its size limit the recording stops by itself and says so.
//
// The recorder outlives the ports it hears from: a re-opened or newly made port reports to the same
// recorder, and a recording started while the port is open begins with that port's settings.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/serial_port.h"
#include "platform/serial_recording_file.h"

namespace platform {

class SerialRecorder {
public:
    static constexpr uint64_t kBytesPerMB = 1000 * 1000;
    static constexpr uint64_t kDefaultLimitMB = 100;
    static constexpr uint64_t kMaxLimitMB = 1000 * 1000;

    // `program`: the name and version written into every recording ("Dalmiro 1.2.0").
    explicit SerialRecorder(std::string program);
    ~SerialRecorder();
    SerialRecorder(const SerialRecorder&) = delete;
    SerialRecorder& operator=(const SerialRecorder&) = delete;

    // Starts a new recording into `path` (replacing the file), ending one that runs. False with the
    // system's reason when the file cannot be created.
    bool start(const std::string& path, uint64_t limit_mb, std::string& error);
    // Ends the recording with its stop line; nothing when none runs.
    void stop();
    bool active() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    uint64_t limit_mb() const { return limit_mb_; }

    // Told, in a sentence naming the file, when the recording ended by itself: the size limit was
    // reached, or the file could not be written any more.
    std::function<void(const std::string& why)> on_stopped;

    // What the port did; the recording port below reports here.
    void opened(const std::string& settings);
    void closed();
    void sent(const std::string& bytes);
    void received(const std::string& bytes);
    void failed(const std::string& what);

private:
    // `payload`: the bytes of a read or write, the text of the other events.
    void event(recording::Event::Kind kind, const std::string& payload);
    bool append(const std::string& text);
    void end(const std::string& reason);

    std::string program_;
    std::string path_;
    int fd_ = -1;
    uint64_t limit_mb_ = kDefaultLimitMB;
    uint64_t limit_bytes_ = 0;
    uint64_t written_ = 0;
    uint64_t start_us_ = 0;
    bool port_open_ = false;
    std::string settings_;  // of the port as last opened
    std::string line_;      // kept for its capacity
};

// A serial port that forwards everything to the real one and tells the recorder what went over the
// line. The link above cannot tell it from the real port.
class RecordingSerialPort : public SerialPort {
public:
    RecordingSerialPort(std::unique_ptr<SerialPort> inner, std::shared_ptr<SerialRecorder> recorder);
    ~RecordingSerialPort() override;

    bool port_open() const override { return inner_->port_open(); }
    bool set_port_open(bool open) override;
    void set_comm_port(int16_t port) override;
    int16_t comm_port() const override { return inner_->comm_port(); }
    bool set_rts_enable(bool on) override;
    bool set_handshaking(int mode) override;
    void set_rthreshold(int n) override { inner_->set_rthreshold(n); }
    void set_input_len(int n) override { inner_->set_input_len(n); }
    bool set_settings(const std::string& settings) override;
    bool input(std::string& out) override;
    bool output(const std::string& data) override;

private:
    std::string settings_text() const;

    std::unique_ptr<SerialPort> inner_;
    std::shared_ptr<SerialRecorder> recorder_;
    std::string line_settings_;
    int handshaking_ = 0;
    bool rts_ = false;
};

// `--record FILE [--record-limit MB]` on a command line.
struct RecordRequest {
    std::string path;       // empty: no recording asked for
    uint64_t limit_mb = 0;  // 0: not given
};
// Removes the recording options from `args`. False with `error` for a missing file, a limit that is
// not a whole number of MB from 1 to the largest allowed, an option given twice, or a limit without
// a file.
bool take_record_options(std::vector<std::string>& args, RecordRequest& request, std::string& error);
// A size limit as typed: whole MB, 1 to the largest allowed; 0 for anything else.
uint64_t parse_limit_mb(const std::string& text);

// Every serial port made on the calling thread from now on reports to `recorder` (nullptr: none do).
void set_serial_recorder(std::shared_ptr<SerialRecorder> recorder);
std::shared_ptr<SerialRecorder> serial_recorder();

}  // namespace platform
