#include <gtest/gtest.h>

#include <QImage>
#include <QScrollBar>
#include <QStyleFactory>
#include <memory>

#include "app/log_splash/banded_scroll_bar_style.h"
#include "tests/app/app_fixture.h"

namespace {

QImage picture_of(QScrollBar& bar) { return bar.grab().toImage().convertToFormat(QImage::Format_RGB32); }

}  // namespace

// A scroll bar drawn in bands looks exactly like one drawn whole by its style, wherever its handle is
// and whatever its size, orientation, colours or state.
TEST_F(AppTest, scroll_bar_drawn_in_bands_matches_its_style_drawn_whole) {
    struct Step {
        Qt::Orientation orientation;
        QSize size;
        int value;
        int page;  // a large page step makes a tall handle
        QColor button;
        bool enabled;
    };
    const QColor grey(0xEF, 0xEF, 0xEF), blue(0x70, 0x90, 0xE0);
    const Step steps[] = {
        {Qt::Vertical, {16, 300}, 0, 10, grey, true},     {Qt::Vertical, {16, 300}, 60, 10, grey, true},
        {Qt::Vertical, {16, 420}, 30, 300, grey, true},   {Qt::Vertical, {16, 420}, 100, 10, blue, true},
        {Qt::Vertical, {16, 421}, 100, 10, blue, false},  {Qt::Horizontal, {300, 16}, 30, 10, grey, true},
    };
    std::unique_ptr<QStyle> plain(QStyleFactory::create("Fusion"));
    BandedScrollBarStyle banded("Fusion");
    QScrollBar drawn, reference;
    drawn.setStyle(&banded);
    reference.setStyle(plain.get());
    for (const Step& s : steps) {
        for (QScrollBar* bar : {&drawn, &reference}) {
            QPalette palette = bar->palette();
            palette.setColor(QPalette::Button, s.button);
            bar->setPalette(palette);
            bar->setOrientation(s.orientation);
            bar->setRange(0, 100);
            bar->setPageStep(s.page);
            bar->setValue(s.value);
            bar->setEnabled(s.enabled);
            bar->resize(s.size);
        }
        EXPECT_EQ(picture_of(drawn), picture_of(reference))
            << "size " << s.size.width() << "x" << s.size.height() << ", value " << s.value;
    }
}
