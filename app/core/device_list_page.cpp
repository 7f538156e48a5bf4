#include "app/core/device_list_page.h"

#include <QLabel>
#include <QPixmap>
#include <QString>
#include <array>
#include <utility>

#include "app/core/display_text.h"
#include "app/core/mod_main.h"
#include "app/main_window/frmMain.h"

namespace modMain {

namespace {
// The page is redrawn every alive tick: a label is touched only when what it shows changes, since
// each touch repaints it and the frame behind it.
void clear_label(QLabel* label) {
    if (!label->text().isEmpty() || !label->pixmap().isNull()) label->clear();
}

void show_picture(QLabel* label, const QPixmap& picture) {
    if (label->pixmap().cacheKey() != picture.cacheKey()) label->setPixmap(picture);
}
}  // namespace

void RefreshDeviceList() {
    State& s = g();
    frmMain* w = windows().main;
    if (!w || s.ListTop <= 0) return;

    std::array<DeviceRecord, frmMain::kListRows> page{};
    for (int k = 0; k < frmMain::kListRows; ++k) {
        const int slot = s.ListTop + k;
        if (slot <= s.TotalDevice && slot <= kTableSlots) page[static_cast<size_t>(k)] = std::as_const(s.Devices)[slot];
    }
    for (size_t k = 0; k < page.size(); ++k) {
        const DeviceRecord& d = page[k];
        if (d.ID64Long.empty()) {
            for (auto* row : {&w->lblLstDEVSeq, &w->lblLstDEVDep, &w->lblLstDEVShort, &w->lblLstDEVName,
                              &w->lblLstDEVType, &w->lblLstDEVKa})
                clear_label((*row)[k]);
            w->picSTSDEV[k]->hide();
            continue;
        }
        w->lblLstDEVSeq[k]->setText(QString::asprintf("%04d", s.ListTop + static_cast<int>(k)));
        w->lblLstDEVDep[k]->setText(Display(d.ID64Long));
        w->lblLstDEVShort[k]->setText(Display(d.ID16Short));
        w->lblLstDEVName[k]->setText(Display(d.DeviceName));
        w->lblLstDEVType[k]->setText(Display(d.DeviceTypeSTR));
        w->lblLstDEVKa[k]->setText(QString::number(d.stsEnableKeepAlive));
        w->picSTSDEV[k]->show();
        // Any other link state keeps the picture the row had.
        if (d.devStatus >= 0 && d.devStatus <= 2) show_picture(w->picSTSDEV[k], w->imgList.ListImages(d.devStatus + 1));
    }
    w->cmdUP->setEnabled(false);
    w->cmdDown->setEnabled(false);
    if (s.TotalDevice >= 13 && s.ListTop < s.TotalDevice - 11) w->cmdDown->setEnabled(true);
    if (s.TotalDevice >= 13 && s.ListTop > 1) w->cmdUP->setEnabled(true);
    w->lblTotalDevice->setText(QString::number(s.TotalDevice));
}

}  // namespace modMain
