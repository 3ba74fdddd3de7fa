#include "support/ViewHarness.h"

#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItemGrabResult>
#include <QTest>
#include <gtest/gtest.h>

#include "ui/design/DesignSystem.h"

namespace brisklet::test {

void ViewHarness::useSoftwareRenderer() {
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

ViewHarness::ViewHarness(std::optional<bool> forcedDark, QColor backdrop)
    : view_(std::make_unique<QQuickView>()) {
    QSurfaceFormat format = view_->format();
    format.setAlphaBufferSize(8);
    view_->setFormat(format);
    view_->setColor(backdrop);
    // The module's files live under qrc:/Brisklet.
    view_->engine()->addImportPath(QStringLiteral("qrc:/"));
    view_->setResizeMode(QQuickView::SizeViewToRootObject);
    DesignSystem::forceAppearance(view_.get(), forcedDark);
}

ViewHarness::~ViewHarness() = default;

bool ViewHarness::loadView(const QString& name, const QVariantMap& properties) {
    view_->setInitialProperties(properties);
    view_->setSource(QUrl(QStringLiteral("qrc:/Brisklet/qml/%1.qml").arg(name)));
    return view_->status() == QQuickView::Ready && view_->rootObject();
}

bool ViewHarness::loadText(const QByteArray& qml, const QVariantMap& properties) {
    QQmlComponent component(view_->engine());
    component.setData(qml, QUrl(QStringLiteral("qrc:/test/Inline.qml")));
    if (!component.isReady()) {
        qWarning().noquote() << component.errorString();
        return false;
    }
    QObject* object = component.createWithInitialProperties(properties, view_->rootContext());
    auto* item = qobject_cast<QQuickItem*>(object);
    if (!item) {
        delete object;
        return false;
    }
    view_->setContent(QUrl(), nullptr, item);
    view_->resize(int(item->width()), int(item->height()));
    return true;
}

QString ViewHarness::errors() const {
    return QDebug::toString(view_->errors());
}

QQuickItem* ViewHarness::root() const {
    return view_->rootObject();
}

QQuickItem* ViewHarness::find(const QString& objectName) const {
    return find(root(), objectName);
}

QQuickItem* ViewHarness::find(QQuickItem* under, const QString& objectName) {
    if (!under)
        return nullptr;
    // The item tree, not the object tree: a Repeater's items are not its children.
    for (QQuickItem* child : under->childItems()) {
        if (child->objectName() == objectName)
            return child;
        if (QQuickItem* found = find(child, objectName))
            return found;
    }
    return nullptr;
}

QImage ViewHarness::render() {
    if (!root())
        return {};
    view_->resize(qMax(1, int(root()->width())), qMax(1, int(root()->height())));
    view_->show();
    if (!QTest::qWaitForWindowExposed(view_.get()))
        return {};
    // The item, not the window: the window's grab comes back opaque offscreen.
    const QSharedPointer<QQuickItemGrabResult> grab = root()->grabToImage();
    if (!grab)
        return {};
    bool ready = false;
    QObject::connect(grab.data(), &QQuickItemGrabResult::ready, [&] { ready = true; });
    if (!QTest::qWaitFor([&] { return ready; }, 5000))
        return {};
    QImage image = grab->image().convertToFormat(QImage::Format_ARGB32);
    image.setDevicePixelRatio(1);
    return image;
}

QString ViewHarness::save(const QImage& image, const QString& name, const QColor& backdrop) {
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/ui-shots");
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    QImage shown(image.size(), QImage::Format_ARGB32);
    shown.fill(backdrop);
    QPainter painter(&shown);
    painter.drawImage(0, 0, image);
    painter.end();
    shown.save(path);
    return path;
}

QRect ViewHarness::boxOf(const QQuickItem* item) const {
    if (!item || !root())
        return {};
    return item->mapRectToItem(root(), QRectF(0, 0, item->width(), item->height())).toAlignedRect();
}

void ViewHarness::click(QQuickItem* item) {
    ASSERT_TRUE(item);
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, centre.toPoint());
}

} // namespace brisklet::test
