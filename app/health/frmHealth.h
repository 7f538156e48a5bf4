#pragma once
// The network health window: a table of every device's link figures over a chosen span, a plot of
// link quality over time for the devices selected in it, and the two exports. It reads the device
// table and the history once a second; the table view draws only the rows in sight.
#include <QWidget>
#include <vector>

#include "app/health/health_table_model.h"
#include "app/health/time_plot.h"
#include "platform/timer.h"

class QComboBox;
class QPushButton;
class QSpinBox;
class QTableView;

class frmHealth : public QWidget {
    Q_OBJECT
public:
    static constexpr uint16_t kRefreshMs = 1000;

    explicit frmHealth(QWidget* parent = nullptr);
    ~frmHealth() override;

    // Reads the table and the history again and redraws what changed.
    void tmrHealth_Timer();
    void cmdExportTable_Click();
    void cmdExportHistory_Click();
    // The span chosen in cboSpan.
    health::Ds ChosenSpan() const;

    QComboBox* cboSpan = nullptr;
    QSpinBox* spnWeak = nullptr;
    QPushButton* cmdExportTable = nullptr;
    QPushButton* cmdExportHistory = nullptr;
    QTableView* lstHealth = nullptr;
    health::TimePlot* picPlot = nullptr;
    health::HealthTableModel model;
    platform::Timer tmrHealth;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Sizes every column to show its title and texts whole; returns their total width.
    int SizeColumns();
    void UpdatePlot();
    std::vector<uint64_t> SelectedDevices() const;
    // The selection before the rows started again, put back by address.
    std::vector<uint64_t> kept_selection_;
};

namespace health {
// Opens the window, or brings it to the front when it is open already.
frmHealth& ShowHealthWindow(QWidget* parent);
// Distinct colours for the plotted devices, one per selected row.
QColor SeriesColour(size_t k);
}  // namespace health
