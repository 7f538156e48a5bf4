#pragma once
// The commissioning record: the device table with the network it belongs to, as a CSV file that
// spreadsheets open as it is (RFC 4180: comma-separated, fields with commas, quotes or line ends in
// double quotes, CRLF line ends; UTF-8 with a byte-order mark so that spreadsheet programs take it
// as UTF-8). Nothing in it runs as a formula, and hexadecimal values stay text.
#include <QDateTime>
#include <cstdint>
#include <string>
#include <vector>

namespace modMain {

// One field, quoted when it must be.
std::string CsvField(const std::string& utf8);
// One line of fields, with its line end; a file starts with kCsvStart.
std::string CsvRow(const std::vector<std::string>& fields);
constexpr const char* kCsvStart = "\xEF\xBB\xBF";
// A text field that a spreadsheet must not run as a formula (leading apostrophe when it begins like one).
std::string TextField(const std::string& utf8);
// A hexadecimal value, marked so that spreadsheets keep it as text.
std::string HexField(const std::string& utf8);
// A device's link state in words.
std::string StatusWord(int16_t devStatus);
// The whole file: a header and one row per known device in table order.
std::string CommissioningRecord(const QDateTime& at);
// Writes the record to path as a whole (the old file stays whole on failure).
bool ExportCommissioningRecord(const std::string& path, const QDateTime& at);

}  // namespace modMain
