#include "app/log_splash/frmSplash.h"

#include "app/core/mod_main.h"
#include "app/core/twips.h"
#include "app/core/version_info.h"
#include "app/log_splash/splash_logo.h"

namespace {
constexpr int32_t kClientWidth = 7455;
constexpr int32_t kClientHeight = 4710;
constexpr uint16_t kSplashMs = 3000;
}  // namespace

frmSplash::frmSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setupUi(this);
    picLogo->setPixmap(PaintSplashLogo(picLogo->width()));
    tmrSplash.set_interval(kSplashMs);
    tmrSplash.set_on_tick([this] { tmrSplash_Timer(); });
    modMain::windows().splash = this;
    Form_Load();
}

frmSplash::~frmSplash() {
    if (modMain::windows().splash == this) modMain::windows().splash = nullptr;
}

void frmSplash::Form_Load() {
    using namespace modMain;
    tmrSplash.set_enabled(true);
    lblVersion->setText(QStringLiteral("Version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision));
    lblProductName->setText(QString::fromLatin1(kAppTitle));
    lblCompany->setText(QString::fromLatin1(kCompanyName));
    lblCopyright->setText(QString::fromLatin1(kLegalCopyright));
    lblCompanyProduct->setText(QString::fromLatin1(kCompanyName));
    const int w = TwipsToPixels(kClientWidth);
    const int h = TwipsToPixels(kClientHeight);
    resize(w, h);
    move(TwipsToPixels(ScreenWidthTwips() - kClientWidth) / 2, TwipsToPixels(ScreenHeightTwips() - kClientHeight) / 2);
}

void frmSplash::tmrSplash_Timer() { modMain::g().SplashDone = 10; }
