#include "app/log_splash/groove_cache_style.h"

#include <QPainter>
#include <QStyleOptionSlider>

GrooveCacheStyle::GrooveCacheStyle(const QString& key) : QProxyStyle(key) {}

void GrooveCacheStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                          QPainter* painter, const QWidget* widget) const {
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || bar == nullptr || !(bar->subControls & SC_ScrollBarGroove) ||
        bar->rect.isEmpty()) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
    const Look look{bar->rect.size(), bar->palette.cacheKey(), static_cast<int>(bar->state),
                    static_cast<int>(bar->activeSubControls), ratio};
    Groove& groove = groove_[bar->orientation == Qt::Vertical ? 1 : 0];
    if (groove.picture.isNull() || !(groove.look == look)) {
        groove.picture = QPixmap(bar->rect.size() * ratio);
        groove.picture.setDevicePixelRatio(ratio);
        // Opaque, so that the copy is a plain blit; the groove covers the bar in the styles that fill it.
        groove.picture.fill(bar->palette.color(QPalette::Window));
        QStyleOptionSlider alone = *bar;
        alone.rect.moveTo(0, 0);
        alone.subControls = SC_ScrollBarGroove;
        QPainter on_picture(&groove.picture);
        baseStyle()->drawComplexControl(control, &alone, &on_picture, widget);
        groove.look = look;
    }
    painter->drawPixmap(bar->rect.topLeft(), groove.picture);
    QStyleOptionSlider rest = *bar;
    rest.subControls &= ~SC_ScrollBarGroove;
    QProxyStyle::drawComplexControl(control, &rest, painter, widget);
}
