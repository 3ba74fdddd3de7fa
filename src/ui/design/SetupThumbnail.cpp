#include "ui/design/SetupThumbnail.h"

#include "ui/design/AppIcons.h"
#include "ui/design/DSPalette.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSizeF>

namespace brisklet {

namespace {

double number(const QVariantMap& map, const char* key) {
    return map.value(QLatin1String(key)).toDouble();
}

} // namespace

SetupThumbnail::SetupThumbnail(QQuickItem* parent) : QQuickPaintedItem(parent) {
    setAntialiasing(true);
    relayout();
}

void SetupThumbnail::setItems(const QVariantList& items) {
    items_ = items;
    relayout();
}

void SetupThumbnail::setScreens(const QVariantList& screens) {
    screens_ = screens;
    relayout();
}

void SetupThumbnail::setScreenHeight(qreal height) {
    height_ = height;
    relayout();
}

void SetupThumbnail::setPalette(DSPalette* palette) {
    palette_ = palette;
    emit changed();
    update();
}

QVariantList SetupThumbnail::itemMaps(const std::vector<SetupItem>& items) {
    QVariantList maps;
    for (const SetupItem& item : items) {
        if (!item.frame)
            continue;
        maps << QVariantMap{{QStringLiteral("appID"), item.bundleID},
                            {QStringLiteral("web"), item.kind == SetupItemKind::url},
                            {QStringLiteral("rx"), item.frame->rx},
                            {QStringLiteral("ry"), item.frame->ry},
                            {QStringLiteral("rw"), item.frame->rw},
                            {QStringLiteral("rh"), item.frame->rh},
                            {QStringLiteral("displayIndex"), item.frame->displayIndex}};
    }
    return maps;
}

std::vector<SetupItem> SetupThumbnail::itemsFrom(const QVariantList& maps) {
    std::vector<SetupItem> items;
    for (const QVariant& value : maps) {
        const QVariantMap map = value.toMap();
        SetupItem item;
        item.bundleID = map.value(QStringLiteral("appID")).toString();
        item.kind = map.value(QStringLiteral("web")).toBool() ? SetupItemKind::url : SetupItemKind::app;
        item.frame = SetupFrame{number(map, "rx"), number(map, "ry"), number(map, "rw"), number(map, "rh"),
                                map.value(QStringLiteral("displayIndex")).toInt()};
        items.push_back(std::move(item));
    }
    return items;
}

void SetupThumbnail::relayout() {
    std::vector<QSizeF> sizes;
    for (const QVariant& value : screens_)
        sizes.push_back(value.toSizeF());
    layout_ = SetupThumbnailGeometry::layout(itemsFrom(items_), sizes, height_);
    icons_.clear();
    for (const auto& screen : layout_) {
        for (const auto& tile : screen.tiles)
            icons_.insert(tile.appID, AppIcons::instance().icon(tile.appID));
    }
    setImplicitWidth(SetupThumbnailGeometry::totalWidth(layout_));
    setImplicitHeight(height_);
    emit changed();
    update();
}

void SetupThumbnail::paint(QPainter* painter) {
    if (!palette_)
        return;
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    // Centred when the item is wider than the screens.
    double x = std::max(0.0, (width() - SetupThumbnailGeometry::totalWidth(layout_)) / 2);
    for (const auto& screen : layout_) {
        painter->save();
        painter->translate(x, 0);
        paintScreen(painter, screen);
        painter->restore();
        x += screen.width + SetupThumbnailGeometry::screenSpacing;
    }
}

void SetupThumbnail::paintScreen(QPainter* painter, const SetupThumbnailGeometry::Screen& screen) const {
    const QRectF bounds(0, 0, screen.width, screen.height);
    QPainterPath outline;
    outline.addRoundedRect(bounds, 6, 6);
    QLinearGradient fill(bounds.topLeft(), bounds.bottomLeft());
    QColor faded = palette_->well;
    faded.setAlphaF(faded.alphaF() * 0.55);
    fill.setColorAt(0, palette_->well);
    fill.setColorAt(1, faded);
    painter->fillPath(outline, fill);

    const QRectF area = bounds.adjusted(SetupThumbnailGeometry::inset, SetupThumbnailGeometry::inset,
                                        -SetupThumbnailGeometry::inset, -SetupThumbnailGeometry::inset);
    QPainterPath clip;
    clip.addRoundedRect(area, 6, 6);
    painter->save();
    painter->setClipPath(clip);
    for (const auto& tile : screen.tiles)
        paintTile(painter, tile);
    painter->restore();

    painter->setPen(QPen(palette_->hairline, 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), 5.5, 5.5);
}

void SetupThumbnail::paintTile(QPainter* painter, const SetupThumbnailGeometry::Tile& tile) const {
    const QRectF r = tile.rect;
    QPainterPath shape;
    shape.addRoundedRect(r, 2.5, 2.5);
    // A one-step soft shadow, 1 down.
    painter->fillPath(shape.translated(0, 1), QColor(0, 0, 0, 38));
    painter->fillPath(shape.translated(0, 1.5), QColor(0, 0, 0, 14));

    painter->save();
    painter->setClipPath(shape, Qt::IntersectClip);
    painter->fillRect(r, palette_->surface);
    painter->fillRect(QRectF(r.x(), r.y(), r.width(), tile.barHeight),
                      tile.web ? palette_->emberWash : palette_->well);
    const QImage icon = icons_.value(tile.appID);
    if (!icon.isNull()) {
        const QSizeF fitted = QSizeF(icon.size()).scaled(tile.iconSize, tile.iconSize, Qt::KeepAspectRatio);
        const QPointF centre = r.center() + QPointF(0, tile.barHeight / 2);
        painter->drawImage(QRectF(centre - QPointF(fitted.width() / 2, fitted.height() / 2), fitted), icon);
    }
    painter->restore();

    painter->setPen(QPen(palette_->hairlineStrong, 0.5));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(r.adjusted(0.25, 0.25, -0.25, -0.25), 2.25, 2.25);
}

} // namespace brisklet
