#include "app/main_window/frmMain.h"

#include "app/core/localised_captions.h"
#include "app/core/mod_main.h"
#include "app/core/reply_wait.h"
#include "app/core/saved_settings.h"
#include "app/core/twips.h"

namespace {

constexpr int32_t kHeight = 8970;
constexpr int32_t kWidth = 13170;
// Where the window goes when its saved position is off this screen.
constexpr double kOffScreenPosition = 100;

// The row widgets named <prefix>_0 .. <prefix>_11 in the window definition.
frmMain::RowLabels row_group(QWidget* window, const QString& prefix) {
    frmMain::RowLabels group{};
    for (int k = 0; k < frmMain::kListRows; ++k)
        group[static_cast<size_t>(k)] = window->findChild<QLabel*>(prefix + QLatin1Char('_') + QString::number(k));
    return group;
}

}  // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
    setupUi(this);
    lblLstDEVSeq = row_group(this, QStringLiteral("lblLstDEVSeq"));
    lblLstDEVDep = row_group(this, QStringLiteral("lblLstDEVDep"));
    lblLstDEVShort = row_group(this, QStringLiteral("lblLstDEVShort"));
    lblLstDEVName = row_group(this, QStringLiteral("lblLstDEVName"));
    lblLstDEVType = row_group(this, QStringLiteral("lblLstDEVType"));
    lblLstDEVKa = row_group(this, QStringLiteral("lblLstDEVKa"));
    picSTSDEV = row_group(this, QStringLiteral("picSTSDEV"));

    tmrTimeOut.set_interval(100);
    tmrTimeOut.set_on_tick([this] { tmrTimeOut_Timer(); });
    tmrDevAlive.set_interval(1000);
    tmrGenOper.set_interval(100);
    tmrNewDevice.set_interval(100);
    tmrTest.set_interval(500);

    modMain::windows().main = this;
    Form_Load();
}

frmMain::~frmMain() {
    if (modMain::windows().main == this) modMain::windows().main = nullptr;
}

void frmMain::Form_Load() {
    using namespace modMain;
    ApplyLocalisedCaptions(this);
    const float left = ReadSettingSingle(Setting::MainLeft);
    const float top = ReadSettingSingle(Setting::MainTop);
    SetOuterSizeTwips(this, kWidth, kHeight);
    MoveToTwips(this, PlaceAxis(left, kWidth, ScreenWidthTwips(), kOffScreenPosition),
                PlaceAxis(top, kHeight, ScreenHeightTwips(), kOffScreenPosition));
}

void frmMain::tmrTimeOut_Timer() { modMain::ReplyWaitTick(); }
