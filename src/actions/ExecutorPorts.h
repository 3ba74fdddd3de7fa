#pragma once

#include "commands/Action.h"
#include "commands/AppIndex.h"
#include "windows/LayoutStore.h"
#include "windows/WindowEngine.h"

#include <QString>
#include <QStringList>
#include <QUuid>
#include <optional>

namespace brisklet {

struct Setup; // a setup record, as its store keeps it

// What the action executor needs of the parts that move windows, keep layouts,
// know the apps and run setups. Each is a narrow view, so the executor can be
// exercised on its own and wired to whichever implementation the program has.

class WindowMoves {
public:
    using SortOutcome = WindowEngine::SortOutcome;
    virtual ~WindowMoves() = default;
    virtual SortOutcome sortActive(std::optional<int> count) = 0;
    virtual SortOutcome sortAll() = 0;
    // False: no focused window to move.
    virtual bool move(WindowPosition position) = 0;
    // False: there is only one display.
    virtual bool nextDisplay() = 0;
    virtual void hideOthers() = 0;
    virtual int screenCount() = 0;
};

// The window engine seen as WindowMoves.
class WindowEngineMoves final : public WindowMoves {
public:
    explicit WindowEngineMoves(WindowEngine& engine) : engine_(engine) {}
    SortOutcome sortActive(std::optional<int> count) override { return engine_.sortActive(count); }
    SortOutcome sortAll() override { return engine_.sortAll(); }
    bool move(WindowPosition position) override { return engine_.move(position); }
    bool nextDisplay() override { return engine_.nextDisplay(); }
    void hideOthers() override { engine_.hideOthers(); }
    int screenCount() override { return static_cast<int>(engine_.screens().size()); }

private:
    WindowEngine& engine_;
};

class LayoutActions {
public:
    using SnapshotResult = LayoutStore::SnapshotResult;
    using ApplyResult = LayoutStore::ApplyResult;
    virtual ~LayoutActions() = default;
    virtual SnapshotResult snapshot(const QString& name) = 0;
    virtual ApplyResult apply(const QString& name) = 0;
};

// The layout store seen as LayoutActions.
class LayoutStoreActions final : public LayoutActions {
public:
    explicit LayoutStoreActions(LayoutStore& store) : store_(store) {}
    SnapshotResult snapshot(const QString& name) override { return store_.snapshot(name); }
    ApplyResult apply(const QString& name) override { return store_.apply(name); }

private:
    LayoutStore& store_;
};

class AppLookup {
public:
    struct App {
        QString name;      // the entry's name
        QString desktopID; // what the launcher starts
        bool operator==(const App&) const = default;
    };
    virtual ~AppLookup() = default;
    // The installed app a spoken name means, if any.
    virtual std::optional<App> resolve(const QString& name) = 0;
    // 0…1: how well a normalised spoken name fits a normalised app name.
    virtual double score(const QString& query, const QString& candidate) = 0;
};

// The app index seen as AppLookup.
class AppIndexLookup final : public AppLookup {
public:
    explicit AppIndexLookup(const AppIndex& index) : index_(index) {}
    std::optional<App> resolve(const QString& name) override {
        const auto app = index_.resolve(name);
        if (!app || !app->bundleID)
            return std::nullopt; // nothing the launcher could start
        return App{app->name, *app->bundleID};
    }
    double score(const QString& query, const QString& candidate) override {
        return AppIndex::score(query, candidate);
    }

private:
    const AppIndex& index_;
};

class SetupActions {
public:
    struct SetupRef {
        QUuid id;
        QString name;
    };
    struct RunReport {
        QString name;
        int opened = 0;
        int placed = 0;
        int clearedOthers = 0;
        QString arrangement;
        QStringList notes;
        bool fingerprintMismatch = false;
    };
    struct EndReport {
        QString name;
        int closedApps = 0;
        QStringList notes;
    };
    struct UndoReport {
        QString name;
        int restoredWindows = 0;
        int relaunchedApps = 0;
        bool closedSetupWindows = false;
        bool reranSetup = false;
        QStringList notes;
    };
    virtual ~SetupActions() = default;
    virtual std::optional<SetupRef> lookup(const QString& phrase) = 0;
    virtual RunReport run(const SetupRef& setup) = 0;
    virtual RunReport runDraft(const Setup& draft) = 0;
    virtual EndReport end(const SetupRef& setup) = 0;
    // Nothing when the last run is no longer the one to close around.
    virtual std::optional<int> closeOthersForLastRun(const QUuid& expecting) = 0;
    // Nothing when there is nothing to undo.
    virtual std::optional<UndoReport> undoLast() = 0;
};

} // namespace brisklet
