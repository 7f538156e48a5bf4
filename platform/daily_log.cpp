#include "platform/daily_log.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <vector>

namespace platform {

namespace {

thread_local DailyLog* installed = nullptr;

QString file_name(const QDate& day, int part) {
    return QStringLiteral("Dalmiro-") + day.toString(Qt::ISODate) +
           (part > 1 ? QStringLiteral("_%1").arg(part, 3, 10, QLatin1Char('0')) : QString()) + QStringLiteral(".log");
}

struct LogFileEntry {
    QDate day;
    int part;
    QString path;
    int64_t size;
};

// The log files in the folder, oldest first.
std::vector<LogFileEntry> log_files(const QString& folder) {
    const QRegularExpression pattern(QStringLiteral("^Dalmiro-(\\d{4}-\\d{2}-\\d{2})(?:_(\\d{3,6}))?\\.log$"));
    std::vector<LogFileEntry> files;
    for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files)) {
        const auto m = pattern.match(f.fileName());
        if (!m.hasMatch()) continue;
        const QDate day = QDate::fromString(m.captured(1), Qt::ISODate);
        if (!day.isValid()) continue;
        const int part = m.captured(2).isEmpty() ? 1 : m.captured(2).toInt();
        files.push_back({day, part, f.absoluteFilePath(), f.size()});
    }
    std::sort(files.begin(), files.end(), [](const LogFileEntry& a, const LogFileEntry& b) {
        return a.day != b.day ? a.day < b.day : a.part < b.part;
    });
    return files;
}

std::string one_line(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

}  // namespace

DailyLog::DailyLog(std::string folder, int64_t bound, Now now)
    : folder_(std::move(folder)), bound_(bound), file_cap_(std::max<int64_t>(bound / kFilesPerBound, 1)),
      now_(std::move(now)) {}

DailyLog::~DailyLog() {
    if (file_) std::fclose(file_);
}

bool DailyLog::open_for(const QDate& day) {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    const QString folder = QString::fromStdString(folder_);
    if (!QDir().mkpath(folder)) return false;
    if (day != day_) {
        day_ = day;
        part_ = 1;
        // After a restart the day goes on in its last part.
        for (const LogFileEntry& f : log_files(folder))
            if (f.day == day) part_ = std::max(part_, f.part);
    }
    file_size_ = QFileInfo(folder + QLatin1Char('/') + file_name(day_, part_)).size();
    if (file_size_ >= file_cap_) {
        ++part_;
        file_size_ = 0;
    }
    remove_oldest();
    file_ = std::fopen((folder_ + "/" + file_name(day_, part_).toStdString()).c_str(), "ab");
    return file_ != nullptr;
}

// Makes room for a whole file beside the ones kept, the newest kept first.
void DailyLog::remove_oldest() {
    std::vector<LogFileEntry> files = log_files(QString::fromStdString(folder_));
    const QString current = QDir(QString::fromStdString(folder_)).absoluteFilePath(file_name(day_, part_));
    int64_t total = file_cap_ - file_size_;
    for (const LogFileEntry& f : files) total += f.size;
    for (const LogFileEntry& f : files) {
        if (total <= bound_) break;
        if (f.path == current) continue;
        if (QFile::remove(f.path)) total -= f.size;
    }
}

void DailyLog::write(const std::string& text) {
    const QDateTime now = now_();
    if (!file_ || now.date() != day_) {
        if (!open_for(now.date())) return;
    }
    const std::string line =
        DateTimeStamp(now).toStdString() + "--> " + one_line(text) + "\n";
    if (file_size_ > 0 && file_size_ + static_cast<int64_t>(line.size()) > file_cap_) {
        ++part_;
        file_size_ = 0;
        if (!open_for(day_)) return;
    }
    if (std::fwrite(line.data(), 1, line.size(), file_) == line.size()) file_size_ += static_cast<int64_t>(line.size());
    std::fflush(file_);
}

DailyLog* daily_log() { return installed; }
void set_daily_log(DailyLog* log) { installed = log; }

}  // namespace platform
