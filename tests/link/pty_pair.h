#pragma once
// A pseudo-terminal for driving the real serial port: the link opens the slave side as a serial
// port, the coordinator's bytes are written into the master side. A second handle on the slave side
// sets raw mode and tells how much waits there unread.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <string>

struct PtyPair {
    PtyPair() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
        slave_path = ptsname(master);
        watch = ::open(slave_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        tcgetattr(watch, &t);
        cfmakeraw(&t);
        tcsetattr(watch, TCSANOW, &t);
    }
    ~PtyPair() {
        ::close(watch);
        ::close(master);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    int waiting_on_slave() const {
        int n = 0;
        ioctl(watch, FIONREAD, &n);
        return n;
    }
    // Writes what the pseudo-terminal takes now; how much that was.
    size_t send(const std::string& bytes) const {
        const ssize_t n = ::write(master, bytes.data(), bytes.size());
        return n < 0 ? 0 : static_cast<size_t>(n);
    }
    // Writes all of `bytes` and waits, at most 5 s, until the kernel has handed them to the slave side.
    bool deliver(const std::string& bytes) const {
        for (size_t at = 0; at < bytes.size();) at += send(bytes.substr(at));
        for (int waited_ms = 0; waiting_on_slave() < static_cast<int>(bytes.size()); ++waited_ms) {
            if (waited_ms == 5000) return false;
            pollfd p{watch, POLLIN, 0};
            poll(&p, 1, 1);
        }
        return true;
    }

    int master = -1;
    int watch = -1;
    std::string slave_path;
};
