#pragma once
// The log kept on disk: every line, stamped with date and time, goes at once to the file of its day
// (Dalmiro-YYYY-MM-DD.log, then Dalmiro-YYYY-MM-DD_002.log... once a file reaches its share of the
// bound, so that the names sort as the lines were written). The files together never exceed the bound: the oldest go first.
#include <QDateTime>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "platform/local_time.h"

namespace platform {

class DailyLog {
public:
    using Now = std::function<QDateTime()>;
    static constexpr int64_t kDefaultBound = 50ll * 1024 * 1024;
    // A file holds at most this share of the bound, so that removing whole files keeps the total.
    static constexpr int kFilesPerBound = 10;

    explicit DailyLog(std::string folder, int64_t bound = kDefaultBound, Now now = &LocalNow);
    ~DailyLog();
    DailyLog(const DailyLog&) = delete;
    DailyLog& operator=(const DailyLog&) = delete;

    // Writes "YYYY-MM-DD HH:MM:SS--> text"; line ends inside the text are written as \r and \n so
    // that one line stays one line. A folder that cannot be written loses the line silently.
    void write(const std::string& text);
    const std::string& folder() const { return folder_; }

private:
    bool open_for(const QDate& day);
    void remove_oldest();

    std::string folder_;
    int64_t bound_;
    int64_t file_cap_;
    Now now_;
    FILE* file_ = nullptr;
    QDate day_;
    int part_ = 1;
    int64_t file_size_ = 0;
};

// The program's log file; none until the program installs one (tests run without).
DailyLog* daily_log();
void set_daily_log(DailyLog* log);

}  // namespace platform
