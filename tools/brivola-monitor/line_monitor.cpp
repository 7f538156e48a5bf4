#include "tools/brivola-monitor/line_monitor.h"

#include <QCoreApplication>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

#include "link/link_state.h"
#include "tools/brivola-monitor/monitor_lines.h"

namespace {

constexpr int kListenAfterMs = 1000;
constexpr int kFailed = 1;

// Lines may carry any byte, NUL included; each goes out at once so a pipe reader sees it live.
void print_line(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace

int LineMonitor::run(int16_t port) {
    net_.set_events(this);
    net_.CommPort(port);
    if (failed_) return kFailed;
    net_.StartOPERATIONS();
    if (failed_) return kFailed;
    stdin_ = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(stdin_.get(), &QSocketNotifier::activated, [this] { read_stdin(); });
    return QCoreApplication::exec();
}

void LineMonitor::read_stdin() {
    char buf[4096];
    const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n <= 0) {
        stdin_->setEnabled(false);
        input_ended_ = true;
        if (!partial_.empty()) backlog_.push_back(std::move(partial_));
        partial_.clear();
    } else {
        monitor::take_lines(partial_, std::string_view(buf, static_cast<size_t>(n)), backlog_);
    }
    feed();
    finish_when_drained();
}

void LineMonitor::feed() {
    const auto& tx = brivola::link_state().TxQueue;
    while (!backlog_.empty() && !tx.full()) {
        net_.SendDirectToCoordinator(backlog_.front());
        backlog_.pop_front();
    }
}

void LineMonitor::finish_when_drained() {
    if (!input_ended_ || finishing_ || !backlog_.empty() || !brivola::link_state().TxQueue.empty()) return;
    finishing_ = true;
    QTimer::singleShot(kListenAfterMs, [] { QCoreApplication::exit(0); });
}

void LineMonitor::StringReceived(const std::string& recString) { print_line(monitor::rx_line(recString)); }

void LineMonitor::StringSent(const std::string& sndString) {
    print_line(monitor::tx_line(sndString));
    feed();
    finish_when_drained();
}

// The link is no use once it failed: the run ends with a failure status.
void LineMonitor::ErrorDetected(int16_t errCode) {
    print_line(monitor::err_line(errCode));
    failed_ = true;
    QCoreApplication::exit(kFailed);
}

void LineMonitor::DataReceived(const std::string& recDataAddr, const std::string& recData) {
    print_line(monitor::data_line(recDataAddr, recData));
}
