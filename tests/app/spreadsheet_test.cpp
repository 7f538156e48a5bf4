// The commissioning record opened by a real spreadsheet program: LibreOffice, headless, reads the
// exported CSV as it reads any (comma, double quotes, UTF-8, special numbers such as dates detected)
// and writes it out as a flat OpenDocument spreadsheet, whose cells say what each field became.
#include <QProcess>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <QFile>

#include "app/core/commissioning_record.h"
#include "app/core/mod_main.h"
#include "tests/app/app_fixture.h"
#include "tests/profile/temp_folder.h"

using namespace modMain;

namespace {

// A converter that hangs is a failure, not a wait for ever; a loaded machine converts in well under this.
constexpr int kConversionLimitMs = 300000;

struct Cell {
    std::string type;  // office:value-type: "string", "float", "date", ...
    std::string text;  // what the cell shows
    bool formula = false;
};
using Sheet = std::vector<std::vector<Cell>>;

// The first table of a flat OpenDocument spreadsheet, repeated cells expanded.
Sheet ReadSheet(const std::string& path) {
    QFile file(QString::fromStdString(path));
    Sheet sheet;
    if (!file.open(QIODevice::ReadOnly)) return sheet;
    QXmlStreamReader xml(&file);
    Cell cell;
    int repeat = 0;
    int tables = 0;
    while (!xml.atEnd() && tables < 2) {
        xml.readNext();
        const auto name = xml.qualifiedName();
        if (xml.isStartElement()) {
            const auto attrs = xml.attributes();
            if (name == QLatin1String("table:table")) ++tables;
            else if (name == QLatin1String("table:table-row")) sheet.emplace_back();
            else if (name == QLatin1String("table:table-cell")) {
                cell = Cell{attrs.value("office:value-type").toString().toStdString(), "",
                            attrs.hasAttribute("table:formula")};
                repeat = std::max(1, attrs.value("table:number-columns-repeated").toInt());
            } else if (name == QLatin1String("text:tab")) cell.text += '\t';
            else if (name == QLatin1String("text:s")) cell.text += std::string(std::max(1, attrs.value("text:c").toInt()), ' ');
        } else if (xml.isCharacters() && !xml.isWhitespace()) {
            cell.text += xml.text().toString().toStdString();
        } else if (xml.isEndElement() && name == QLatin1String("table:table-cell") && !sheet.empty()) {
            // Trailing empty cells repeated to the sheet's last column say nothing.
            if (!cell.type.empty() || !cell.text.empty())
                for (int i = 0; i < repeat; ++i) sheet.back().push_back(cell);
        }
    }
    return sheet;
}

class SpreadsheetTest : public AppTest {
protected:
    // Converts the exported file; empty when the spreadsheet program could not read it.
    Sheet Opened(const std::string& csv) {
        const QString soffice = QStandardPaths::findExecutable("soffice");
        if (soffice.isEmpty()) {
            ADD_FAILURE() << "soffice not found: scripts/install-deps.sh installs libreoffice-calc-nogui";
            return {};
        }
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        // A profile of its own, so that parallel runs and the user's own LibreOffice do not meet.
        p.start(soffice, {QString::fromStdString("-env:UserInstallation=file://" + folder / "profile"), "--headless",
                          "--infilter=CSV:44,34,76,1,,0,false,true", "--convert-to", "fods", "--outdir",
                          QString::fromStdString(folder / "out"), QString::fromStdString(csv)});
        if (!p.waitForFinished(kConversionLimitMs) || p.exitCode() != 0) {
            ADD_FAILURE() << "soffice: " << p.readAll().toStdString();
            p.kill();
            p.waitForFinished();
            return {};
        }
        return ReadSheet(folder / "out/record.fods");
    }
    DeviceRecord& Device(int slot, const std::string& mac, const std::string& short_id, const std::string& name,
                         const std::string& inputs) {
        DeviceRecord& d = g().Devices[slot];
        d.ID64Long = mac;
        d.ID16Short = short_id;
        d.DeviceName = name;
        d.DeviceTypeSTR = "Router";
        d.devInputs = inputs;
        d.devVBatt = 3.25f;
        d.devTemp = -4.5f;
        d.DeviceLQI = 180;
        return d;
    }
    TempFolder folder;
};

}  // namespace

TEST_F(SpreadsheetTest, hexadecimal_values_stay_text_numbers_stay_numbers_and_no_field_runs_as_a_formula) {
    struct Case {
        std::string mac, short_id, name, inputs;
        std::vector<std::string> shown;  // MAC, short address, name, inputs: every one a text cell
    };
    const std::vector<Case> cases = {
        {"00:12:34:56:00:00:00:01", "4E94", "=1+1", "60", {"00:12:34:56:00:00:00:01", "0x4E94", "'=1+1", "0x60"}},
        {"00:13:A2:00:40:5A:10:02", "0060", "+SUM(1)", "C0", {"00:13:A2:00:40:5A:10:02", "0x0060", "'+SUM(1)", "0xC0"}},
        {"00:13:A2:00:40:5A:10:03", "1E10", "-2", "08", {"00:13:A2:00:40:5A:10:03", "0x1E10", "'-2", "0x08"}},
        {"=HYPERLINK(\"http://x\")", "0000", "@A1", "1234", {"'=HYPERLINK(\"http://x\")", "0x0000", "'@A1", "0x1234"}},
        {"00:13:A2:00:40:5A:10:05", "=2+2", "\tTab", "E5", {"00:13:A2:00:40:5A:10:05", "'=2+2", "'\tTab", "0xE5"}},
    };
    for (size_t k = 0; k < cases.size(); ++k) {
        const Case& c = cases[k];
        Device(static_cast<int>(k) + 1, c.mac, c.short_id, c.name, c.inputs);
    }
    g().CoordMac = "00:00:00:00:00:00:12:34";
    g().PanInfo = "1E10";
    g().RFCh = 15;
    const std::string csv = folder / "record.csv";
    ASSERT_TRUE(ExportCommissioningRecord(csv, QDateTime(QDate(2026, 12, 8), QTime(6, 30, 5))));

    const Sheet sheet = Opened(csv);
    ASSERT_EQ(sheet.size(), cases.size() + 1);
    for (size_t k = 0; k < cases.size(); ++k) {
        const std::vector<Cell>& row = sheet[k + 1];
        ASSERT_GE(row.size(), 14u) << k;
        for (const Cell& cell : row) EXPECT_FALSE(cell.formula) << k << " " << cell.text;
        std::vector<std::string> shown, types;
        for (size_t col : {1, 2, 3, 10, 11, 12}) {
            shown.push_back(row[col].text);
            types.push_back(row[col].type);
        }
        const Case& c = cases[k];
        EXPECT_EQ(shown, (std::vector<std::string>{c.shown[0], c.shown[1], c.shown[2], c.shown[3],
                                                   "00:00:00:00:00:00:12:34", "0x1E10"}))
            << k;
        EXPECT_EQ(types, std::vector<std::string>(6, "string")) << k;
        // The program's numbers are still numbers: the sheet is read as a spreadsheet reads it.
        for (size_t col : {0, 7, 8, 9, 13}) EXPECT_EQ(row[col].type, "float") << k << " column " << col;
    }
}
