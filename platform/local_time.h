#pragma once
// The wall clock in local time, for stamping log lines. QDateTime::currentDateTime() asks the C
// library for the time zone afresh on every call (a file look-up, then the conversion), and a busy
// log asks a dozen times a second. A zone's offset from UTC changes only on a minute boundary, so it
// is looked up once a minute and the rest is arithmetic.
#include <QDateTime>
#include <functional>

namespace platform {

class LocalTimeCache {
public:
    // The zone's offset from UTC, in seconds, at a moment in milliseconds since the epoch.
    using OffsetAt = std::function<int(qint64 utc_ms)>;
    explicit LocalTimeCache(OffsetAt offset_at);

    QDateTime At(qint64 utc_ms);

private:
    OffsetAt offset_at_;
    qint64 minute_ = 0;
    bool known_ = false;
    int offset_s_ = 0;
};

// Now, in local time.
QDateTime LocalNow();

// "HH:mm:ss" and "yyyy-MM-dd HH:mm:ss", written without going through the locale machinery.
QString TimeStamp(const QDateTime& t);
QString DateTimeStamp(const QDateTime& t);

}  // namespace platform
