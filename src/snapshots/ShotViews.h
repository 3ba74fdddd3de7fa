#pragma once

#include "snapshots/SnapshotCatalogue.h"

#include <QColor>
#include <QString>
#include <functional>

class QQmlEngine;
class QQuickItem;
class QQuickWindow;

namespace brisklet {

class HomeWindowController;

// Builds the item of one shot: its backdrop filling the shot's size, the view on
// it in its staged state, inside `window`. The demo objects come from the
// caller; every model a shot needs of its own is made here and belongs to the window.
namespace ShotViews {

struct Stage {
    // The home window's model for a store and a usage.
    std::function<HomeWindowController*(SnapshotCatalogue::Store, SnapshotCatalogue::Usage)> home;
    // The backdrop's colour for an appearance.
    std::function<QColor(SnapshotCatalogue::Backdrop, bool dark)> backdrop;
};

// Null, with `error` set, when the view can't be made.
QQuickItem* build(const SnapshotCatalogue::Shot& shot, const Stage& stage, QQmlEngine& engine,
                  QQuickWindow& window, QString* error);

} // namespace ShotViews
} // namespace brisklet
