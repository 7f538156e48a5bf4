#include "app/core/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace modMain {

int TwipsToPixels(double twips) {
    // Far-off saved positions stay far off instead of overflowing.
    const double px = std::nearbyint(twips / kTwipsPerPixel);
    constexpr double kLimit = 1 << 24;
    return static_cast<int>(std::clamp(px, -kLimit, kLimit));
}

int32_t PixelsToTwips(int pixels) { return pixels * kTwipsPerPixel; }

namespace {
QSize screen_size() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().size() : QSize(0, 0);
}
}  // namespace

int32_t ScreenWidthTwips() { return PixelsToTwips(screen_size().width()); }
int32_t ScreenHeightTwips() { return PixelsToTwips(screen_size().height()); }

void SetOuterSizeTwips(QWidget* window, int32_t width, int32_t height) {
    window->resize(TwipsToPixels(width - kFrameWidthTwips), TwipsToPixels(height - kFrameHeightTwips));
}

void MoveToTwips(QWidget* window, double left, double top) { window->move(TwipsToPixels(left), TwipsToPixels(top)); }

int32_t LeftTwips(const QWidget* window) { return PixelsToTwips(window->x()); }
int32_t TopTwips(const QWidget* window) { return PixelsToTwips(window->y()); }

double PlaceAxis(float saved, int32_t size, int32_t screen, double fallback) {
    if (saved + static_cast<float>(size) < 0 || saved > static_cast<float>(screen)) return fallback;
    return saved;
}

}  // namespace modMain
