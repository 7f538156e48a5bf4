#pragma once
// The log's scroll bars repaint with every line it takes. Fusion fills groove and handle with
// gradients, and the raster painter hands any fill taller than about a hundred rows to a pool of
// threads: a dozen thread wake-ups a line for a strip 16 pixels wide. This style has its base style
// draw a scroll bar in bands short enough to be filled in place; every pixel comes out the same.
#include <QProxyStyle>

class BandedScrollBarStyle : public QProxyStyle {
public:
    // A new instance of the style named key (an empty or unknown key: the application's default).
    explicit BandedScrollBarStyle(const QString& key);

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
};
