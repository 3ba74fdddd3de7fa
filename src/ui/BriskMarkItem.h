#pragma once

#include <QColor>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

namespace brisklet {

// Paints the brand mark: the ribbon (an ember gradient) rotated by castAngle about the centre, and the star
// scaled about the centre with its glow; `flat` draws it all in `flatColor`, without glow. Animation lives in
// the BriskMark view. Not final: Qt 6.4 registers a QML type by deriving from it.
class BriskMarkItem : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(qreal progress MEMBER progress_ WRITE setProgress NOTIFY changed)
    Q_PROPERTY(qreal castAngle MEMBER castAngle_ WRITE setCastAngle NOTIFY changed)
    Q_PROPERTY(qreal starScale MEMBER starScale_ WRITE setStarScale NOTIFY changed)
    Q_PROPERTY(qreal starOpacity MEMBER starOpacity_ WRITE setStarOpacity NOTIFY changed)
    // The glow's strength, 0…1 (the live level); none for a flat mark.
    Q_PROPERTY(qreal glow MEMBER glow_ WRITE setGlow NOTIFY changed)
    Q_PROPERTY(QColor ember MEMBER ember_ WRITE setEmber NOTIFY changed)
    Q_PROPERTY(bool flat MEMBER flat_ WRITE setFlat NOTIFY changed)
    Q_PROPERTY(QColor flatColor MEMBER flatColor_ WRITE setFlatColor NOTIFY changed)
public:
    explicit BriskMarkItem(QQuickItem* parent = nullptr);
    void paint(QPainter* painter) override;

    void setProgress(qreal v);
    void setCastAngle(qreal v);
    void setStarScale(qreal v);
    void setStarOpacity(qreal v);
    void setGlow(qreal v);
    void setEmber(const QColor& c);
    void setFlat(bool flat);
    void setFlatColor(const QColor& c);

signals:
    void changed();

private:
    void set(qreal& field, qreal v);
    void paintStar(QPainter* painter, const QRectF& box);

    qreal progress_ = 1;
    qreal castAngle_ = 0;
    qreal starScale_ = 1;
    qreal starOpacity_ = 1;
    qreal glow_ = 0;
    QColor ember_{0xF5, 0xA6, 0x23};
    bool flat_ = false;
    QColor flatColor_{Qt::black};
};

} // namespace brisklet
