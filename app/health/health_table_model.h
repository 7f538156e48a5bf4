#pragma once
// The health window's table: one row per device of the table, with its link figures over the chosen
// span from the history. The model sorts itself on plain numbers (a proxy would compare 32000 rows of
// variants), keeps the rows' order through refreshes and moves the view's selection with the rows.
#include <QAbstractTableModel>
#include <QString>
#include <string>
#include <vector>

#include "app/health/history.h"

namespace health {

// The spans the window offers; 0 is the whole session.
constexpr Ds kTenMinutes = 10 * kDsPerMinute;
constexpr Ds kOneHour = 60 * kDsPerMinute;
constexpr Ds kWholeSession = 0;

// Where a span that ends now begins.
Ds SpanStart(Ds now, Ds span);

struct HealthRow {
    int slot = 0;
    uint64_t mac = 0;
    std::string mac_text, name, type;
    int16_t status = 0;
    Summary summary;
    double reports_per_minute = 0;
    bool weak = false;
    bool silent = false;
};

class HealthTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        kNumber, kName, kType, kStatus, kLastLqi, kMinLqi, kMeanLqi, kAnswered, kLastHeard, kReportsPerMinute,
        kColumns
    };
    explicit HealthTableModel(QObject* parent = nullptr);

    // Reads the device table and the history again for a span ending at `now`.
    void Refresh(const History& history, Ds now, Ds span);
    void SetWeakThreshold(int lqi);
    int WeakThreshold() const { return weak_threshold_; }

    const HealthRow& Row(int row) const { return rows_[static_cast<size_t>(row)]; }
    const std::vector<HealthRow>& Rows() const { return rows_; }
    Ds Now() const { return now_; }
    Ds Span() const { return span_; }

    // Texts as the table shows them (the export writes the same).
    static QString ColumnTitle(int column);
    QString Text(const HealthRow& r, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

private:
    void Judge(HealthRow& r) const;
    void SortRows();
    double Key(const HealthRow& r, int column) const;

    std::vector<HealthRow> rows_;
    Ds now_ = 0;
    Ds span_ = kTenMinutes;
    int weak_threshold_ = 100;
    int sort_column_ = kNumber;
    Qt::SortOrder sort_order_ = Qt::AscendingOrder;
};

}  // namespace health
