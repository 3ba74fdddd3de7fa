#pragma once

#include <QSize>
#include <QString>
#include <QVariantMap>

class QQuickView;

// The steps every top-level window of the module takes: load its view, centre it.
namespace brisklet::ViewWindow {

// Has the views drawn by Qt Quick's own software renderer, unless QT_QUICK_BACKEND
// names another. Called before the first window is made.
void chooseRenderer();
// Loads qrc:/Brisklet/qml/`file` into `view` with `properties`, its root sized to the
// window and the canvas colour behind it while it loads. Load errors are logged
// under `what` ("home window"), never thrown: the window then shows the canvas.
void load(QQuickView& view, const QString& file, const QVariantMap& properties, const char* what);
// Centres a window of `size` in the primary screen's available area, if there is one.
void centre(QQuickView& view, QSize size);

} // namespace brisklet::ViewWindow
