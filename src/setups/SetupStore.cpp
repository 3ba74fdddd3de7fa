#include "setups/SetupStore.h"

#include "base/JsonFile.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "base/Prefs.h"
#include "base/Termination.h"
#include "base/Text.h"
#include "commands/Levenshtein.h"
#include "commands/MatcherWords.h"
#include "commands/SpokenKeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QSet>
#include <algorithm>

namespace brisklet {

const QString SetupStore::corruptBackupName = QStringLiteral("setups-corrupt-backup.json");

namespace {

QJsonArray toArray(const SetupStore::List& list) {
    QJsonArray array;
    for (const Setup& setup : list)
        array.append(setup.toJson());
    return array;
}

// The list as the file would hold it, without the layout: two lists are the same
// exactly when these bytes are.
QByteArray encoded(const SetupStore::List& list) {
    return QJsonDocument(toArray(list)).toJson(QJsonDocument::Compact);
}

std::shared_ptr<const std::vector<SetupNames>> namesOf(const SetupStore::List& list) {
    auto names = std::make_shared<std::vector<SetupNames>>();
    names->reserve(list.size());
    for (const Setup& setup : list)
        names->push_back({setup.name, setup.phrases});
    return names;
}

QByteArray bytesAt(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

SetupStore::SetupStore(QString filePath, Scheduler& scheduler, QObject* parent)
    : QObject(parent), filePath_(std::move(filePath)), scheduler_(scheduler),
      storage_(std::make_shared<const List>()), names_(namesOf({})) {
    {
        std::lock_guard lock(lock_);
        adopt(readFile());
        published_ = storage_;
    }
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        watch();
        scheduleReload();
    });
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] {
        watch();
        scheduleReload();
    });
    watch();
}

SetupStore::~SetupStore() {
    if (reloadToken_)
        scheduler_.cancel(reloadToken_);
}

std::shared_ptr<const SetupStore::List> SetupStore::snapshot() const {
    std::lock_guard lock(lock_);
    return storage_;
}

std::optional<Setup> SetupStore::setup(const QUuid& id) const {
    const auto list = snapshot();
    const auto it = std::find_if(list->begin(), list->end(), [&](const Setup& s) { return s.id == id; });
    if (it == list->end())
        return std::nullopt;
    return *it;
}

std::optional<Setup> SetupStore::lookup(const QString& phrase) const {
    const QString q = spokenKey(phrase);
    if (q.isEmpty())
        return std::nullopt;
    const auto list = snapshot();
    for (const Setup& setup : *list) {
        if (SpokenKeys::saidAlike(spokenKey(setup.name), q))
            return setup;
    }
    const Setup* best = nullptr;
    double bestScore = 0;
    for (const Setup& setup : *list) {
        const double score = Levenshtein::similarity(q, spokenKey(setup.name));
        if (score > bestScore) {
            best = &setup;
            bestScore = score;
        }
    }
    if (best && bestScore >= lookupThreshold)
        return *best;
    return std::nullopt;
}

std::optional<QString> SetupStore::lookupName(const QString& phrase) const {
    if (const auto found = lookup(phrase))
        return found->name;
    return std::nullopt;
}

std::shared_ptr<const std::vector<SetupNames>> SetupStore::setupNames() const {
    std::lock_guard lock(lock_);
    return names_;
}

bool SetupStore::upsert(Setup setup) {
    return put(setup, false);
}

bool SetupStore::upsertUnderFreeName(Setup& setup) {
    return put(setup, true);
}

bool SetupStore::put(Setup& setup, bool freeName) {
    setup.updatedAt = now();
    if (!setup.createdAt.isValid())
        setup.createdAt = setup.updatedAt;
    return commit(
        [&](List& list) {
            // Named beside the list the file holds now, under the lock.
            if (freeName)
                setup.name = nameForSave(setup, list);
            const auto it =
                std::find_if(list.begin(), list.end(), [&](const Setup& s) { return s.id == setup.id; });
            if (it != list.end())
                *it = setup;
            else
                list.push_back(setup);
        },
        [&] {
            return Unsaved{Change::save, setup.id, setup.name};
        });
}

bool SetupStore::remove(const QUuid& id) {
    QString name;
    return commit(
        [&](List& list) {
            std::erase_if(list, [&](const Setup& s) {
                if (s.id == id)
                    name = s.name;
                return s.id == id;
            });
        },
        [&] {
            return Unsaved{Change::remove, id, name};
        });
}

bool SetupStore::duplicate(const QUuid& id, QString* named) {
    const QDateTime stamp = now();
    QString name;
    return commit(
        [&](List& list) {
            const auto it =
                std::find_if(list.begin(), list.end(), [&](const Setup& s) { return s.id == id; });
            if (it == list.end())
                return;
            name = it->name;
            Setup copy = *it;
            copy.id = QUuid::createUuid();
            copy.name = copyName(it->name, spokenWords(list));
            copy.phrases.clear();
            copy.createdAt = stamp;
            copy.updatedAt = stamp;
            copy.lastRunAt.reset();
            if (named)
                *named = copy.name;
            list.push_back(std::move(copy));
        },
        [&] {
            return Unsaved{Change::duplicate, id, name};
        });
}

bool SetupStore::markRun(const QUuid& id) {
    const QDateTime stamp = now();
    QString name;
    const bool ok = commit(
        [&](List& list) {
            // Counted under the lock, so two runs at once both count.
            Prefs::increment(Prefs::Key::setupsRun);
            const auto it =
                std::find_if(list.begin(), list.end(), [&](const Setup& s) { return s.id == id; });
            if (it != list.end()) {
                it->lastRunAt = stamp;
                name = it->name;
            }
        },
        [&] {
            return Unsaved{Change::run, id, name};
        });
    if (MainThread::isCurrent())
        emit runCounted();
    else
        MainThread::post(this, [this] { emit runCounted(); });
    return ok;
}

void SetupStore::setActiveRun(std::optional<ActiveRun> run) {
    activeRun_ = std::move(run);
    emit activeRunChanged();
}

SetupStore::Loaded SetupStore::readFile() const {
    const JsonFile::ReadResult read = JsonFile::read(filePath_);
    Loaded loaded;
    switch (read.status) {
    case JsonFile::ReadStatus::missing:
        return loaded;
    case JsonFile::ReadStatus::unreadable:
        loaded.outcome = Outcome::unreadable;
        qCCritical(lcApp).noquote() << "couldn't read" << filePath_ << "—" << read.error
                                    << "— the setups stay as they were and the file is left as it is";
        return loaded;
    case JsonFile::ReadStatus::undecodable:
        loaded.outcome = Outcome::undecodable;
        return loaded;
    case JsonFile::ReadStatus::ok:
        break;
    }
    loaded.outcome = Outcome::undecodable;
    if (!read.document.isArray())
        return loaded;
    const QDateTime stamp = now();
    QSet<QUuid> seen;
    for (const QJsonValue& value : read.document.array()) {
        Setup::Filled filled;
        auto setup = Setup::fromJson(value, stamp, &filled);
        if (!setup)
            return {Outcome::undecodable, {}, false};
        // A setup copied by hand inside the file keeps the first one's id; the
        // copy gets its own, so each can be reached and removed alone.
        while (seen.contains(setup->id)) {
            setup->id = QUuid::createUuid();
            filled.id = true;
        }
        seen.insert(setup->id);
        loaded.filledIn = loaded.filledIn || filled.id || filled.createdAt;
        loaded.list.push_back(std::move(*setup));
    }
    if (renameNamesSaidAlike(loaded.list))
        loaded.filledIn = true;
    loaded.outcome = Outcome::ok;
    return loaded;
}

void SetupStore::rescueCorruptFile() {
    const QString backup = QFileInfo(filePath_).absoluteDir().filePath(corruptBackupName);
    // The same bad text again (a burst of reloads) is already kept.
    if (QFileInfo(backup).isFile() && bytesAt(backup) == bytesAt(filePath_)) {
        rescuePending_ = false;
    } else if (JsonFile::backup(filePath_, corruptBackupName)) {
        rescuePending_ = false;
    } else {
        rescuePending_ = true;
        qCCritical(lcApp).noquote() << "setups.json failed to decode — and couldn't be backed up to"
                                    << corruptBackupName << "— it won't be replaced until it can be";
        return;
    }
    qCCritical(lcApp).noquote() << "setups.json failed to decode — backed up to setups-corrupt-backup.json";
}

bool SetupStore::save(const List& list) {
    if (writesBlocked_) {
        qCCritical(lcApp).noquote() << "couldn't save" << filePath_
                                    << "— the existing file couldn't be read, so it is left as it is";
        return false;
    }
    if (rescuePending_ && !QFileInfo::exists(filePath_))
        rescuePending_ = false;
    if (rescuePending_) {
        rescueCorruptFile();
        if (rescuePending_) {
            qCCritical(lcApp).noquote()
                << "couldn't save" << filePath_ << "— the undecodable file couldn't be backed up first";
            return false;
        }
    }
    QDir().mkpath(QFileInfo(filePath_).absolutePath());
    const JsonFile::WriteResult written = JsonFile::write(filePath_, QJsonDocument(toArray(list)));
    if (!written.ok)
        qCCritical(lcApp).noquote() << "couldn't save" << filePath_ << "—" << written.error;
    return written.ok;
}

bool SetupStore::commit(const std::function<void(List&)>& change, const std::function<Unsaved()>& what) {
    const bool onMain = MainThread::isCurrent();
    bool ok = false;
    bool changed = false;
    {
        std::lock_guard lock(lock_);
        changed = catchUpLocked();
        List list = *storage_;
        change(list);
        ok = save(list);
        // A change the file didn't take would show until the next reload or start,
        // then vanish: the list stays as the file has it.
        if (ok) {
            synced_ = encoded(list);
            replaceStorage(std::move(list));
            changed = true;
        }
        account(what(), ok);
        // Queued while the lock is held, so hops reach the main thread in commit order.
        if (!onMain && changed)
            publishLater();
    }
    if (onMain && changed)
        publish();
    return ok;
}

void SetupStore::account(const Unsaved& change, bool landed) {
    if (landed) {
        std::erase_if(unsaved_, [&](const Unsaved& lost) {
            // What was lost of a setup since deleted no longer matters.
            if (change.change == Change::remove)
                return lost.id == change.id;
            // A second try stores the same setup, or (a fresh capture) one of its name.
            return lost.change == change.change &&
                   (lost.id == change.id ||
                    (change.change == Change::save && saidAlike(lost.name, change.name)));
        });
        return;
    }
    // Nothing was there to change: nothing is lost.
    if (change.name.isEmpty())
        return;
    std::erase(unsaved_, change);
    unsaved_.push_back(change);
    if (quitHooked_)
        return;
    quitHooked_ = true;
    QPointer<SetupStore> self(this);
    Termination::addHook([self] {
        if (self)
            self->logUnsavedAtQuit();
    });
}

void SetupStore::logUnsavedAtQuit() {
    std::vector<Unsaved> lost;
    {
        std::lock_guard lock(lock_);
        lost = unsaved_;
    }
    if (lost.empty())
        return;
    // In the order of Change.
    static const char* const kinds[] = {"saving", "deleting", "duplicating", "the last run of"};
    QStringList what;
    for (const Unsaved& change : lost)
        what << QStringLiteral("%1 “%2”").arg(QLatin1String(kinds[int(change.change)]), change.name);
    qCCritical(lcApp).noquote()
        << QStringLiteral("couldn't save %1 this session; these changes to the setups are lost: %2")
               .arg(filePath_, what.join(QStringLiteral(", ")));
}

void SetupStore::replaceStorage(List list) {
    names_ = namesOf(list);
    storage_ = std::make_shared<const List>(std::move(list));
}

void SetupStore::publish() {
    {
        std::lock_guard lock(lock_);
        published_ = storage_;
    }
    watch();
    emit setupsChanged();
}

void SetupStore::publishLater() {
    // The hop publishes whatever the store holds when it runs, so a late hop never
    // brings back an older list.
    MainThread::post(this, [this] { publish(); });
}

void SetupStore::watch() {
    const QFileInfo file(filePath_);
    const QString folder = file.absolutePath();
    if (!watcher_.directories().contains(folder) && QFileInfo(folder).isDir())
        watcher_.addPath(folder);
    // A replaced file is a new file: watch it again after every change.
    if (!watcher_.files().contains(filePath_) && !watcher_.directories().contains(filePath_) && file.exists())
        watcher_.addPath(filePath_);
}

void SetupStore::scheduleReload() {
    if (reloadToken_)
        scheduler_.cancel(reloadToken_);
    QPointer<SetupStore> self(this);
    reloadToken_ = scheduler_.schedule(reloadDelay, [self] {
        if (!self)
            return;
        self->reloadToken_ = 0;
        self->reloadIfChanged();
    });
}

bool SetupStore::adopt(Loaded loaded) {
    switch (loaded.outcome) {
    case Outcome::unreadable:
        writesBlocked_ = true;
        return false;
    case Outcome::undecodable:
        // Most likely a half-written file: keep the last good list.
        rescueCorruptFile();
        return false;
    case Outcome::missing:
    case Outcome::ok:
        break;
    }
    writesBlocked_ = false;
    rescuePending_ = false;
    synced_ = encoded(loaded.list);
    bool changed = false;
    if (synced_ != encoded(*storage_)) {
        replaceStorage(std::move(loaded.list));
        changed = true;
    }
    // What the load made up or renamed must reach the file, or it is done afresh at every load.
    if (loaded.filledIn)
        save(*storage_);
    return changed;
}

bool SetupStore::catchUpLocked() {
    Loaded loaded = readFile();
    // A file that has gone is written again from what the store holds.
    if (loaded.outcome == Outcome::missing)
        return false;
    if (loaded.outcome == Outcome::ok && !loaded.filledIn && encoded(loaded.list) == synced_)
        return false;
    return adopt(std::move(loaded));
}

void SetupStore::catchUp() {
    bool changed = false;
    {
        std::lock_guard lock(lock_);
        changed = catchUpLocked();
    }
    if (!changed)
        return;
    if (MainThread::isCurrent())
        publish();
    else
        publishLater();
}

void SetupStore::reloadIfChanged() {
    bool changed = false;
    qsizetype count = 0;
    {
        std::lock_guard lock(lock_);
        changed = adopt(readFile());
        count = static_cast<qsizetype>(storage_->size());
    }
    watch();
    if (!changed)
        return;
    qCInfo(lcApp).noquote()
        << QStringLiteral("setups.json changed on disk — reloaded (%1 setups)").arg(count);
    publish();
}

QDateTime SetupStore::now() const {
    return SetupJson::wholeSeconds(scheduler_.clock().wallNow());
}

} // namespace brisklet
