// Brings the windows up; the start-up procedure with the coordinator handshake takes over from here.
#include <QApplication>

#include "app/core/mod_main.h"
#include "app/core/saved_settings.h"
#include "app/core/string_table.h"
#include "app/log_splash/frmLog.h"
#include "app/log_splash/frmSplash.h"
#include "app/main_window/frmMain.h"
#include "platform/clock.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    modMain::State& s = modMain::g();
    s.ShowSplash = modMain::ReadSettingInt16(modMain::Setting::ShowSplash);
    s.LangID = modMain::ReadSettingInt16(modMain::Setting::LangID);
    modMain::SelectLanguage();
    if (s.ShowSplash == 1) {
        s.SplashDone = 0;
        frmSplash splash;
        splash.show();
        while (s.SplashDone != 10) platform::pump_events(platform::Clock::kForever);
    }
    frmLog log;
    log.show();
    frmMain main;
    main.show();
    return QApplication::exec();
}
