#include "app/main_window/image_list.h"

#include <QPainter>
#include <QRadialGradient>
#include <stdexcept>

namespace {

QPixmap paint_lamp(const QColor& colour) {
    QPixmap pm(ImageList::kIconSize, ImageList::kIconSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(2.5, 2.5, 19, 19);
    QRadialGradient glow(body.center() - QPointF(3, 3), 12);
    glow.setColorAt(0, colour.lighter(170));
    glow.setColorAt(0.6, colour);
    glow.setColorAt(1, colour.darker(150));
    p.setPen(QPen(colour.darker(220), 1.2));
    p.setBrush(glow);
    p.drawEllipse(body);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawEllipse(QRectF(7, 6, 6, 4));
    return pm;
}

}  // namespace

ImageList::ImageList()
    : images_{paint_lamp(QColor(220, 30, 30)), paint_lamp(QColor(30, 200, 40)), paint_lamp(QColor(245, 170, 20))} {}

const QPixmap& ImageList::ListImages(int index) const {
    if (index < 1 || index > Count()) throw std::out_of_range("image list index");
    return images_[static_cast<size_t>(index - 1)];
}
