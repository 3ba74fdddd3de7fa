#pragma once

#include "base/Scheduler.h"
#include "commands/SetupDirectory.h"
#include "setups/Setup.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QRectF>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace brisklet {

// The user's setups, kept in setups.json: loaded at start, written whole after every
// change, and reloaded when something else changes the file. Mutators and lookups
// may be called from any thread; `setups()` and the active run belong to the main
// thread.
class SetupStore final : public QObject, public SetupDirectory {
    Q_OBJECT
public:
    // One window a run placed, with the frame it was given (top-left origin).
    struct AppliedWindow {
        QString bundleID;
        QString title;
        QRectF axFrame;
        bool operator==(const AppliedWindow&) const = default;
    };
    // The setup currently applied, for the drift check. Nothing keeps it across a
    // restart.
    struct ActiveRun {
        QUuid setupID;
        QString name;
        std::vector<AppliedWindow> applied;
        QDateTime startedAt;
        bool nudgeShown = false;
        bool driftSeenOnce = false;
        QString displayFingerprint;
        bool operator==(const ActiveRun&) const = default;
    };
    using List = std::vector<Setup>;

    // Loads the file and starts watching it and its folder. Main thread.
    explicit SetupStore(QString filePath, Scheduler& scheduler = Scheduler::main(),
                        QObject* parent = nullptr);
    ~SetupStore() override;

    QString filePath() const { return filePath_; }

    // The published list, in file order. Main thread.
    List setups() const { return *published_; }
    // The authoritative list, taken under the lock: what readers off the main
    // thread use. A new list after every change.
    std::shared_ptr<const List> snapshot() const;

    std::optional<Setup> setup(const QUuid& id) const;
    // The setup a spoken phrase names: the first whose name is said alike, else the
    // closest name at a similarity of at least 0.7 (ties to the earlier).
    std::optional<Setup> lookup(const QString& phrase) const;

    // Each mutator changes the list, writes the file and publishes the list. It
    // returns false when the file could not be written: the list then stays as the
    // file has it, so nothing shows that the next start wouldn't, and the change is
    // named again at quit unless a later write of the same kind makes it good.
    // Stamps `updatedAt` (and `createdAt` when it has none), then replaces the first
    // setup with its id or appends it.
    bool upsert(Setup setup);
    // As upsert, under the name nameForSave gives it beside the list as written:
    // what another program wrote a moment ago is taken in first, so a name it took
    // since is never stored twice. `setup` comes back as stored.
    bool upsertUnderFreeName(Setup& setup);
    // Removes every setup with that id.
    bool remove(const QUuid& id);
    // Appends a copy under a new id and a free " copy" name, without phrases; the
    // copy's name is given back through `named` when asked for.
    bool duplicate(const QUuid& id, QString* named = nullptr);
    // Counts a run in "brisklet.setupsRun" (even for an unknown id), then stamps the
    // setup's `lastRunAt`.
    bool markRun(const QUuid& id);

    // What a setup's name or phrase sounds like, the form every name and phrase is
    // compared in: normalised, with "set up" read as "setup" and a number said as a
    // word in digits. Two names with the same key, or keys said alike, are one
    // spoken name, so the lookup could only ever find the first.
    static QString spokenKey(const QString& text);
    // Whether two names or phrases are one spoken name: their keys are the same, or
    // one writes a compound in its parts that the other writes as one word
    // ("every day", "everyday"), as a recogniser writes either.
    static bool saidAlike(const QString& a, const QString& b);
    // Every name and phrase of `list`: the words its setups are said by.
    static QStringList spokenWords(const List& list);
    // "Focus copy", else "Focus copy 2", 3, … : the first said alike with none of
    // `existing` (the other setups' names and phrases: a copy named like a phrase
    // would run that phrase's setup).
    static QString copyName(const QString& name, const QStringList& existing);
    // The name to store `edited` under: its own, or the free copy name when it is
    // said alike with another setup's name or phrase in `stored`.
    static QString nameForSave(const Setup& edited, const std::vector<Setup>& stored);

    const std::optional<ActiveRun>& activeRun() const { return activeRun_; }
    void setActiveRun(std::optional<ActiveRun> run);

    // What matching reads.
    std::shared_ptr<const std::vector<SetupNames>> setupNames() const override;
    std::optional<QString> lookupName(const QString& phrase) const override;

    // Takes in at once what another program wrote to the file since the store last
    // read or wrote it, rather than when the debounced reload comes round. Every
    // mutator does this first, so a change never writes an older list over theirs.
    void catchUp();

    static constexpr double lookupThreshold = 0.7;
    static constexpr double reloadDelay = 0.3;
    static const QString corruptBackupName;

signals:
    // `setups()` holds a new list.
    void setupsChanged();
    void activeRunChanged();
    // A run was counted in the settings; the app state may re-read its counters.
    void runCounted();

private:
    // Renames each later setup whose name is said like an earlier name or phrase; true
    // when one was renamed.
    static bool renameNamesSaidAlike(List& list);
    enum class Outcome { missing, unreadable, undecodable, ok };
    struct Loaded {
        Outcome outcome = Outcome::missing;
        List list;
        bool filledIn = false; // ids or dates were made up, or names freed: write them back
    };

    // A change that didn't reach the file: what it was, for the line at quit.
    enum class Change { save, remove, duplicate, run };
    struct Unsaved {
        Change change;
        QUuid id;     // the setup saved, removed, copied or run
        QString name; // its name
        bool operator==(const Unsaved&) const = default;
    };

    Loaded readFile() const;
    // Takes what the file held (lock held): the list when it reads, the blocks and
    // rescue when it doesn't. True when the list changed.
    bool adopt(Loaded loaded);
    // adopt() when the file no longer holds what the store last read or wrote
    // (lock held). True when the list changed.
    bool catchUpLocked();
    void rescueCorruptFile();
    bool save(const List& list);
    // Changes a copy of the list; only a copy the file took becomes the list.
    bool commit(const std::function<void(List&)>& change, const std::function<Unsaved()>& what);
    // Notes a lost change, or forgets those a landed one makes good (lock held).
    void account(const Unsaved& change, bool landed);
    void logUnsavedAtQuit();
    bool put(Setup& setup, bool freeName);
    void replaceStorage(List list);
    void publish();
    void publishLater();
    void watch();
    void scheduleReload();
    void reloadIfChanged();
    QDateTime now() const;

    const QString filePath_;
    Scheduler& scheduler_;

    mutable std::mutex lock_; // storage, names and every read and write of the file
    QByteArray synced_;       // the list as last read from or written to the file
    std::shared_ptr<const List> storage_;
    std::shared_ptr<const std::vector<SetupNames>> names_;
    // The file is there but couldn't be read: never replace it until it reads again.
    bool writesBlocked_ = false;
    // The file didn't decode and no copy of it could be kept yet.
    bool rescuePending_ = false;
    // Changes the file didn't take, oldest first; named again at quit.
    std::vector<Unsaved> unsaved_;
    bool quitHooked_ = false;

    std::shared_ptr<const List> published_;
    std::optional<ActiveRun> activeRun_;
    QFileSystemWatcher watcher_;
    Scheduler::Token reloadToken_ = 0;
};

} // namespace brisklet
