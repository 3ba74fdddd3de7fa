#pragma once

#include "ui/DSPalette.h"

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>
#include <optional>

class QQuickItem;
class QQuickWindow;
class QWindow;

namespace brisklet {

// The palette in effect for an item (QML: Theme.c.ink): its window's forced
// appearance if it has one, else the app's. Follows the item into another
// window and the app's appearance as it changes.
class Theme final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Theme is an attached property.")
    QML_ATTACHED(Theme)
    Q_PROPERTY(DSPalette* c READ c NOTIFY changed)
    Q_PROPERTY(bool dark READ dark NOTIFY changed)
public:
    explicit Theme(QObject* attachee);
    static Theme* qmlAttachedProperties(QObject* attachee);

    // Give a window an appearance of its own (dark: the heads-up display), or none.
    // Set it before the window's content is created.
    static void force(QWindow* window, std::optional<bool> dark);
    static std::optional<bool> forced(const QWindow* window);

    DSPalette* c() const;
    bool dark() const;

signals:
    void changed();

private:
    void follow(QQuickWindow* window);

    QPointer<QQuickItem> item_;
    bool dark_ = false;
};

} // namespace brisklet
