#include <gtest/gtest.h>

#include <QDir>
#include <filesystem>
#include <fstream>

#include "app/core/commissioning_record.h"
#include "app/core/mod_main.h"
#include "app/main_window/main_menu.h"
#include "tests/app/app_fixture.h"
#include "tests/profile/temp_folder.h"

using namespace modMain;

namespace {

using Table = std::vector<std::vector<std::string>>;

// An RFC 4180 reader, as a spreadsheet reads the file: quoted fields may hold commas, doubled quotes
// and line ends; records end in CRLF.
Table ParseCsv(const std::string& text) {
    Table rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::string& field = rows.back().back();
        if (quoted) {
            if (c != '"') field += c;
            else if (i + 1 < text.size() && text[i + 1] == '"') field += text[++i];
            else quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().emplace_back();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            rows.emplace_back(1);
        } else {
            field += c;
        }
    }
    rows.pop_back();  // after the last CRLF
    return rows;
}

class CommissioningRecordTest : public AppTest {
protected:
    CommissioningRecordTest() {
        State& s = g();
        s.CoordMac = "00:13:A2:00:40:5A:C0:01";
        s.PanInfo = "1A2B";
        s.RFCh = 15;
    }
    DeviceRecord& Device(int slot, const std::string& name) {
        DeviceRecord& d = g().Devices[slot];
        d.ID64Long = "00:13:A2:00:40:5A:10:0" + std::to_string(slot);
        d.ID16Short = "1A2" + std::to_string(slot);
        d.DeviceName = name;
        d.DeviceType = 7;
        d.DeviceTypeSTR = "Router";
        return d;
    }
    const QDateTime at = QDateTime(QDate(2026, 12, 8), QTime(6, 30, 5));
    TempFolder folder;
};

}  // namespace

TEST_F(CommissioningRecordTest, names_with_commas_quotes_and_line_ends_come_back_unchanged) {
    const std::vector<std::string> names = {"Pump, north", "Tank \"B\"", "two\r\nlines", "bare\nfeed",
                                            "caf\xE9",    "",          "plain"};
    for (size_t k = 0; k < names.size(); ++k) Device(static_cast<int>(k) + 1, names[k]);
    DeviceRecord& reported = Device(9, "Valve");
    reported.devInputs = "A5";
    reported.devVBatt = 3.3f;
    reported.devTemp = 21.5f;
    reported.devStatus = 1;
    reported.DeviceLQI = 200;
    reported.stsEnableKeepAlive = 1;

    const std::string text = CommissioningRecord(at);
    ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    const Table rows = ParseCsv(text.substr(3));
    ASSERT_EQ(rows.size(), names.size() + 2);
    for (const auto& r : rows) EXPECT_EQ(r.size(), 15u);
    EXPECT_EQ(rows[0][3], "Name");
    for (size_t k = 0; k < names.size(); ++k)
        EXPECT_EQ(rows[k + 1][3], k == 4 ? "caf\xC3\xA9" : names[k]) << k;  // UTF-8 in the file
    EXPECT_EQ(rows.back(), (std::vector<std::string>{"9", "00:13:A2:00:40:5A:10:09", "1A29", "Valve", "Router", "yes",
                                                     "online", "200", "3.30", "21.5", "A5", "00:13:A2:00:40:5A:C0:01",
                                                     "1A2B", "15", "2026-12-08T06:30:05"}));
    // Not reported yet: no battery, temperature or inputs rather than zeros.
    EXPECT_EQ(std::vector<std::string>(rows[1].begin() + 5, rows[1].begin() + 11),
              (std::vector<std::string>{"no", "no answer", "0", "", "", ""}));
}

TEST_F(CommissioningRecordTest, the_export_entry_writes_where_the_operator_chose_and_cancel_writes_nothing) {
    Device(1, "Pump");
    const std::string chosen = folder / "record.csv";
    dialogs.answers = {chosen, ""};
    ExportRecordMenu(at);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].def, QDir::homePath().toStdString() + "/Dalmiro-0013A200405AC001-20261208-0630.csv");
    EXPECT_EQ(read_file(chosen), CommissioningRecord(at));
    ExportRecordMenu(at);
    EXPECT_EQ(folder.entries(), std::set<std::string>{"record.csv"});

    dialogs.answers = {folder / "missing/record.csv"};
    ExportRecordMenu(at);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "The commissioning record could not be written to " + folder / "missing/record.csv");
}
