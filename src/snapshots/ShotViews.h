#pragma once

#include "magic/MagicProposal.h"
#include "snapshots/SnapshotCatalogue.h"
#include "ui/setups/SetupEditorModel.h"

#include <QColor>
#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QQmlEngine;
class QQuickItem;
class QQuickWindow;

namespace brisklet {

class HomeWindowController;
class OnboardingController;

// Builds the item of one shot: its backdrop filling the shot's size, the view on
// it in its staged state, inside `window`. The demo objects come from the
// caller; every model a shot needs of its own is made here and belongs to the window.
namespace ShotViews {

struct Stage {
    // The home window's model for a store, a usage, a Magic scan and the builder's answer.
    std::function<HomeWindowController*(SnapshotCatalogue::Store, SnapshotCatalogue::Usage,
                                        SnapshotCatalogue::Magic, SnapshotCatalogue::Build)>
        home;
    // The backdrop's colour for an appearance.
    std::function<QColor(SnapshotCatalogue::Backdrop, bool dark)> backdrop;
    // The first-run window's controller, shared by its shots.
    OnboardingController* onboarding = nullptr;
    // What the Magic scan proposes.
    std::vector<MagicProposal> proposals;
    // The stored setup of that name, among the store of three.
    std::function<std::optional<Setup>(const QString& name)> storedSetup;
    // What the editor reads of the desktop.
    std::function<SetupEditorModel::Context()> editorContext;
    // The fingerprint of the screens the shots are drawn on.
    QString fingerprint;
    QDateTime now;
};

// Null, with `error` set, when the view can't be made.
QQuickItem* build(const SnapshotCatalogue::Shot& shot, const Stage& stage, QQmlEngine& engine,
                  QQuickWindow& window, QString* error);

} // namespace ShotViews
} // namespace brisklet
