#include "app/log_splash/frmLog.h"

#include <QCloseEvent>

#include "app/core/mod_main.h"
#include "app/core/saved_settings.h"
#include "app/core/twips.h"

namespace {
constexpr int32_t kHeight = 5250;
constexpr int32_t kWidth = 10935;
// Distance kept from the screen's right and bottom edges when a saved position is off-screen.
constexpr int32_t kRightMargin = 100;
constexpr int32_t kBottomMargin = 550;
}  // namespace

frmLog::frmLog(QWidget* parent) : QWidget(parent) {
    setupUi(this);
    // The log window has no caption. An empty title would not do: the window system is then given
    // the program's name instead. A blank is shown as nothing.
    setWindowTitle(QStringLiteral(" "));
    // The classic log font where it is installed, its free look-alike otherwise.
    QFont font = txtLOG->font();
    font.setFamilies({QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue")});
    txtLOG->setFont(font);
    modMain::windows().log = this;
    Form_Load();
}

frmLog::~frmLog() {
    if (modMain::windows().log == this) modMain::windows().log = nullptr;
}

void frmLog::Form_Load() {
    using namespace modMain;
    const float left = ReadSettingSingle(Setting::LogLeft);
    const float top = ReadSettingSingle(Setting::LogTop);
    SetOuterSizeTwips(this, kWidth, kHeight);
    const int32_t sw = ScreenWidthTwips();
    const int32_t sh = ScreenHeightTwips();
    MoveToTwips(this, PlaceAxis(left, kWidth, sw, sw - kWidth - kRightMargin),
                PlaceAxis(top, kHeight, sh, sh - kHeight - kBottomMargin));
}

void frmLog::Form_Unload() {
    modMain::SaveSetting(modMain::Setting::LogLeft, modMain::LeftTwips(this));
    modMain::SaveSetting(modMain::Setting::LogTop, modMain::TopTwips(this));
}

void frmLog::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}
