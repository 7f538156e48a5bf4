#include "app/core/localised_captions.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QTreeView>

#include "app/core/conversion.h"
#include "app/core/display_text.h"
#include "app/core/mod_main.h"
#include "app/core/string_table.h"

namespace modMain {

namespace {

std::string tag_of(const QObject* o) { return FromDisplay(o->property("tag").toString()); }

// Text of (id + LangOffset) for a strictly converted id; none when the id text or the entry is
// missing, so the caller leaves the caption alone.
std::optional<QString> strict_text(const std::string& id_text) {
    const auto id = StrictInt16(id_text);
    if (!id) return std::nullopt;
    const auto text = LoadResString(*id + g().LangOffset);
    if (!text) return std::nullopt;
    return Display(*text);
}

// Lenient ids: a text without a leading number is 0, which takes no part.
std::optional<QString> lenient_text(const std::string& id_text) {
    const int16_t id = CInt(Val(id_text));
    if (id <= 0) return std::nullopt;
    const auto text = LoadResString(id + g().LangOffset);
    if (!text) return std::nullopt;
    return Display(*text);
}

// The caption of controls outside the named kinds: buttons and frames have one, the rest do not.
void set_caption(QObject* o, const QString& text) {
    if (auto* b = qobject_cast<QAbstractButton*>(o)) b->setText(text);
    else if (auto* f = qobject_cast<QGroupBox*>(o)) f->setTitle(text);
}

void localise_label(QLabel* l) {
    if (auto t = strict_text(tag_of(l))) l->setText(*t);
}

void localise_menu(QObject* o) {
    if (auto* m = qobject_cast<QMenu*>(o)) {
        if (auto t = strict_text(FromDisplay(m->title()))) m->setTitle(*t);
    } else if (auto* a = qobject_cast<QAction*>(o)) {
        if (auto t = strict_text(FromDisplay(a->text()))) a->setText(*t);
    }
}

void localise_tabs(QTabBar* bar) {
    for (int i = 0; i < bar->count(); ++i) {
        if (auto t = strict_text(FromDisplay(bar->tabData(i).toString()))) bar->setTabText(i, *t);
        if (auto t = strict_text(FromDisplay(bar->tabToolTip(i)))) bar->setTabToolTip(i, *t);
    }
}

void localise_toolbar(QToolBar* bar) {
    for (QAction* a : bar->actions()) {
        if (auto t = strict_text(FromDisplay(a->toolTip()))) a->setToolTip(*t);
    }
}

void localise_headers(QAbstractItemView* view) {
    QAbstractItemModel* model = view->model();
    if (!model) return;
    for (int c = 0; c < model->columnCount(); ++c) {
        const QString tag = model->headerData(c, Qt::Horizontal, Qt::UserRole).toString();
        if (auto t = strict_text(FromDisplay(tag))) model->setHeaderData(c, Qt::Horizontal, *t, Qt::DisplayRole);
    }
}

void localise_other(QObject* o) {
    if (auto t = lenient_text(tag_of(o))) set_caption(o, *t);
    if (auto* w = qobject_cast<QWidget*>(o)) {
        if (auto t = lenient_text(FromDisplay(w->toolTip()))) w->setToolTip(*t);
    }
}

}  // namespace

std::string ControlKind(const QObject* control) {
    if (qobject_cast<const QLabel*>(control)) return "Label";
    // A menu's own entry in its parent is the menu itself, handled once through its title.
    if (auto* a = qobject_cast<const QAction*>(control)) return a->menu() ? "" : "Menu";
    if (qobject_cast<const QMenu*>(control)) return "Menu";
    if (qobject_cast<const QTabWidget*>(control)) return "TabStrip";
    if (auto* tb = qobject_cast<const QTabBar*>(control))
        return qobject_cast<const QTabWidget*>(tb->parent()) ? "" : "TabStrip";
    if (qobject_cast<const QToolBar*>(control)) return "Toolbar";
    if (qobject_cast<const QTreeView*>(control) || qobject_cast<const QTableView*>(control)) return "ListView";
    return "";
}

void ApplyLocalisedCaptions(QWidget* window) {
    if (auto t = strict_text(tag_of(window))) window->setWindowTitle(*t);
    for (QObject* o : window->findChildren<QObject*>()) {
        const std::string kind = ControlKind(o);
        if (kind == "Label") localise_label(static_cast<QLabel*>(o));
        else if (kind == "Menu") localise_menu(o);
        else if (kind == "TabStrip") {
            if (auto* tw = qobject_cast<QTabWidget*>(o)) localise_tabs(tw->tabBar());
            else localise_tabs(static_cast<QTabBar*>(o));
        } else if (kind == "Toolbar") localise_toolbar(static_cast<QToolBar*>(o));
        else if (kind == "ListView") localise_headers(static_cast<QAbstractItemView*>(o));
        else localise_other(o);
    }
}

}  // namespace modMain
