#pragma once

#include "ui/design/FloatingSurface.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QUrl>
#include <QVariantMap>
#include <QWindow>
#include <memory>
#include <optional>

class QPropertyAnimation;
class QQmlEngine;

namespace brisklet {

// A frameless Qt Quick window that floats above every other window: the window
// manager never manages it, it never takes focus, and clicks pass through it
// unless the controller says otherwise. Without a compositor its transparent
// parts would show black, so the window is cut to its rounded content; with one
// only its input is, and the content's shadow shows around it.
// Window and view come from QML, so Qt Quick is loaded only once a panel is made.
class FloatingPanel final : public QObject, public FloatingSurface {
    Q_OBJECT
public:
    // Whether a panel can be made at all: not in a headless run (no GUI application)
    // nor while no display is connected. Without one the controllers keep their
    // states and cards with no surface.
    static bool canShow();
    struct Options {
        QUrl source;
        QSize size;
        QVariantMap properties; // the view's required properties
        std::optional<bool> forcedDark;
        QRect shape; // the visible part; empty: the whole window
        int shapeRadius = 0;
        // Panels of a higher level stay above: receipt 3, heads-up display 25, pick panel 101.
        int level = 0;
    };

    explicit FloatingPanel(const Options& options, QObject* parent = nullptr);
    ~FloatingPanel() override;

    QSize size() const override { return size_; }
    void moveTo(QPoint topLeft) override;
    void setClickThrough(bool through) override;
    bool isClickThrough() const override { return clickThrough_; }
    void orderFront() override;
    void fadeIn(double seconds) override;
    void fadeOut(double seconds) override;
    void orderOut() override;
    bool isVisible() const override;

    // Takes the size the view asks for (its implicit size).
    void fitToContent();
    // Shapes the window to the view's item of that name, with rounded corners,
    // once the view has laid itself out.
    void shapeTo(const QString& itemName, int radius);

    QWindow* window() const { return window_; }
    // The view inside the window (its root item).
    QObject* content() const { return content_; }

private:
    void setContentOpacity(qreal opacity);
    // Above the rest, then every visible panel of a higher level back on top.
    void raiseInLevel();
    void animateOpacity(qreal to, double seconds);
    void setShape(const QRegion& shape);
    void applyShape();

    QSize size_;
    int level_ = 0;
    bool clickThrough_ = true;
    QRegion shape_; // the visible part; empty: the whole window
    std::unique_ptr<QQmlEngine> engine_;
    QPointer<QWindow> window_;
    QPointer<QObject> content_;
    QPointer<QPropertyAnimation> fade_;
};

} // namespace brisklet
