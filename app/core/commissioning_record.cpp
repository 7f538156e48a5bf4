#include "app/core/commissioning_record.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "app/core/display_text.h"
#include "app/core/mod_main.h"
#include "platform/atomic_file.h"

namespace modMain {

namespace {

const char* const kHeader[] = {"Number",      "MAC",         "Short address",   "Name",        "Type",
                               "Keep-alive",  "Status",      "Link quality",    "Battery (V)", "Temperature (C)",
                               "Inputs",      "Coordinator", "PAN id",          "Channel",     "Exported"};

// The program's texts are Latin-1 bytes; the file is UTF-8.
std::string utf8(const std::string& bytes) { return Display(bytes).toUtf8().toStdString(); }

}  // namespace

std::string StatusWord(int16_t status) {
    switch (status) {
        case 1: return "online";
        case 2: return "end device (not pinged)";
        default: return "no answer";
    }
}

static bool is_hex(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

// A text that begins like a formula gets an apostrophe in front, so that a spreadsheet shows it.
std::string TextField(const std::string& utf8_text) {
    const bool formula = !utf8_text.empty() && std::string("=+-@\t\r").find(utf8_text[0]) != std::string::npos;
    return formula ? "'" + utf8_text : utf8_text;
}

// A hexadecimal value (short address, PAN id, input bits).
std::string HexField(const std::string& utf8_text) {
    // Bare, 4E94 opens as 4E+94, 0060 as 60 and 1E10 as 10000000000; with 0x in front no spreadsheet
    // reads a number. A stored value that is no hexadecimal number is exported as the text it is.
    return is_hex(utf8_text) ? "0x" + utf8_text : TextField(utf8_text);
}

std::string CsvRow(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) line += (i ? "," : "") + CsvField(fields[i]);
    return line + "\r\n";
}

std::string CsvField(const std::string& utf8_text) {
    if (utf8_text.find_first_of(",\"\r\n") == std::string::npos) return utf8_text;
    std::string quoted = "\"";
    for (char c : utf8_text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string CommissioningRecord(const QDateTime& at) {
    const State& s = g();
    std::string text = kCsvStart + CsvRow(std::vector<std::string>(std::begin(kHeader), std::end(kHeader)));
    const std::string exported = at.toString(Qt::ISODate).toStdString();
    const int last = s.Devices.LastInUse(kScanSlots);
    for (int i = 1; i <= last; ++i) {
        const DeviceRecord& d = s.Devices[i];
        if (d.ID64Long.empty()) continue;
        // Battery, temperature and inputs are known only once the device has reported them.
        const bool reported = !d.devInputs.empty();
        // Addresses, names and types come from the network file and from typed text, so any of them may
        // begin like a formula; the numbers are the program's own.
        text += CsvRow({std::to_string(i), TextField(utf8(d.ID64Long)), HexField(utf8(d.ID16Short)),
                     TextField(utf8(d.DeviceName)),
                     d.DeviceTypeSTR.empty() ? std::to_string(d.DeviceType) : TextField(utf8(d.DeviceTypeSTR)),
                     d.stsEnableKeepAlive == 1 ? "yes" : "no", StatusWord(d.devStatus), std::to_string(d.DeviceLQI),
                     reported ? QString::number(static_cast<double>(d.devVBatt), 'f', 2).toStdString() : "",
                     reported ? QString::number(static_cast<double>(d.devTemp), 'f', 1).toStdString() : "",
                     reported ? HexField(utf8(d.devInputs)) : "", TextField(utf8(s.CoordMac)),
                     HexField(utf8(s.PanInfo)), std::to_string(s.RFCh), exported});
    }
    return text;
}

bool ExportCommissioningRecord(const std::string& path, const QDateTime& at) {
    return platform::write_file_atomically(path, CommissioningRecord(at));
}

}  // namespace modMain
