#include "app/core/commissioning_record.h"

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
        text += CsvRow({std::to_string(i), utf8(d.ID64Long), utf8(d.ID16Short), utf8(d.DeviceName),
                     d.DeviceTypeSTR.empty() ? std::to_string(d.DeviceType) : utf8(d.DeviceTypeSTR),
                     d.stsEnableKeepAlive == 1 ? "yes" : "no", StatusWord(d.devStatus), std::to_string(d.DeviceLQI),
                     reported ? QString::number(static_cast<double>(d.devVBatt), 'f', 2).toStdString() : "",
                     reported ? QString::number(static_cast<double>(d.devTemp), 'f', 1).toStdString() : "",
                     reported ? utf8(d.devInputs) : "", utf8(s.CoordMac), utf8(s.PanInfo), std::to_string(s.RFCh),
                     exported});
    }
    return text;
}

bool ExportCommissioningRecord(const std::string& path, const QDateTime& at) {
    return platform::write_file_atomically(path, CommissioningRecord(at));
}

}  // namespace modMain
