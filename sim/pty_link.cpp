#include "sim/pty_link.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace zbsim {

PtyLink::~PtyLink() {
    notifier_.reset();
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
}

bool PtyLink::open(std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char* name = ptsname(master_);
    if (!name) {
        error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    slave_path_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY);
    termios t{};
    if (slave_ < 0 || tcgetattr(slave_, &t) != 0) {
        error = "cannot open " + slave_path_ + ": " + std::strerror(errno);
        return false;
    }
    // Raw bytes both ways: no echo, no line editing, no CR/LF translation.
    cfmakeraw(&t);
    cfsetispeed(&t, B38400);
    cfsetospeed(&t, B38400);
    if (tcsetattr(slave_, TCSANOW, &t) != 0) {
        error = std::string("cannot set raw mode: ") + std::strerror(errno);
        return false;
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { read_available(); });
    return true;
}

void PtyLink::read_available() {
    char buf[512];
    for (;;) {
        ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) {
            if (on_bytes) on_bytes(std::string(buf, static_cast<size_t>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return;
        // Should not happen while our own slave descriptor is open; stop listening rather than spin.
        if (on_problem) on_problem(std::string("reading the pseudo-terminal failed: ") + std::strerror(errno));
        notifier_->setEnabled(false);
        return;
    }
}

void PtyLink::write(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            // Nobody is reading and the terminal's buffer is full: like a serial line with no one
            // listening, the bytes are lost.
            if (on_problem) on_problem("port not read, " + std::to_string(bytes.size() - done) + " bytes lost");
            return;
        }
    }
}

bool make_symlink(const std::string& link, const std::string& target, std::string& error) {
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = link + " exists and is not a symbolic link; not replacing it";
            return false;
        }
        ::unlink(link.c_str());
    }
    if (::symlink(target.c_str(), link.c_str()) != 0) {
        error = "cannot create " + link + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void remove_symlink(const std::string& link, const std::string& target) {
    char buf[4096];
    ssize_t n = readlink(link.c_str(), buf, sizeof buf - 1);
    if (n < 0) return;
    if (std::string(buf, static_cast<size_t>(n)) == target) ::unlink(link.c_str());
}

}  // namespace zbsim
