#include "ui/design/BriskGeometry.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace brisklet::BriskGeometry {

namespace {

constexpr qreal kGrid = 28;
constexpr QPointF kStarCentre{21.8, 6.2};

qreal unit(const QRectF& r) {
    return std::min(r.width(), r.height()) / kGrid;
}

} // namespace

QPainterPath strokePath(const QRectF& r, qreal progress) {
    const qreal p = std::isnan(progress) ? 1 : std::clamp(progress, 0.001, 1.0);
    const qreal s = unit(r);
    const qreal floor = r.width() < 18 ? 0.6 : 0.45;
    QPointF left[13];
    QPointF right[13];
    for (int i = 0; i <= 12; ++i) {
        const qreal t = p * i / 12;
        const qreal u = 1 - t;
        const qreal x = 6.5 * u * u + 2 * 10 * u * t + 19 * t * t;
        const qreal y = 22.5 * u * u + 2 * 18 * u * t + 9 * t * t;
        const qreal dx = 2 * u * 3.5 + 2 * t * 9;
        const qreal dy = 2 * u * -4.5 + 2 * t * -9;
        const qreal length = std::max(std::sqrt(dx * dx + dy * dy), 0.0001);
        const qreal nx = -dy / length;
        const qreal ny = dx / length;
        const qreal w = std::max(1.5 - 1.05 * t, floor);
        left[i] = {r.left() + s * (x + w * nx), r.top() + s * (y + w * ny)};
        right[i] = {r.left() + s * (x - w * nx), r.top() + s * (y - w * ny)};
    }
    QPainterPath path(left[0]);
    for (int i = 1; i <= 12; ++i)
        path.lineTo(left[i]);
    for (int i = 12; i >= 0; --i)
        path.lineTo(right[i]);
    path.closeSubpath();
    return path;
}

QPainterPath starPath(const QRectF& r, std::optional<QPointF> center, qreal scale) {
    const qreal s = unit(r);
    const QPointF g = center.value_or(kStarCentre);
    const QPointF c{r.left() + s * g.x(), r.top() + s * g.y()};
    const qreal outer = 4.5 * s * scale;
    const qreal inner = 1.3 * s * scale;
    const auto at = [&](qreal radius, qreal degrees) {
        const qreal a = qDegreesToRadians(degrees);
        return c + QPointF(radius * std::cos(a), radius * std::sin(a));
    };
    QPainterPath path(at(outer, -90));
    path.quadTo(at(inner, -45), at(outer, 0));
    path.quadTo(at(inner, 45), at(outer, 90));
    path.quadTo(at(inner, 135), at(outer, 180));
    path.quadTo(at(inner, 225), at(outer, -90));
    path.closeSubpath();
    return path;
}

QImage statusImage(bool paused, qreal devicePixelRatio) {
    const int side = int(std::ceil(18 * devicePixelRatio));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF rect(0, 0, 18, 18);
    QPainterPath mark = strokePath(rect, 1);
    mark.addPath(starPath(rect));
    mark.setFillRule(Qt::WindingFill);
    painter.fillPath(mark, Qt::black);
    if (paused) {
        const QLineF slash(2.5, 2.5, 18 - 2.5, 18 - 2.5);
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.setPen(QPen(Qt::black, 3.2, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(slash);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setPen(QPen(Qt::black, 1.6, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(slash);
    }
    painter.end();
    image.setText(QStringLiteral("Description"), QStringLiteral("Brisklet"));
    return image;
}

} // namespace brisklet::BriskGeometry
