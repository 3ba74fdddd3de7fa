#include "ui/design/ViewWindow.h"

#include "base/Log.h"
#include "ui/design/DSPalette.h"
#include "ui/design/DesignSystem.h"

#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickView>
#include <QQuickWindow>
#include <QScreen>

namespace brisklet::ViewWindow {

void chooseRenderer() {
    // The views use no shader effects, and a GL driver, once a window loaded it,
    // would stay in the always-running process long after the window closed (on a
    // machine without a GPU, over 100 MB of it). Whoever sets the variable wants
    // another renderer, and the variable alone does not win over a chosen API.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

void load(QQuickView& view, const QString& file, const QVariantMap& properties, const char* what) {
    view.engine()->addImportPath(QStringLiteral("qrc:/"));
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.setColor(DesignSystem::instance().palette(DesignSystem::instance().isDark())->canvas);
    view.setInitialProperties(properties);
    view.setSource(QUrl(QStringLiteral("qrc:/Brisklet/qml/") + file));
    if (view.status() == QQuickView::Error) {
        for (const auto& error : view.errors())
            qCCritical(lcApp).noquote() << QLatin1String(what) + u':' << error.toString();
    }
}

void centre(QQuickView& view, QSize size) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        view.setPosition(area.x() + (area.width() - size.width()) / 2,
                         area.y() + (area.height() - size.height()) / 2);
    }
}

} // namespace brisklet::ViewWindow
