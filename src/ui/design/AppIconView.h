#pragma once

#include <QImage>
#include <QQuickPaintedItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace brisklet {

// An app's icon from the process-wide cache, stretched to the item's size.
class AppIconView : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString appID READ appID WRITE setAppID NOTIFY appIDChanged)
    // True when the app has no icon of its own and the placeholder shows.
    Q_PROPERTY(bool placeholder READ isPlaceholder NOTIFY appIDChanged)
public:
    explicit AppIconView(QQuickItem* parent = nullptr);

    QString appID() const { return appID_; }
    void setAppID(const QString& id);
    bool isPlaceholder() const;

    void paint(QPainter* painter) override;

signals:
    void appIDChanged();

private:
    QString appID_;
    QImage image_; // looked up here on the main thread: painting may run elsewhere
};

} // namespace brisklet
