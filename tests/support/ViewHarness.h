#pragma once

#include <QImage>
#include <QQuickItem>
#include <QQuickView>
#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <memory>
#include <optional>

namespace brisklet::test {

// A view of the QML module offscreen: loaded from a file of the module or from
// QML text, with its models as initial properties, rendered to an image on a
// transparent (or given) backdrop, its items found by objectName. Rendering
// uses the software renderer, so pictures are the same on every machine.
class ViewHarness final {
public:
    // Call once per program, before the first window.
    static void useSoftwareRenderer();

    // `forcedDark`: the window's own appearance (none: the app's).
    explicit ViewHarness(std::optional<bool> forcedDark = std::nullopt, QColor backdrop = Qt::transparent);
    ~ViewHarness();

    // A file of the module: "HUDView" loads qrc:/Brisklet/qml/HUDView.qml.
    bool loadView(const QString& name, const QVariantMap& properties = {});
    // QML text that imports what it needs ("import Brisklet" and so on).
    bool loadText(const QByteArray& qml, const QVariantMap& properties = {});
    QString errors() const;

    QQuickView& view() { return *view_; }
    QQuickItem* root() const;
    QQuickItem* find(const QString& objectName) const;
    static QQuickItem* find(QQuickItem* under, const QString& objectName);
    // Renders at 1:1 (ARGB32); null on failure.
    QImage render();
    // Saves a picture under <test binary>/ui-shots/<name>.png, laid over `backdrop`
    // (the surface it will sit on, for a person to look at), and returns its path.
    static QString save(const QImage& image, const QString& name, const QColor& backdrop = Qt::transparent);
    // An item's box in the rendered picture.
    QRect boxOf(const QQuickItem* item) const;
    // A left click on the middle of `item`; a test failure when there is none.
    void click(QQuickItem* item);

private:
    std::unique_ptr<QQuickView> view_;
};

} // namespace brisklet::test
