// The CSV export: whatever the texts hold, a strict RFC 4180 reader gets back every field as it was
// written, the commissioning record's rows one per device with the device's own texts (formula
// starts behind an apostrophe, hexadecimal values behind 0x).
//
// Input: devices separated by \x01, each its MAC, short address, name and type text separated by NUL;
// the first "device" is the network's coordinator address and PAN id.
#include <QDate>
#include <QDateTime>
#include <QTime>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "app/core/commissioning_record.h"
#include "app/core/mod_main.h"
#include "fuzz/fuzz_target.h"

namespace {

using Table = std::vector<std::vector<std::string>>;

// Strict: a quote only opens a field or doubles inside a quoted one, a quoted field ends at a
// separator, and CR and LF appear only quoted or as the CRLF that ends a record. No value on a breach.
std::optional<Table> parse_csv(const std::string& text) {
    Table rows(1, std::vector<std::string>(1));
    size_t i = 0;
    while (i < text.size()) {
        std::string& field = rows.back().back();
        if (text[i] == '"' && field.empty()) {
            for (++i;; ++i) {
                if (i >= text.size()) return std::nullopt;
                if (text[i] != '"') field += text[i];
                else if (i + 1 < text.size() && text[i + 1] == '"') field += text[++i];
                else break;
            }
            ++i;
            if (i < text.size() && text[i] != ',' && text[i] != '\r') return std::nullopt;
            continue;
        }
        const char c = text[i];
        if (c == ',') {
            rows.back().emplace_back();
            ++i;
        } else if (c == '\r') {
            if (i + 1 >= text.size() || text[i + 1] != '\n') return std::nullopt;
            i += 2;
            if (i < text.size()) rows.emplace_back(1);
        } else if (c == '"' || c == '\n') {
            return std::nullopt;
        } else {
            field += c;
            ++i;
        }
    }
    return rows;
}

// The program's texts are Latin-1 bytes; the file carries them as UTF-8.
std::string utf8(const std::string& latin1) {
    std::string out;
    for (char c : latin1) {
        const auto b = static_cast<uint8_t>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

// What the record writes for a stored text: a leading formula character gets an apostrophe, and a
// hexadecimal value (short address, PAN id) gets 0x.
std::string as_text(const std::string& t) {
    return !t.empty() && std::string("=+-@\t\r").find(t[0]) != std::string::npos ? "'" + t : t;
}
std::string as_hex(const std::string& t) {
    bool hex = !t.empty();
    for (char c : t) hex = hex && std::isxdigit(static_cast<unsigned char>(c));
    return hex ? "0x" + t : as_text(t);
}

void check_fields_round_trip(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) line += (i ? "," : "") + modMain::CsvField(fields[i]);
    const std::optional<Table> back = parse_csv(line + "\r\n");
    FUZZ_CHECK(back && back->size() == 1 && back->front() == fields);
}

}  // namespace

FUZZ_TARGET(csv_export) {
    fuzz::Input in(data, size);
    modMain::State& s = modMain::g();
    s.Devices.ClearFrom(1);
    fuzz::Input coordinator(in.until('\x01'));
    s.CoordMac = std::string(coordinator.until('\0'));
    s.PanInfo = std::string(coordinator.until('\0'));
    s.RFCh = 15;
    std::vector<std::vector<std::string>> devices;
    while (!in.empty() && devices.size() < 64) {
        const std::string_view one = in.until('\x01');
        fuzz::Input d(one);
        std::vector<std::string> texts;
        for (int k = 0; k < 4; ++k) texts.emplace_back(d.until('\0'));
        devices.push_back(texts);
    }
    for (const auto& texts : devices) check_fields_round_trip(texts);

    for (size_t i = 0; i < devices.size(); ++i) {
        DeviceRecord& d = s.Devices[i + 1];
        d = DeviceRecord{};
        d.ID64Long = devices[i][0];
        d.ID16Short = devices[i][1];
        d.DeviceName = devices[i][2];
        d.DeviceTypeSTR = devices[i][3];
        d.DeviceType = 7;
    }
    const QDateTime at(QDate(2026, 12, 8), QTime(17, 0));
    std::string text = modMain::CommissioningRecord(at);
    FUZZ_CHECK(text.rfind("\xEF\xBB\xBF", 0) == 0);
    const std::optional<Table> rows = parse_csv(text.substr(3));
    FUZZ_CHECK(rows.has_value());
    size_t row = 1;
    for (size_t i = 0; i < devices.size(); ++i) {
        const std::vector<std::string>& texts = devices[i];
        if (texts[0].empty()) continue;
        FUZZ_CHECK(row < rows->size());
        const std::vector<std::string>& r = (*rows)[row++];
        FUZZ_CHECK(r.size() == rows->front().size());
        FUZZ_CHECK(r[0] == std::to_string(i + 1));
        FUZZ_CHECK(r[1] == as_text(utf8(texts[0])) && r[2] == as_hex(utf8(texts[1])) &&
                   r[3] == as_text(utf8(texts[2])));
        FUZZ_CHECK(r[4] == (texts[3].empty() ? "7" : as_text(utf8(texts[3]))));
        FUZZ_CHECK(r[11] == as_text(utf8(s.CoordMac)) && r[12] == as_hex(utf8(s.PanInfo)));
    }
    FUZZ_CHECK(row == rows->size());
    s.Devices.ClearFrom(1);
}
