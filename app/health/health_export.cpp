#include "app/health/health_export.h"

#include <QString>
#include <vector>

#include "app/core/commissioning_record.h"
#include "app/core/display_text.h"
#include "app/health/recording.h"
#include "app/main_window/reply_handling.h"

namespace health {

namespace {

using modMain::CsvRow;

// The program's texts are Latin-1 bytes; the file is UTF-8.
std::string utf8(const std::string& bytes) { return modMain::Display(bytes).toUtf8().toStdString(); }
std::string fixed(double v, int decimals) { return QString::number(v, 'f', decimals).toStdString(); }
std::string clock_time(Ds t) { return WallTime(t).toString(Qt::ISODateWithMs).toStdString(); }

std::string span_text(Ds span) {
    if (span == kWholeSession) return "session";
    return std::to_string(span / kDsPerMinute) + " min";
}

}  // namespace

std::string HealthTableCsv(const HealthTableModel& table, const QDateTime& at) {
    std::string text = modMain::kCsvStart +
                       CsvRow({"Number", "MAC", "Name", "Type", "Status", "Last link quality", "Minimum link quality",
                               "Mean link quality", "Pings", "Pings answered", "Last heard", "Reports per minute",
                               "Span", "Exported"});
    const std::string exported = at.toString(Qt::ISODate).toStdString();
    for (const HealthRow& r : table.Rows()) {
        const Summary& s = r.summary;
        text += CsvRow({std::to_string(r.slot), modMain::TextField(utf8(r.mac_text)), modMain::TextField(utf8(r.name)),
                        modMain::TextField(utf8(r.type)),
                        modMain::StatusWord(r.status), s.last_lqi < 0 ? "" : std::to_string(s.last_lqi),
                        s.min_lqi < 0 ? "" : std::to_string(s.min_lqi), s.mean_lqi < 0 ? "" : fixed(s.mean_lqi, 1),
                        std::to_string(s.pings), std::to_string(s.answered), s.heard ? clock_time(s.last_heard) : "",
                        fixed(r.reports_per_minute, 2), span_text(table.Span()), exported});
    }
    return text;
}

std::string HealthHistoryCsv(const HealthTableModel& table, const History& history, Ds from, const QDateTime& at) {
    std::string text = modMain::kCsvStart +
                       CsvRow({"Number", "MAC", "Name", "Time", "Kind", "Link quality", "Answered", "Analogue 1",
                               "Analogue 2", "Analogue 3", "Analogue 4", "Battery (V)", "Temperature (C)", "Exported"});
    const std::string exported = at.toString(Qt::ISODate).toStdString();
    for (const HealthRow& r : table.Rows()) {
        const std::vector<PingSample> pings = history.Pings(r.mac, from);
        const std::vector<ReportSample> reports = history.Reports(r.mac, from);
        const std::string number = std::to_string(r.slot), mac = modMain::TextField(utf8(r.mac_text)),
                          name = modMain::TextField(utf8(r.name));
        size_t p = 0, q = 0;
        while (p < pings.size() || q < reports.size()) {
            if (q == reports.size() || (p < pings.size() && pings[p].t <= reports[q].t)) {
                const PingSample& s = pings[p++];
                text += CsvRow({number, mac, name, clock_time(s.t), "ping", s.answered ? std::to_string(s.lqi) : "",
                                s.answered ? "yes" : "no", "", "", "", "", "", "", exported});
            } else {
                const ReportSample& s = reports[q++];
                std::vector<std::string> row = {number, mac, name, clock_time(s.t), "report", "", ""};
                // The channels as the device window reads them: signed 16-bit.
                for (uint16_t a : s.analog) row.push_back(std::to_string(static_cast<int16_t>(a)));
                row.push_back(fixed(modMain::BatteryVolts(static_cast<uint8_t>(s.battery >> 8),
                                                          static_cast<uint8_t>(s.battery)), 3));
                row.push_back(fixed(modMain::Temperature(static_cast<uint8_t>(s.temperature >> 8),
                                                         static_cast<uint8_t>(s.temperature)), 2));
                row.push_back(exported);
                text += CsvRow(row);
            }
        }
    }
    return text;
}

}  // namespace health
