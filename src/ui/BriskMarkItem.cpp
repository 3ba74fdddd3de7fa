#include "ui/BriskMarkItem.h"

#include "ui/BriskGeometry.h"

#include <QLinearGradient>
#include <QPainter>

namespace brisklet {

BriskMarkItem::BriskMarkItem(QQuickItem* parent) : QQuickPaintedItem(parent) {
    setAntialiasing(true);
    connect(this, &BriskMarkItem::changed, this, [this] { update(); });
}

void BriskMarkItem::set(qreal& field, qreal v) {
    if (qFuzzyCompare(field, v))
        return;
    field = v;
    emit changed();
}

void BriskMarkItem::setProgress(qreal v) {
    set(progress_, v);
}
void BriskMarkItem::setCastAngle(qreal v) {
    set(castAngle_, v);
}
void BriskMarkItem::setStarScale(qreal v) {
    set(starScale_, v);
}
void BriskMarkItem::setStarOpacity(qreal v) {
    set(starOpacity_, v);
}
void BriskMarkItem::setGlow(qreal v) {
    set(glow_, v);
}
void BriskMarkItem::setEmber(const QColor& c) {
    if (c == ember_)
        return;
    ember_ = c;
    emit changed();
}
void BriskMarkItem::setFlat(bool flat) {
    if (flat == flat_)
        return;
    flat_ = flat;
    emit changed();
}
void BriskMarkItem::setFlatColor(const QColor& c) {
    if (c == flatColor_)
        return;
    flatColor_ = c;
    emit changed();
}

void BriskMarkItem::paint(QPainter* painter) {
    const qreal side = std::min(width(), height());
    const QRectF box(0, 0, side, side);
    painter->setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width() / 2, height() / 2);

    painter->save();
    painter->translate(centre);
    painter->rotate(castAngle_);
    painter->translate(-centre);
    if (flat_) {
        painter->fillPath(BriskGeometry::strokePath(box, progress_), flatColor_);
    } else {
        // From the spine's start to its end.
        QLinearGradient gradient(side * 6.5 / 28, side * 22.5 / 28, side * 19 / 28, side * 9 / 28);
        QColor faint = ember_;
        faint.setAlphaF(0.55f * ember_.alphaF());
        gradient.setColorAt(0, faint);
        gradient.setColorAt(1, ember_);
        painter->fillPath(BriskGeometry::strokePath(box, progress_), gradient);
    }
    painter->restore();
    paintStar(painter, box);
}

void BriskMarkItem::paintStar(QPainter* painter, const QRectF& box) {
    if (starOpacity_ <= 0)
        return;
    const QPointF centre(width() / 2, height() / 2);
    painter->save();
    painter->setOpacity(starOpacity_);
    painter->translate(centre);
    painter->scale(starScale_, starScale_);
    painter->translate(-centre);
    const QPainterPath star = BriskGeometry::starPath(box);
    if (!flat_) {
        // A glow without image blur: widening strokes of falling alpha.
        const qreal unit = box.width() / 28;
        const qreal radius = (2 + 3 * glow_) * unit;
        const qreal strength = 0.35 + 0.4 * glow_;
        for (int ring = 4; ring >= 1; --ring) {
            QColor c = ember_;
            c.setAlphaF(float(strength * 0.22 * (5 - ring) / 4));
            painter->strokePath(star, QPen(c, radius * ring / 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        }
    }
    painter->fillPath(star, flat_ ? flatColor_ : ember_);
    painter->restore();
}

} // namespace brisklet
