#include "app/log_splash/banded_scroll_bar_style.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QStyleOption>
#include <algorithm>
#include <cmath>

namespace {
// Device rows per band; the painter fills fewer than 96 rows on the calling thread.
constexpr int kBandDeviceRows = 64;
}  // namespace

BandedScrollBarStyle::BandedScrollBarStyle(const QString& key) : QProxyStyle(key) {}

void BandedScrollBarStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                              QPainter* painter, const QWidget* widget) const {
    const qreal ratio = std::max<qreal>(painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0, 1.0);
    const int rows = std::max(8, static_cast<int>(kBandDeviceRows / std::ceil(ratio)));
    const QRect whole = option->rect;
    if (control != CC_ScrollBar || whole.height() <= rows) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    // Each band is drawn on a picture of its own rather than through a clip on the widget's painter:
    // the style sets clips of its own, which would let a band's translucent edges through into the
    // other bands.
    QImage band(QSize(whole.width(), rows) * ratio, QImage::Format_ARGB32_Premultiplied);
    band.setDevicePixelRatio(ratio);
    for (int top = whole.top(); top <= whole.bottom(); top += rows) {
        band.fill(Qt::transparent);
        {
            QPainter on_band(&band);
            on_band.setRenderHints(painter->renderHints());
            on_band.translate(-whole.left(), -top);
            QProxyStyle::drawComplexControl(control, option, &on_band, widget);
        }
        const int height = std::min(rows, whole.bottom() + 1 - top);
        painter->drawImage(QRect(whole.left(), top, whole.width(), height), band,
                           QRect(0, 0, band.width(), static_cast<int>(std::lround(height * ratio))));
    }
}
