#pragma once

#include "snapshots/SnapshotCatalogue.h"
#include "ui/setups/SetupEditorModel.h"

#include <QDateTime>
#include <QObject>
#include <QQuickItemGrabResult>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

class QQmlEngine;
class QQuickItem;
class QQuickWindow;

namespace brisklet {

namespace platform {
class InstalledApps;
}

class AppIndex;
class AppState;
class CommandRegistry;
class HomeWindowController;
class MagicBuilder;
class MagicController;
class MagicPaneHost;
class OnboardingController;
class SetupStore;
class SteppedAnimationDriver;
namespace ShotViews {
struct Stage;
}

// The snapshot mode: stages demo data (three fixture setup stores in
// "<folder>/fixtures", a command registry, two app states, two Magic scans, the
// first-run window's controller), builds one frameless
// window per shot of the catalogue, renders each to "<folder>/<name>.png", prints
// "SNAPSHOTS WRITTEN: <files written> -> <folder>" and reports the exit status:
// 0 when every shot was written, else 1 (each failed shot says why on stderr).
// Main thread.
class SnapshotRun final : public QObject {
    Q_OBJECT
public:
    struct Collaborators {
        // The installed applications the app index lists; may be null.
        platform::InstalledApps* installed = nullptr;
    };

    SnapshotRun(QString folder, Collaborators collaborators,
                std::vector<SnapshotCatalogue::Shot> shots = SnapshotCatalogue::shots(),
                QObject* parent = nullptr);
    ~SnapshotRun() override;

    // Stages the data, builds the windows and schedules the passes; returns at once.
    void start();

    // Waits before the warm-up pass and between it and the write pass.
    static constexpr int warmUpDelayMs = 3000;
    static constexpr int writeDelayMs = 800;

signals:
    void finished(int status);

private:
    struct Built {
        SnapshotCatalogue::Shot shot;
        QQuickWindow* window = nullptr;
        QQuickItem* root = nullptr;
        QString error; // why there is no root
    };

    void stage();
    void prepareFixtures();
    void stageMagic();
    void prepareStage();
    SetupEditorModel::Context editorContext() const;
    void buildShot(const SnapshotCatalogue::Shot& shot);
    HomeWindowController* homeFor(SnapshotCatalogue::Store store, SnapshotCatalogue::Usage usage,
                                  SnapshotCatalogue::Magic magic, SnapshotCatalogue::Build build);
    MagicPaneHost* magicHostFor(SnapshotCatalogue::Store store, SnapshotCatalogue::Magic magic,
                                SnapshotCatalogue::Build build);
    void warmUp();
    void writeNext(std::size_t index);
    void grabOffscreen(std::size_t index);
    void grabLive(std::size_t index);
    void save(std::size_t index, const QImage& image);
    void fail(std::size_t index, const QString& reason);
    void finish();

    QString folder_;
    Collaborators collaborators_;
    std::vector<SnapshotCatalogue::Shot> catalogue_;
    SteppedAnimationDriver* driver_ = nullptr;
    std::unique_ptr<QQmlEngine> engine_;
    std::unique_ptr<CommandRegistry> registry_;
    std::unique_ptr<AppIndex> appIndex_;
    std::map<SnapshotCatalogue::Store, std::unique_ptr<SetupStore>> stores_;
    std::map<SnapshotCatalogue::Usage, AppState*> usage_;
    std::map<SnapshotCatalogue::Magic, std::unique_ptr<MagicController>> magic_;
    // Offered by the hosts that show a build; it is never asked.
    std::unique_ptr<MagicBuilder> builder_;
    std::map<std::tuple<SnapshotCatalogue::Store, SnapshotCatalogue::Magic, SnapshotCatalogue::Build>,
             std::unique_ptr<MagicPaneHost>>
        magicHosts_;
    std::unique_ptr<OnboardingController> onboarding_;
    std::map<std::tuple<SnapshotCatalogue::Store, SnapshotCatalogue::Usage, SnapshotCatalogue::Magic,
                        SnapshotCatalogue::Build>,
             std::unique_ptr<HomeWindowController>>
        homes_;
    std::unique_ptr<ShotViews::Stage> stage_;
    QDateTime now_;
    QString fingerprint_;
    std::vector<Built> built_;
    QSharedPointer<QQuickItemGrabResult> pendingGrab_;
    int generation_ = 0;
    int written_ = 0;
    QStringList failures_;
};

} // namespace brisklet
