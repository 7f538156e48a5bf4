#pragma once
// The log's scroll bars repaint with every line it takes. Some styles fill the groove with a gradient,
// and the raster painter spreads a gradient as tall as the bar over a pool of threads: a dozen thread
// wake-ups a line for pixels that have not changed. This style has its base style draw the groove
// once for each size and look, and copies that picture afterwards; handle and arrows are drawn as ever.
#include <QPalette>
#include <QPixmap>
#include <QProxyStyle>
#include <QSize>

class GrooveCacheStyle : public QProxyStyle {
public:
    // A new instance of the style named key (an empty or unknown key: the application's default).
    explicit GrooveCacheStyle(const QString& key);

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;

private:
    // Everything the groove's picture may depend on.
    struct Look {
        QSize size;
        qint64 palette = 0;
        int state = 0;
        int active = 0;
        qreal pixel_ratio = 0;
        bool operator==(const Look& o) const {
            return size == o.size && palette == o.palette && state == o.state && active == o.active &&
                   pixel_ratio == o.pixel_ratio;
        }
    };
    struct Groove {
        Look look;
        QPixmap picture;
    };
    mutable Groove groove_[2];  // horizontal, vertical
};
