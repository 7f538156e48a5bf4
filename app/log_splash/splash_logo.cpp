#include "app/log_splash/splash_logo.h"

#include <QPainter>
#include <QPainterPath>

QPixmap PaintSplashLogo(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 100.0, size / 100.0);

    // Rounded tile.
    QLinearGradient bg(0, 0, 0, 100);
    bg.setColorAt(0, QColor(38, 92, 160));
    bg.setColorAt(1, QColor(18, 48, 96));
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(2, 2, 96, 96), 16, 16);

    // Mesh links and nodes.
    const QPointF nodes[] = {{30, 62}, {70, 56}, {22, 84}, {52, 84}, {80, 82}};
    const QPointF hub(50, 62);
    p.setPen(QPen(QColor(150, 200, 255), 2.2));
    for (const QPointF& n : nodes) p.drawLine(hub, n);
    p.drawLine(nodes[2], nodes[3]);
    p.drawLine(nodes[3], nodes[4]);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 230, 120));
    for (const QPointF& n : nodes) p.drawEllipse(n, 5, 5);

    // Mast with its radio waves.
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(50, 62), QPointF(50, 26));
    p.setBrush(QColor(255, 200, 60));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(50, 24), 5.5, 5.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 200, 60), 3, Qt::SolidLine, Qt::RoundCap));
    for (int r = 12; r <= 24; r += 12) {
        const QRectF arc(50 - r, 24 - r, 2 * r, 2 * r);
        p.drawArc(arc, -40 * 16, 80 * 16);
        p.drawArc(arc, 140 * 16, 80 * 16);
    }
    return pm;
}
