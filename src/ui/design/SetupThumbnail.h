#pragma once

#include "ui/design/DSPalette.h"
#include "ui/design/SetupThumbnailGeometry.h"

#include <QHash>
#include <QImage>
#include <QPointer>
#include <QQuickPaintedItem>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace brisklet {

// A setup's windows in miniature: one small screen per display it uses, each
// window a tile with its app's icon. Drawn in one piece, so that rounded clips,
// gradients and shadows look the same on every renderer.
class SetupThumbnail : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    // The placed items: [{appID, web, rx, ry, rw, rh, displayIndex}].
    Q_PROPERTY(QVariantList items READ items WRITE setItems NOTIFY changed)
    // The sizes of the displays connected now, in the system's order.
    Q_PROPERTY(QVariantList screens READ screens WRITE setScreens NOTIFY changed)
    Q_PROPERTY(qreal screenHeight READ screenHeight WRITE setScreenHeight NOTIFY changed)
    Q_PROPERTY(brisklet::DSPalette* palette READ palette WRITE setPalette NOTIFY changed)
    Q_PROPERTY(int screenCount READ screenCount NOTIFY changed)
public:
    explicit SetupThumbnail(QQuickItem* parent = nullptr);

    QVariantList items() const { return items_; }
    void setItems(const QVariantList& items);
    QVariantList screens() const { return screens_; }
    void setScreens(const QVariantList& screens);
    qreal screenHeight() const { return height_; }
    void setScreenHeight(qreal height);
    DSPalette* palette() const { return palette_; }
    void setPalette(DSPalette* palette);
    int screenCount() const { return static_cast<int>(layout_.size()); }

    // The maps the view passes in, for the items that have a frame.
    static QVariantList itemMaps(const std::vector<SetupItem>& items);
    static std::vector<SetupItem> itemsFrom(const QVariantList& maps);

    void paint(QPainter* painter) override;

signals:
    void changed();

private:
    void relayout();
    void paintScreen(QPainter* painter, const SetupThumbnailGeometry::Screen& screen) const;
    void paintTile(QPainter* painter, const SetupThumbnailGeometry::Tile& tile) const;

    QVariantList items_;
    QVariantList screens_;
    qreal height_ = 74;
    QPointer<DSPalette> palette_;
    std::vector<SetupThumbnailGeometry::Screen> layout_;
    QHash<QString, QImage> icons_; // looked up on the main thread; painting may run elsewhere
};

} // namespace brisklet
