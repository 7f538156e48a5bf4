#pragma once
// The health window's two exports, written like the commissioning record (same field quoting, line
// ends and byte-order mark): the table as shown, and every sample of the history behind it.
#include <QDateTime>
#include <string>

#include "app/health/health_table_model.h"
#include "app/health/history.h"

namespace health {

// The table's rows in the order shown, with the span they were figured over.
std::string HealthTableCsv(const HealthTableModel& table, const QDateTime& at);
// For each device of the table in the order shown, its pings and reports from `from` on, by time.
std::string HealthHistoryCsv(const HealthTableModel& table, const History& history, Ds from, const QDateTime& at);

}  // namespace health
