#pragma once
// Replaces the design-time captions of a window with the texts of the run's language. A control takes
// part by carrying an English string id: in its dynamic property "tag" (windows, labels, frames,
// buttons, tabs, column headers: tab data and header data in Qt::UserRole) or, for menus, in its
// caption.
#include <string>

class QObject;
class QWidget;

namespace modMain {

// The kind name a control answers to in the walk: "Label", "Menu", "TabStrip", "Toolbar",
// "ListView", or "" for every other control.
std::string ControlKind(const QObject* control);

void ApplyLocalisedCaptions(QWidget* window);

}  // namespace modMain
