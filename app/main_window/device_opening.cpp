// Opening a device from the list: a double-click on a row's name binds the device window to the
// table slot that row shows at that moment, supplies the window while it is open and puts the
// record back when it closes.
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <utility>

#include "app/core/device_list_page.h"
#include "app/core/device_table.h"
#include "app/core/display_text.h"
#include "app/core/mod_main.h"
#include "app/device_window/frmDevice.h"
#include "app/main_window/device_opening.h"
#include "app/main_window/frmMain.h"
#include "platform/clock.h"

namespace {

// Longest pause of the supplying loop between two passes when nothing happens.
constexpr uint32_t kSupplyPassMs = 250;

class NameDoubleClicks : public QObject {
public:
    explicit NameDoubleClicks(frmMain* main) : QObject(main), main_(main) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Qt hands a disabled label's mouse events to its filters all the same. The list is disabled
        // while a reset or a channel change runs, and a device window opened then would hold that
        // operation inside its supplying loop until the window closes.
        const auto* label = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::MouseButtonDblClick && label && label->isEnabled()) {
            for (size_t r = 0; r < main_->lblLstDEVName.size(); ++r)
                if (watched == main_->lblLstDEVName[r]) main_->lblLstDEVName_DblClick(static_cast<int16_t>(r));
        }
        return QObject::eventFilter(watched, event);
    }

private:
    frmMain* main_;
};

// The slot that holds the shown device now: a deletion from the table moves records down, and the
// window follows its device rather than the slot number. 0 when the device is no longer in the table.
int follow_device(int slot, const DeviceRecord& shown) {
    const modMain::State& s = modMain::g();
    const bool in_table = slot >= 1 && slot <= modMain::kTableSlots;
    if (in_table && (shown.ID64Long.empty() || s.Devices[static_cast<size_t>(slot)].ID64Long == shown.ID64Long))
        return slot;
    return shown.ID64Long.empty() ? 0 : modMain::FindDeviceByMac(shown.ID64Long);
}

// One pass of the supply: strings received, the slot the status is read from, a new short address.
void supply(int slot) {
    modMain::State& s = modMain::g();
    const DeviceRecord& d = s.Devices[static_cast<size_t>(slot)];
    DeviceRecord& cur = s.CurDevice;
    if (d.devRxLog != cur.devRxLog) cur.devRxLog = d.devRxLog;
    cur.devStatus = 0;
    s.OpenDeviceIdx = static_cast<int16_t>(slot);
    // A device may rejoin with a new short address while the window is open: routers too (after a
    // coordinator restart, or on their own), and the closing window must not put the old one back.
    if (d.ID16Short != cur.ID16Short) {
        cur.ID16Short = d.ID16Short;
        if (frmDevice* w = modMain::windows().device) w->lblSHORT->setText(modMain::Display(cur.ID16Short));
    }
    // The I/O reports of the shown device refresh the copy by this address.
    s.OpenDeviceShort = d.ID16Short;
}

}  // namespace

namespace modMain {

void PutShownDeviceBack() {
    State& s = g();
    if (s.DevWinState == 0) return;
    const int slot = follow_device(s.OpenDeviceIdx, s.CurDevice);
    if (slot != 0) s.Devices[static_cast<size_t>(slot)] = s.CurDevice;
}

}  // namespace modMain

void frmMain::BindDeviceOpening() {
    auto* filter = new NameDoubleClicks(this);
    for (QLabel* name : lblLstDEVName) name->installEventFilter(filter);
}

void frmMain::lblLstDEVName_DblClick(int16_t Index) {
    using namespace modMain;
    State& s = g();
    if (s.DevWinState != 0 || Index < 0 || Index >= kListRows) return;
    int slot = s.ListTop + Index;
    // Slots past the scanned part hold no device, and the slot number must fit OpenDeviceIdx.
    if (slot < 1 || slot > kScanSlots) return;
    const DeviceRecord& d = std::as_const(s.Devices)[static_cast<size_t>(slot)];
    if (d.ID16Short.empty() && d.ID64Long.empty()) return;

    s.DevWinState = 2;
    s.CurDevice = d;
    s.OpenDeviceShort = s.CurDevice.ID16Short;
    // Bound from the start: a report handled while the window loads refreshes only this slot's copy.
    s.OpenDeviceIdx = static_cast<int16_t>(slot);
    QPointer<frmDevice> window = new frmDevice;
    if (window) window->show();

    // The window unloads on its own close (DevWinState 1); a window destroyed otherwise ends it too.
    while (s.DevWinState != 1 && window) {
        slot = follow_device(slot, s.CurDevice);
        if (slot != 0) supply(slot);
        platform::pump_events(kSupplyPassMs);
    }
    // What the last pump brought (a new short address, a string) reaches the copy before it is put back.
    if (s.DevWinState == 1 && (slot = follow_device(slot, s.CurDevice)) != 0) supply(slot);
    PutShownDeviceBack();
    RefreshDeviceList();
    s.DevWinState = 0;
    delete window;
}
