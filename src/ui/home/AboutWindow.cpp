#include "ui/home/AboutWindow.h"

#include "ui/design/ViewWindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QQuickView>

namespace brisklet::AboutWindow {

namespace {
QPointer<QQuickView>& open() {
    static QPointer<QQuickView> window;
    return window;
}
} // namespace

QString version() {
    return QStringLiteral(BRISKLET_VERSION);
}

void show() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    QPointer<QQuickView>& window = open();
    if (!window) {
        auto* view = new QQuickView();
        view->setTitle(QStringLiteral("About Brisklet"));
        view->setFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowCloseButtonHint);
        view->resize(width, height);
        view->setMinimumSize(QSize(width, height));
        view->setMaximumSize(QSize(width, height));
        ViewWindow::load(*view, QStringLiteral("AboutView.qml"), {{QStringLiteral("version"), version()}},
                         "About window");
        ViewWindow::centre(*view, QSize(width, height));
        // Closed is gone: the next opening builds it afresh.
        QObject::connect(view, &QWindow::visibleChanged, view, [view](bool visible) {
            if (!visible)
                view->deleteLater();
        });
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, view,
                         &QObject::deleteLater);
        window = view;
    }
    window->show();
    window->raise();
    window->requestActivate();
}

QQuickView* current() {
    return open().data();
}

} // namespace brisklet::AboutWindow
