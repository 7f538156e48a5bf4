#pragma once
// Window sizes and positions are kept in twips, 15 to a pixel at 96 dpi, so the saved positions and
// the designed sizes keep their classic values.
#include <cstdint>

class QWidget;

namespace modMain {

constexpr int kTwipsPerPixel = 15;
// Outer size minus client size of a classic sizable window (borders and title bar), in twips.
constexpr int32_t kFrameWidthTwips = 90;
constexpr int32_t kFrameHeightTwips = 375;

int TwipsToPixels(double twips);
int32_t PixelsToTwips(int pixels);

int32_t ScreenWidthTwips();
int32_t ScreenHeightTwips();

// The window's outer size: the client area is that minus the frame allowance.
void SetOuterSizeTwips(QWidget* window, int32_t width, int32_t height);
void MoveToTwips(QWidget* window, double left, double top);
int32_t LeftTwips(const QWidget* window);
int32_t TopTwips(const QWidget* window);

// Where a window goes along one axis when it loads: its saved position while the window (of `size`)
// is not wholly before 0 and does not start beyond `screen`; otherwise `fallback`, for a position
// saved on a larger screen.
double PlaceAxis(float saved, int32_t size, int32_t screen, double fallback);

}  // namespace modMain
