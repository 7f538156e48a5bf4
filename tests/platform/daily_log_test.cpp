#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimeZone>

#include "platform/daily_log.h"
#include "tests/profile/temp_folder.h"

using platform::DailyLog;

namespace {

class DailyLogTest : public ::testing::Test {
protected:
    QDateTime at(const char* iso) const { return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate); }
    DailyLog::Now clock() {
        return [this] { return now; };
    }
    int64_t total_size() const {
        int64_t total = 0;
        for (const std::string& name : folder.entries()) total += static_cast<int64_t>(read_file(folder / name).size());
        return total;
    }

    TempFolder folder;
    QDateTime now;
};

}  // namespace

TEST_F(DailyLogTest, lines_written_across_midnight_go_to_the_file_of_their_day) {
    DailyLog log(folder.path(), DailyLog::kDefaultBound, clock());
    now = at("2026-12-07T23:59:59.900");
    log.write("TX: CMD:0E:1A2B;");
    now = at("2026-12-08T00:00:00.100");
    log.write("RX: 0E-1A-2B\r\nsecond\rthird");
    EXPECT_EQ(read_file(folder / "Dalmiro-2026-12-07.log"), "2026-12-07 23:59:59--> TX: CMD:0E:1A2B;\n");
    EXPECT_EQ(read_file(folder / "Dalmiro-2026-12-08.log"), "2026-12-08 00:00:00--> RX: 0E-1A-2B\\r\\nsecond\\rthird\n");

    // A later run of the program on the same day goes on in the same file.
    DailyLog again(folder.path(), DailyLog::kDefaultBound, clock());
    again.write("Coordinator Ready");
    EXPECT_EQ(read_file(folder / "Dalmiro-2026-12-08.log"),
              "2026-12-08 00:00:00--> RX: 0E-1A-2B\\r\\nsecond\\rthird\n2026-12-08 00:00:00--> Coordinator Ready\n");
}

TEST_F(DailyLogTest, the_files_stay_within_the_bound_and_the_oldest_lines_go_first) {
    constexpr int64_t kBound = 4000;
    // Something else in the folder is neither counted nor removed.
    write_file(folder / "notes.txt", "keep");
    const int64_t foreign = 4;
    now = at("2026-12-05T08:00:00");
    std::vector<std::string> written;
    for (int day = 0; day < 3; ++day) {
        DailyLog log(folder.path(), kBound, clock());
        for (int i = 0; i < 120; ++i) {
            const std::string text = "line " + std::to_string(day) + "-" + std::to_string(i);
            log.write(text);
            written.push_back(text);
            ASSERT_LE(total_size() - foreign, kBound) << text;
            now = now.addSecs(60);
        }
        now = now.addDays(1);
    }
    EXPECT_TRUE(file_exists(folder / "notes.txt"));
    // What is kept, in the order the names sort, is an unbroken run of the newest lines.
    std::string kept;
    for (const std::string& name : folder.entries())
        if (name != "notes.txt") kept += read_file(folder / name);
    std::vector<std::string> kept_texts;
    for (size_t start = 0; start < kept.size();) {
        const size_t end = kept.find('\n', start);
        kept_texts.push_back(kept.substr(start + 23, end - start - 23));
        start = end + 1;
    }
    ASSERT_GT(kept_texts.size(), 10u);
    EXPECT_LT(kept_texts.size(), written.size());
    EXPECT_TRUE(std::equal(kept_texts.begin(), kept_texts.end(), written.end() - static_cast<long>(kept_texts.size())));
    EXPECT_TRUE(file_exists(folder / "Dalmiro-2026-12-07_002.log"));
}
