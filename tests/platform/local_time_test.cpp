#include <gtest/gtest.h>

#include <QDateTime>

#include "platform/local_time.h"

using platform::LocalTimeCache;

TEST(LocalTime, the_offset_is_looked_up_once_a_minute_and_a_change_shows_from_its_minute_on) {
    // A zone that moves from UTC+1 to UTC+2 at 01:00 UTC, as a summer-time change does.
    const qint64 change = QDateTime(QDate(2026, 3, 29), QTime(1, 0), Qt::UTC).toMSecsSinceEpoch();
    int lookups = 0;
    LocalTimeCache cache([&](qint64 utc_ms) {
        ++lookups;
        return utc_ms < change ? 3600 : 7200;
    });
    struct Case {
        qint64 at;
        const char* shows;
        int lookups;
    } cases[] = {
        {change - 30000, "2026-03-29 01:59:30", 1},
        {change - 1, "2026-03-29 01:59:59", 1},  // the same minute: no new look-up
        {change, "2026-03-29 03:00:00", 2},
        {change + 59999, "2026-03-29 03:00:59", 2},
        {change - 1, "2026-03-29 01:59:59", 3},  // a clock set back is looked up again
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::DateTimeStamp(cache.At(c.at)).toStdString(), c.shows) << c.at - change;
        EXPECT_EQ(lookups, c.lookups) << c.at - change;
    }
}

TEST(LocalTime, now_and_its_stamps_agree_with_qt) {
    const QDateTime before = QDateTime::currentDateTime();
    const QDateTime now = platform::LocalNow();
    const QDateTime after = QDateTime::currentDateTime();
    // The wall time as Qt shows it, compared as text so that the offset's representation is moot.
    const auto wall = [](const QDateTime& t) { return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")); };
    EXPECT_GE(wall(now), wall(before));
    EXPECT_LE(wall(now), wall(after));
    for (const QDateTime& t : {now, QDateTime(QDate(999, 1, 2), QTime(3, 4, 5)), QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59))}) {
        EXPECT_EQ(platform::DateTimeStamp(t), t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        EXPECT_EQ(platform::TimeStamp(t), t.toString(QStringLiteral("HH:mm:ss")));
    }
}
