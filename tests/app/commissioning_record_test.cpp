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

TEST_F(CommissioningRecordTest, names_come_back_as_typed_unless_they_would_run_as_a_formula) {
    const std::vector<std::pair<std::string, std::string>> names = {
        {"Pump, north", "Pump, north"}, {"Tank \"B\"", "Tank \"B\""}, {"two\r\nlines", "two\r\nlines"},
        {"bare\nfeed", "bare\nfeed"},   {"caf\xE9", "caf\xC3\xA9"},     {"", ""},
        {"=1+1", "'=1+1"},               {"+SUM(A1)", "'+SUM(A1)"},    {"-2", "'-2"},
        {"@A1", "'@A1"},                 {"\tcmd", "'\tcmd"},          {"\r=1", "'\r=1"},
        {"a=b", "a=b"},                  {" =1", " =1"}};
    for (size_t k = 0; k < names.size(); ++k) Device(static_cast<int>(k) + 1, names[k].first);
    DeviceRecord& reported = Device(20, "Valve");
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
    for (size_t k = 0; k < names.size(); ++k) EXPECT_EQ(rows[k + 1][3], names[k].second) << k;
    EXPECT_EQ(rows.back(), (std::vector<std::string>{"20", "00:13:A2:00:40:5A:10:020", "0x1A220", "Valve", "Router",
                                                     "yes", "online", "200", "3.30", "21.5", "0xA5",
                                                     "00:13:A2:00:40:5A:C0:01", "0x1A2B", "15", "2026-12-08T06:30:05"}));
    // Not reported yet: no battery, temperature or inputs rather than zeros.
    EXPECT_EQ(std::vector<std::string>(rows[1].begin() + 5, rows[1].begin() + 11),
              (std::vector<std::string>{"no", "no answer", "0", "", "", ""}));
}

TEST_F(CommissioningRecordTest, hexadecimal_values_get_0x_and_other_stored_texts_are_texts) {
    struct Case {
        std::string mac, short_id, inputs, type_text;
        std::vector<std::string> exported;  // MAC, short address, type, inputs
    };
    const std::vector<Case> cases = {
        {"00:12:34:56:00:00:00:01", "4E94", "60", "Router", {"00:12:34:56:00:00:00:01", "0x4E94", "Router", "0x60"}},
        {"00:13:A2:00:40:5A:10:02", "0060", "C0", "End Device", {"00:13:A2:00:40:5A:10:02", "0x0060", "End Device", "0xC0"}},
        {"00:13:A2:00:40:5A:10:03", "", "1e10", "", {"00:13:A2:00:40:5A:10:03", "", "7", "0x1e10"}},
        // What a hand-edited network file may hold.
        {"=HYPERLINK(\"http://x\";\"y\")", "=1+1", "-1", "@cmd", {"'=HYPERLINK(\"http://x\";\"y\")", "'=1+1", "'@cmd", "'-1"}},
        {"+00:13:A2:00:40:5A:10:05", "12 4", "", "-", {"'+00:13:A2:00:40:5A:10:05", "12 4", "'-", ""}},
    };
    for (size_t k = 0; k < cases.size(); ++k) {
        DeviceRecord& d = Device(static_cast<int>(k) + 1, "n");
        d.ID64Long = cases[k].mac;
        d.ID16Short = cases[k].short_id;
        d.devInputs = cases[k].inputs;
        d.DeviceTypeSTR = cases[k].type_text;
    }
    g().PanInfo = "1E10";
    g().CoordMac = "=2+2";
    const Table rows = ParseCsv(CommissioningRecord(at).substr(3));
    ASSERT_EQ(rows.size(), cases.size() + 1);
    for (size_t k = 0; k < cases.size(); ++k) {
        const auto& r = rows[k + 1];
        EXPECT_EQ((std::vector<std::string>{r[1], r[2], r[4], r[10]}), cases[k].exported) << k;
        EXPECT_EQ(r[11] + " " + r[12], "'=2+2 0x1E10") << k;
    }
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
