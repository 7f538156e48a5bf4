// The output test: output 1 of the device whose short address is typed in txtTstID is switched on
// and off on alternate ticks of tmrTest, for checking a device's wiring from the console.
#include "app/core/conversion.h"
#include "app/core/device_table.h"
#include "app/core/display_text.h"
#include "app/main_window/frmMain.h"

namespace {
constexpr uint16_t kTestTickMs = 100;
constexpr int16_t kTestPort = 1;
}  // namespace

void frmMain::cmdTst_Click() {
    if (txtTstID->text().isEmpty()) return;
    if (tmrTest.enabled()) {
        tmrTest.set_enabled(false);
        cmdTst->setText(QStringLiteral("Test ON"));
    } else {
        tmrTest.set_interval(kTestTickMs);
        tmrTest.set_enabled(true);
        cmdTst->setText(QStringLiteral("Test OFF"));
    }
}

void frmMain::tmrTest_Timer() {
    const QString upper = txtTstID->text().toUpper();
    // Rewriting an unchanged text would move the operator's cursor on every tick.
    if (upper != txtTstID->text()) txtTstID->setText(upper);
    // The address as found in the table goes out, without the blanks typed around it.
    const std::string shortId = modMain::Trim(modMain::FromDisplay(upper));
    if (modMain::FindDeviceByShort(shortId) == 0) return;
    if (TestOutputOn == 0) {
        TestOutputOn = 1;
        ZigBeeNet.SetOutput(shortId, kTestPort);
    } else {
        TestOutputOn = 0;
        ZigBeeNet.ResetOutput(shortId, kTestPort);
    }
}
