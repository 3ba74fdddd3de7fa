#pragma once

#include <QString>
#include <QStringList>
#include <QUuid>
#include <optional>

namespace brisklet {

struct Setup; // a setup record, as its store keeps it

// What the action executor asks of the setups engine, which implements it.
class SetupPort {
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
        int total = 0;           // the setup's items, apps and pages together
        QStringList failedItems; // what didn't come up: app names and page hosts
    };
    struct EndReport {
        QString name;
        int closedApps = 0;
        QStringList notes;
        int closedWindows = 0; // browser windows of its pages that were still open and closed
        int leftOpenPages = 0; // pages left open in windows it couldn't be sure it opened
    };
    struct UndoReport {
        QString name;
        int restoredWindows = 0;
        int relaunchedApps = 0;
        bool closedSetupWindows = false;
        bool reranSetup = false;
        QStringList notes;
    };

    virtual ~SetupPort() = default;
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
