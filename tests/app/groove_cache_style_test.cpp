#include <gtest/gtest.h>

#include <QImage>
#include <QScrollBar>
#include <QStyleFactory>
#include <memory>

#include "app/log_splash/groove_cache_style.h"
#include "tests/app/app_fixture.h"

namespace {

QImage picture_of(QScrollBar& bar) { return bar.grab().toImage().convertToFormat(QImage::Format_RGB32); }

}  // namespace

// A scroll bar drawn with the reused groove looks exactly like one drawn by its style, also after the
// handle moves (the groove is reused) and after its size, orientation, colours or state change (it
// must not be).
TEST_F(AppTest, scroll_bar_with_reused_groove_matches_its_style_through_every_change) {
    struct Step {
        Qt::Orientation orientation;
        QSize size;
        int value;
        QColor button;
        bool enabled;
    };
    const QColor grey(0xEF, 0xEF, 0xEF), blue(0x70, 0x90, 0xE0);
    const Step steps[] = {
        {Qt::Vertical, {16, 300}, 0, grey, true},      {Qt::Vertical, {16, 300}, 60, grey, true},
        {Qt::Vertical, {16, 420}, 60, grey, true},     {Qt::Vertical, {16, 420}, 100, blue, true},
        {Qt::Vertical, {16, 420}, 100, blue, false},   {Qt::Vertical, {16, 420}, 100, grey, true},
        {Qt::Horizontal, {300, 16}, 30, grey, true},   {Qt::Vertical, {16, 420}, 0, grey, true},
    };
    std::unique_ptr<QStyle> plain(QStyleFactory::create("Fusion"));
    GrooveCacheStyle reusing("Fusion");
    QScrollBar drawn, reference;
    drawn.setStyle(&reusing);
    reference.setStyle(plain.get());
    for (const Step& s : steps) {
        for (QScrollBar* bar : {&drawn, &reference}) {
            QPalette palette = bar->palette();
            palette.setColor(QPalette::Button, s.button);
            bar->setPalette(palette);
            bar->setOrientation(s.orientation);
            bar->setRange(0, 100);
            bar->setValue(s.value);
            bar->setEnabled(s.enabled);
            bar->resize(s.size);
        }
        EXPECT_EQ(picture_of(drawn), picture_of(reference))
            << "size " << s.size.width() << "x" << s.size.height() << ", value " << s.value;
    }
}
