#pragma once
// The simulator's end of a pseudo-terminal: the program opens the slave side as if it were the
// coordinator's serial port, and the simulator reads and writes the master side.
#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;

namespace zbsim {

class PtyLink {
public:
    PtyLink() = default;
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    // Creates the pseudo-terminal in raw mode and starts reading it on the Qt event loop.
    bool open(std::string& error);
    const std::string& slave_path() const { return slave_path_; }

    // Bytes the program wrote.
    std::function<void(const std::string&)> on_bytes;
    // Problems worth a line in the log (bytes lost while nobody reads the port).
    std::function<void(const std::string&)> on_problem;

    void write(const std::string& bytes);

private:
    void read_available();

    int master_ = -1;
    // Held open so that the master keeps working while the program closes and reopens the port;
    // with no slave open at all, reads on the master fail until one is opened again.
    int slave_ = -1;
    std::string slave_path_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

// Makes `link` a symbolic link to `target`, replacing an earlier symbolic link but never a file.
bool make_symlink(const std::string& link, const std::string& target, std::string& error);
// Removes `link` if it still points to `target`.
void remove_symlink(const std::string& link, const std::string& target);

}  // namespace zbsim
