#include "platform/local_time.h"

#include <cstdio>

namespace platform {

namespace {

qint64 MinuteOf(qint64 utc_ms) {
    const qint64 m = utc_ms / 60000;
    return utc_ms % 60000 < 0 ? m - 1 : m;
}

}  // namespace

LocalTimeCache::LocalTimeCache(OffsetAt offset_at) : offset_at_(std::move(offset_at)) {}

QDateTime LocalTimeCache::At(qint64 utc_ms) {
    const qint64 minute = MinuteOf(utc_ms);
    if (!known_ || minute != minute_) {
        offset_s_ = offset_at_(utc_ms);
        minute_ = minute;
        known_ = true;
    }
    return QDateTime::fromMSecsSinceEpoch(utc_ms, Qt::OffsetFromUTC, offset_s_);
}

QDateTime LocalNow() {
    static LocalTimeCache cache([](qint64 utc_ms) { return QDateTime::fromMSecsSinceEpoch(utc_ms).offsetFromUtc(); });
    return cache.At(QDateTime::currentMSecsSinceEpoch());
}

QString TimeStamp(const QDateTime& t) {
    const QTime time = t.time();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", time.hour(), time.minute(), time.second());
    return QString::fromLatin1(buf);
}

QString DateTimeStamp(const QDateTime& t) {
    const QDate d = t.date();
    char buf[24];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d ", d.year(), d.month(), d.day());
    return QString::fromLatin1(buf) + TimeStamp(t);
}

}  // namespace platform
