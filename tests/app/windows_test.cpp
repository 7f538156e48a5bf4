#include <gtest/gtest.h>

#include <set>

#include "app/core/mod_main.h"
#include "app/core/twips.h"
#include "app/log_splash/frmLog.h"
#include "app/log_splash/frmSplash.h"
#include "app/main_window/frmMain.h"
#include "tests/app/app_fixture.h"

using namespace modMain;

namespace {
// The position a window gets for a position in twips: whole pixels.
int32_t on_pixels(double twips) { return PixelsToTwips(TwipsToPixels(twips)); }
}  // namespace

using WindowPlacement = AppTest;

TEST_F(WindowPlacement, log_window_saved_off_screen_comes_back_near_the_lower_right_corner) {
    const double sw = ScreenWidthTwips(), sh = ScreenHeightTwips();
    struct Case {
        std::string left, top;
        double expected_left, expected_top;
    } cases[] = {
        {"<absent>", "<absent>", 1000, 1000},
        {std::to_string(int(sw) + 15), "-6000", sw - 10935 - 100.0, sh - 5250 - 550.0},
        {"-5000", std::to_string(int(sh)), -5000, sh},
        {"-10936", std::to_string(int(sh) + 1), sw - 10935 - 100.0, sh - 5250 - 550.0},
        {"abc", "1e999", 0, sh - 5250 - 550.0},
    };
    for (const Case& c : cases) {
        store.values.clear();
        if (c.left != "<absent>") save("LogLeft", c.left);
        if (c.top != "<absent>") save("LogTop", c.top);
        frmLog log;
        EXPECT_EQ(LeftTwips(&log), on_pixels(c.expected_left)) << c.left;
        EXPECT_EQ(TopTwips(&log), on_pixels(c.expected_top)) << c.top;
        EXPECT_EQ(log.width(), TwipsToPixels(10845));
        EXPECT_EQ(log.height(), TwipsToPixels(4875));
    }
}

TEST_F(WindowPlacement, main_window_saved_off_screen_comes_back_at_100_twips) {
    const double sw = ScreenWidthTwips(), sh = ScreenHeightTwips();
    struct Case {
        std::string left, top;
        double expected_left, expected_top;
    } cases[] = {
        {"<absent>", "<absent>", 1000, 1000},
        {std::to_string(int(sw) + 1), "-8971", 100, 100},
        {"-13170", std::to_string(int(sh)), -13170, sh},
        {"1500.4", "-200", 1500, -200},
    };
    for (const Case& c : cases) {
        store.values.clear();
        if (c.left != "<absent>") save("MainLeft", c.left);
        if (c.top != "<absent>") save("MainTop", c.top);
        frmMain w;
        EXPECT_EQ(LeftTwips(&w), on_pixels(c.expected_left)) << c.left;
        EXPECT_EQ(TopTwips(&w), on_pixels(c.expected_top)) << c.top;
    }
}

TEST_F(WindowPlacement, log_window_unload_saves_its_position_in_twips) {
    save("LogLeft", "1500");
    save("LogTop", "3000");
    frmLog log;
    log.Form_Unload();
    EXPECT_EQ(saved("LogLeft"), "1500");
    EXPECT_EQ(saved("LogTop"), "3000");
}

using SplashWindow = AppTest;

TEST_F(SplashWindow, shows_title_version_and_company_and_ends_its_wait_after_3_seconds) {
    frmSplash splash;
    EXPECT_EQ(splash.lblProductName->text(), "Lumaro");
    EXPECT_EQ(splash.lblVersion->text(), "Version 1.0.25");
    EXPECT_EQ(splash.lblCompany->text(), "Northgate Radio Systems");
    EXPECT_EQ(splash.lblCompanyProduct->text(), "Northgate Radio Systems");
    EXPECT_EQ(splash.lblCopyright->text(), "Copyright (C) 2026 Northgate Radio Systems");
    EXPECT_EQ(splash.windowTitle(), "");
    EXPECT_EQ(splash.size(), QSize(TwipsToPixels(7455), TwipsToPixels(4710)));
    EXPECT_FALSE(splash.picLogo->pixmap().isNull());
    clock.advance(2999);
    EXPECT_EQ(g().SplashDone, 0);
    clock.advance(1);
    EXPECT_EQ(g().SplashDone, 10);
}

using MainWindow = AppTest;

TEST_F(MainWindow, every_list_row_and_timer_is_in_place_as_designed) {
    frmMain w;
    EXPECT_EQ(windows().main, &w);
    std::set<QLabel*> distinct;
    for (const auto* group : {&w.lblLstDEVSeq, &w.lblLstDEVDep, &w.lblLstDEVShort, &w.lblLstDEVName,
                              &w.lblLstDEVType, &w.lblLstDEVKa, &w.picSTSDEV})
        for (QLabel* l : *group) {
            ASSERT_NE(l, nullptr);
            EXPECT_TRUE(w.frmLSTDEV->isAncestorOf(l));
            distinct.insert(l);
        }
    EXPECT_EQ(distinct.size(), 7u * 12u);
    EXPECT_EQ(w.lblLstDEVName[11]->objectName(), "lblLstDEVName_11");
    EXPECT_EQ(w.width(), TwipsToPixels(13170 - kFrameWidthTwips));
    EXPECT_EQ(w.height(), TwipsToPixels(8970 - kFrameHeightTwips));
    struct Timer {
        const platform::Timer& t;
        uint16_t interval;
    } timers[] = {{w.tmrTimeOut, 100}, {w.tmrDevAlive, 1000}, {w.tmrGenOper, 100}, {w.tmrNewDevice, 100},
                  {w.tmrTest, 500}};
    for (const Timer& t : timers) {
        EXPECT_EQ(t.t.interval(), t.interval);
        EXPECT_FALSE(t.t.enabled());
    }
    EXPECT_FALSE(w.frmNETWORK->isEnabled());
    EXPECT_FALSE(w.frmLSTDEV->isEnabled());
}

TEST_F(MainWindow, status_panels_and_image_list_count_from_1) {
    frmMain w;
    ASSERT_EQ(w.Status->Count(), 2);
    w.Status->Panels(1).setText("Net Locked");
    w.Status->Panels(2).setText("OCX Version:1.0");
    EXPECT_EQ(w.Status->Panels(1).text(), "Net Locked");
    EXPECT_EQ(w.Status->Panels(2).text(), "OCX Version:1.0");
    EXPECT_THROW(w.Status->Panels(0), std::out_of_range);
    EXPECT_THROW(w.Status->Panels(3), std::out_of_range);
    ASSERT_EQ(w.imgList.Count(), 3);
    const QImage red = w.imgList.ListImages(1).toImage();
    const QImage green = w.imgList.ListImages(2).toImage();
    EXPECT_EQ(red.size(), QSize(24, 24));
    EXPECT_GT(QColor(red.pixel(12, 16)).red(), QColor(red.pixel(12, 16)).green());
    EXPECT_GT(QColor(green.pixel(12, 16)).green(), QColor(green.pixel(12, 16)).red());
    EXPECT_THROW(w.imgList.ListImages(4), std::out_of_range);
}
