#pragma once
// The main window's status bar with text panels addressed from 1, as Panels(1), Panels(2).
#include <QLabel>
#include <QStatusBar>
#include <vector>

class StatusPanels : public QStatusBar {
    Q_OBJECT
public:
    static constexpr int kPanelCount = 2;

    explicit StatusPanels(QWidget* parent = nullptr);

    int Count() const { return static_cast<int>(panels_.size()); }
    // Panel `index` (1-based); an index outside 1..Count() throws std::out_of_range.
    QLabel& Panels(int index) const;

private:
    std::vector<QLabel*> panels_;
};
