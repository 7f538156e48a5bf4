#include "app/health/health_table_model.h"

#include <QBrush>
#include <QColor>
#include <algorithm>
#include <cmath>

#include "app/core/device_slots.h"
#include "app/core/device_table.h"
#include "app/core/display_text.h"
#include "app/core/mod_main.h"
#include "app/health/health_texts.h"
#include "app/health/recording.h"

namespace health {

namespace {

const QColor kWeakColour(255, 214, 140);
const QColor kSilentColour(255, 168, 168);

QString since_text(Ds ago) {
    const Ds s = ago / 10;
    if (s < 60) return QStringLiteral("%1 s").arg(s);
    if (s < 3600) return QStringLiteral("%1 min").arg(s / 60);
    return QStringLiteral("%1 h %2 min").arg(s / 3600).arg(s % 3600 / 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

Ds SpanStart(Ds now, Ds span) { return span == kWholeSession || now < span ? 0 : now - span; }

HealthTableModel::HealthTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void HealthTableModel::Judge(HealthRow& r) const {
    const Summary& s = r.summary;
    const Ds from = SpanStart(now_, span_);
    // Reports per minute over the part of the span the session has lived through.
    const Ds lived = now_ - from;
    r.reports_per_minute = lived > 0 ? s.reports * static_cast<double>(kDsPerMinute) / lived : 0;
    r.weak = s.answered > 0 && s.mean_lqi < weak_threshold_;
    // Silent: nothing heard in the span although it was asked, or although the whole span has passed.
    const bool heard_in_span = s.heard && s.last_heard >= from;
    const bool had_its_chance = s.pings > 0 || (span_ != kWholeSession && now_ >= span_);
    r.silent = !heard_in_span && had_its_chance;
}

void HealthTableModel::Refresh(const History& history, Ds now, Ds span) {
    now_ = now;
    span_ = span;
    const Ds from = SpanStart(now, span);
    const modMain::DeviceSlots& table = modMain::g().Devices;
    std::vector<HealthRow> rows;
    rows.reserve(rows_.size());
    const int last = table.LastInUse(modMain::kScanSlots);
    for (int i = 1; i <= last; ++i) {
        const DeviceRecord& d = table[static_cast<size_t>(i)];
        if (d.ID64Long.empty()) continue;
        HealthRow r;
        r.slot = i;
        r.mac_text = d.ID64Long;
        r.name = d.DeviceName;
        // A device that has just joined has its type number before the table gives it its text.
        r.type = d.DeviceTypeSTR;
        if (r.type.empty()) r.type = modMain::DeviceTypeText(d.DeviceType);
        if (r.type.empty()) r.type = std::to_string(d.DeviceType);
        r.status = d.devStatus;
        if (const auto key = MacKey(d.ID64Long)) {
            r.mac = *key;
            r.summary = history.Summarise(*key, from);
        }
        Judge(r);
        rows.push_back(std::move(r));
    }
    // The same devices keep their rows, in the order shown; new or missing devices start the rows again
    // (the window puts its selection back).
    std::vector<int> fresh_row_of_slot(static_cast<size_t>(last) + 1, -1);
    for (size_t i = 0; i < rows.size(); ++i) fresh_row_of_slot[static_cast<size_t>(rows[i].slot)] = static_cast<int>(i);
    bool same = rows.size() == rows_.size();
    for (size_t i = 0; same && i < rows_.size(); ++i) {
        const int slot = rows_[i].slot;
        same = slot <= last && fresh_row_of_slot[static_cast<size_t>(slot)] >= 0 &&
               rows[static_cast<size_t>(fresh_row_of_slot[static_cast<size_t>(slot)])].mac_text == rows_[i].mac_text;
    }
    if (!same) {
        beginResetModel();
        rows_ = std::move(rows);
        SortRows();
        endResetModel();
        return;
    }
    for (HealthRow& r : rows_) r = std::move(rows[static_cast<size_t>(fresh_row_of_slot[static_cast<size_t>(r.slot)])]);
    if (rows_.empty()) return;
    emit dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, kColumns - 1));
    sort(sort_column_, sort_order_);
}

void HealthTableModel::SetWeakThreshold(int lqi) {
    weak_threshold_ = std::clamp(lqi, 0, 255);
    for (HealthRow& r : rows_) Judge(r);
    if (!rows_.empty()) emit dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, kColumns - 1));
}

QString HealthTableModel::ColumnTitle(int column) {
    switch (column) {
        case kNumber: return T("No.", "N.");
        case kName: return T("Name", "Nome");
        case kType: return T("Type", "Tipo");
        case kStatus: return T("Status", "Stato");
        case kLastLqi: return T("LQI last", "LQI ultimo");
        case kMinLqi: return T("LQI min", "LQI min");
        case kMeanLqi: return T("LQI mean", "LQI medio");
        case kAnswered: return T("Pings answered", "Ping risposti");
        case kLastHeard: return T("Last heard", "Ultimo contatto");
        case kReportsPerMinute: return T("Reports/min", "Rapporti/min");
        default: return {};
    }
}

QString HealthTableModel::Text(const HealthRow& r, int column) const {
    const Summary& s = r.summary;
    const QString none = QStringLiteral("—");
    switch (column) {
        case kNumber: return QString::number(r.slot);
        case kName: return modMain::Display(r.name);
        case kType: return modMain::Display(r.type);
        case kStatus: return StatusText(r.status);
        case kLastLqi: return s.last_lqi < 0 ? none : QString::number(s.last_lqi);
        case kMinLqi: return s.min_lqi < 0 ? none : QString::number(s.min_lqi);
        case kMeanLqi: return s.mean_lqi < 0 ? none : QString::number(s.mean_lqi, 'f', 1);
        case kAnswered:
            return s.pings == 0 ? none : QStringLiteral("%1 %").arg(std::lround(100.0 * s.answered / s.pings));
        case kLastHeard: return s.heard ? since_text(now_ - s.last_heard) : none;
        case kReportsPerMinute: return QString::number(r.reports_per_minute, 'f', 1);
        default: return {};
    }
}

int HealthTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int HealthTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant HealthTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const HealthRow& r = Row(index.row());
    switch (role) {
        case Qt::DisplayRole: return Text(r, index.column());
        case Qt::BackgroundRole:
            if (r.silent) return QBrush(kSilentColour);
            if (r.weak) return QBrush(kWeakColour);
            return {};
        case Qt::ForegroundRole:
            // The colours are light whatever the theme: their text stays dark.
            return r.silent || r.weak ? QVariant(QBrush(Qt::black)) : QVariant();
        case Qt::TextAlignmentRole:
            return index.column() == kName || index.column() == kType || index.column() == kStatus
                       ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                       : QVariant(Qt::AlignRight | Qt::AlignVCenter);
        default: return {};
    }
}

QVariant HealthTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return ColumnTitle(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

double HealthTableModel::Key(const HealthRow& r, int column) const {
    const Summary& s = r.summary;
    switch (column) {
        case kStatus: return r.status;
        case kLastLqi: return s.last_lqi;
        case kMinLqi: return s.min_lqi;
        case kMeanLqi: return s.mean_lqi;
        case kAnswered: return s.pings == 0 ? -1 : static_cast<double>(s.answered) / s.pings;
        // Never heard sorts as the longest silence.
        case kLastHeard: return s.heard ? static_cast<double>(now_ - s.last_heard) : 1e12;
        case kReportsPerMinute: return r.reports_per_minute;
        default: return r.slot;
    }
}

void HealthTableModel::SortRows() {
    const int column = sort_column_;
    const bool descending = sort_order_ == Qt::DescendingOrder;
    auto less = [this, column](const HealthRow& a, const HealthRow& b) {
        if (column == kName || column == kType) {
            const std::string& x = column == kName ? a.name : a.type;
            const std::string& y = column == kName ? b.name : b.type;
            if (x != y) return x < y;
        } else {
            const double x = Key(a, column), y = Key(b, column);
            if (x != y) return x < y;
        }
        return a.slot < b.slot;
    };
    if (descending)
        std::sort(rows_.begin(), rows_.end(), [&less](const HealthRow& a, const HealthRow& b) { return less(b, a); });
    else
        std::sort(rows_.begin(), rows_.end(), less);
}

void HealthTableModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= kColumns) return;
    sort_column_ = column;
    sort_order_ = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> old_slots(rows_.size());
    for (size_t i = 0; i < rows_.size(); ++i) old_slots[i] = rows_[i].slot;
    SortRows();
    // Where each slot went, so that the selection and the current row follow their devices.
    int highest = 0;
    for (const HealthRow& r : rows_) highest = std::max(highest, r.slot);
    std::vector<int> new_row_of_slot(static_cast<size_t>(highest) + 1, -1);
    for (size_t i = 0; i < rows_.size(); ++i) new_row_of_slot[static_cast<size_t>(rows_[i].slot)] = static_cast<int>(i);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before) {
        const int row = i.row() < static_cast<int>(old_slots.size())
                            ? new_row_of_slot[static_cast<size_t>(old_slots[static_cast<size_t>(i.row())])]
                            : -1;
        after.push_back(row < 0 ? QModelIndex() : index(row, i.column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace health
