#include "app/main_window/status_panels.h"

#include <stdexcept>

StatusPanels::StatusPanels(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    for (int i = 0; i < kPanelCount; ++i) {
        auto* panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setContentsMargins(4, 0, 4, 0);
        addPermanentWidget(panel, 1);
        panels_.push_back(panel);
    }
}

QLabel& StatusPanels::Panels(int index) const {
    if (index < 1 || index > Count()) throw std::out_of_range("status bar panel index");
    return *panels_[static_cast<size_t>(index - 1)];
}
