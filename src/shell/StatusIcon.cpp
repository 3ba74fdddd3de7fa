#include "shell/StatusIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace brisklet::StatusIcon {

namespace {

QPixmap draw(int size, bool paused, const QColor& color) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 18.0;
    QPen pen(color, 1.6 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(1.5 * unit, 1.5 * unit, 15 * unit, 15 * unit), 4 * unit, 4 * unit);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    if (paused) {
        p.drawRoundedRect(QRectF(6 * unit, 5.5 * unit, 2 * unit, 7 * unit), unit, unit);
        p.drawRoundedRect(QRectF(10 * unit, 5.5 * unit, 2 * unit, 7 * unit), unit, unit);
        return pixmap;
    }
    // Three bars of a level meter.
    const qreal heights[] = {4, 8, 5.5};
    for (int i = 0; i < 3; ++i) {
        const qreal h = heights[i] * unit;
        p.drawRoundedRect(QRectF((5 + 3 * i) * unit, 9 * unit - h / 2, 2 * unit, h), unit, unit);
    }
    return pixmap;
}

} // namespace

QIcon make(bool paused, const QColor& color) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48})
        icon.addPixmap(draw(size, paused, color));
    return icon;
}

} // namespace brisklet::StatusIcon
