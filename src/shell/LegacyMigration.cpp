#include "shell/LegacyMigration.h"

#include "base/JsonFile.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/Prefs.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

namespace brisklet::LegacyMigration {

namespace {

QFileInfoList entriesOf(const QString& folder) {
    return QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Qt has no recursive copy. Links are copied as links, never followed out of the
// folder, and with the target as written: Qt would make a relative one absolute and
// so point it back into the old folder.
bool copyTree(const QString& from, const QString& to, QString* error) {
    if (!QDir().mkpath(to)) {
        *error = QStringLiteral("couldn't create %1").arg(to);
        return false;
    }
    for (const QFileInfo& entry : entriesOf(from)) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isSymLink()) {
            std::error_code failed;
            std::filesystem::copy_symlink(QFile::encodeName(entry.filePath()).toStdString(),
                                          QFile::encodeName(target).toStdString(), failed);
            if (failed) {
                *error = QStringLiteral("couldn't copy the link %1").arg(entry.filePath());
                return false;
            }
        } else if (entry.isDir()) {
            if (!copyTree(entry.filePath(), target, error))
                return false;
        } else if (!entry.isFile()) {
            // A pipe or a device would block the launch or feed it without end, and
            // a socket is only an address of a program that ran then: none is data.
            qCWarning(lcApp).noquote()
                << QStringLiteral("legacy data migration skipped %1: it is not a regular file "
                                  "(a pipe, socket or device)")
                       .arg(entry.filePath());
        } else if (!QFile::copy(entry.filePath(), target)) {
            *error = QStringLiteral("couldn't copy %1").arg(entry.filePath());
            return false;
        }
    }
    return true;
}

bool exists(const QString& path) {
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}

// A data folder with no file in it holds nothing of the user's: it is what a launch
// leaves after an import that failed, and the import is tried again over it.
bool holdsData(const QString& path) {
    const QFileInfo info(path);
    if (!exists(path))
        return false;
    if (!info.isDir() || info.isSymLink())
        return true;
    const auto entries = entriesOf(path);
    return std::any_of(entries.begin(), entries.end(),
                       [](const QFileInfo& entry) { return holdsData(entry.filePath()); });
}

// Beside the data folder while an import is owed: written before the copy and
// removed once everything has arrived. A launch whose import failed goes on and
// writes files of its own into the data folder; this says the import is still to
// come, and which of those files are the launch's rather than the user's.
QString pendingPath(const QString& to) {
    return to + QStringLiteral(".import-pending");
}

const QString launchFilesKey = QStringLiteral("writtenByLaunch");

// Set when this launch's import failed over a data folder that held nothing: only
// then is every file noteLaunchFiles() finds the launch's own. A marker left by an
// earlier launch that was stopped before it noted its files lists nothing, for
// whatever is in the folder by now may be the user's.
bool launchFilesAreOwn = false;

// Empty when the path holds no regular file that reads.
QString fingerprint(const QString& path) {
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
}

// Every regular file below `folder`, by its path inside it.
void collectFingerprints(const QString& folder, const QString& prefix, QJsonObject& out) {
    for (const QFileInfo& entry : entriesOf(folder)) {
        const QString inside = prefix + entry.fileName();
        if (entry.isSymLink())
            continue;
        if (entry.isDir()) {
            collectFingerprints(entry.filePath(), inside + QLatin1Char('/'), out);
        } else if (const QString print = fingerprint(entry.filePath()); !print.isEmpty()) {
            out.insert(inside, print);
        }
    }
}

// Brings the copy into a data folder that already holds files. One the launch
// wrote itself and nobody changed since gives way; anything else there is the
// user's and stays.
bool moveIn(const QString& staged, const QString& target, const QString& prefix,
            const QJsonObject& launchWrote, QString* error) {
    for (const QFileInfo& entry : entriesOf(staged)) {
        const QString inside = prefix + entry.fileName();
        const QString there = target + QLatin1Char('/') + entry.fileName();
        const QFileInfo existing(there);
        bool move = !exists(there);
        if (!move && entry.isDir() && !entry.isSymLink() && existing.isDir() && !existing.isSymLink()) {
            if (!moveIn(entry.filePath(), there, inside + QLatin1Char('/'), launchWrote, error))
                return false;
            continue;
        }
        if (!move && !entry.isDir() && existing.isFile() && !existing.isSymLink()) {
            const QString noted = launchWrote.value(inside).toString();
            move = !noted.isEmpty() && noted == fingerprint(there);
        }
        if (!move) {
            qCInfo(lcApp).noquote()
                << QStringLiteral("legacy data migration kept %1 as it is rather than the imported one")
                       .arg(there);
            continue;
        }
        // rename(2) replaces a file in one step, where Qt's refuses to.
        if (std::rename(QFile::encodeName(entry.filePath()).constData(),
                        QFile::encodeName(there).constData()) != 0) {
            *error = QStringLiteral("couldn't move %1 to %2").arg(entry.filePath(), there);
            return false;
        }
    }
    return true;
}

// Folder by folder from the bottom: rmdir never takes a folder that holds anything.
bool removeEmptyTree(const QString& path) {
    if (!exists(path))
        return true;
    const auto entries = QDir(path).entryInfoList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (!removeEmptyTree(entry.filePath()))
            return false;
    }
    return QDir().rmdir(path);
}

} // namespace

const QStringList& settingNames() {
    static const QStringList names{"commandsRun", "setupsRun",  "sensitivity", "soundsEnabled", "wakeSound",
                                   "soundVolume", "askEnabled", "wakeMethod",  "wakeKeyCode",   "appearance"};
    return names;
}

QString legacyDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tapsly");
}

QString legacySettingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tapsly/Tapsly.conf");
}

bool importDataFolder(const QString& from, const QString& to) {
    launchFilesAreOwn = false;
    const QString pending = pendingPath(to);
    // Brisklet's own data is never overwritten: an import goes only into an empty
    // folder or into one an import is still owed to.
    if (!QFileInfo(from).isDir() || (holdsData(to) && !exists(pending)))
        return false;
    const QString staging = to + QStringLiteral(".migrating");
    // Two launches at once (login and a click) must not tear down each other's copy:
    // one imports, the other waits for it and then finds the folder in place. A lock
    // left by a process that died is taken over.
    QDir().mkpath(QFileInfo(to).path());
    QLockFile lock(staging + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);
    if (!lock.lock()) {
        qCCritical(lcApp).noquote()
            << QStringLiteral("legacy data migration failed: couldn't lock %1").arg(lock.fileName());
        return false;
    }
    // Another import may have finished while this one waited.
    const bool owed = exists(pending);
    const bool empty = !holdsData(to);
    if ((!empty && !owed) || (empty && !removeEmptyTree(to)))
        return false;
    if (!owed) {
        const auto noted = JsonFile::write(pending, QJsonDocument(QJsonObject{}));
        if (!noted.ok)
            qCWarning(lcApp).noquote()
                << QStringLiteral("couldn't note the legacy data migration as owed: %1").arg(noted.error);
    }
    // Under the lock no other import runs: what is here was left by one that was
    // stopped.
    if (QFileInfo(staging).isDir() && !QFileInfo(staging).isSymLink())
        QDir(staging).removeRecursively();
    else if (exists(staging))
        QFile::remove(staging);
    QString error;
    bool done = false;
    // Created here and only by us, so the clean-up below removes nobody else's copy.
    if (!QDir().mkdir(staging)) {
        error = QStringLiteral("couldn't create %1").arg(staging);
    } else if (copyTree(from, staging, &error)) {
        if (empty) {
            // One rename makes the whole copy appear at once, or nothing.
            done = QDir().rename(staging, to);
            if (!done)
                error = QStringLiteral("couldn't move %1 to %2").arg(staging, to);
        } else {
            done = moveIn(staging, to, QString(),
                          JsonFile::read(pending).document.object().value(launchFilesKey).toObject(), &error);
        }
    }
    if (exists(staging))
        QDir(staging).removeRecursively();
    if (done) {
        QFile::remove(pending);
        return true;
    }
    qCCritical(lcApp).noquote() << QStringLiteral("legacy data migration failed: %1").arg(error);
    launchFilesAreOwn = empty;
    return false;
}

void noteLaunchFiles() {
    if (!std::exchange(launchFilesAreOwn, false))
        return;
    const QString pending = pendingPath(Paths::dataFolder());
    const JsonFile::ReadResult read = JsonFile::read(pending);
    if (read.status != JsonFile::ReadStatus::ok || !read.document.isObject() ||
        read.document.object().contains(launchFilesKey))
        return;
    QJsonObject files;
    collectFingerprints(Paths::dataFolder(), QString(), files);
    QJsonObject marker = read.document.object();
    marker.insert(launchFilesKey, files);
    const JsonFile::WriteResult written = JsonFile::write(pending, QJsonDocument(marker));
    if (!written.ok)
        qCWarning(lcApp).noquote()
            << QStringLiteral("couldn't note the files this launch wrote for the legacy data migration: %1")
                   .arg(written.error);
}

void importSettings(const QString& legacySettingsPath) {
    if (Prefs::boolValue(Prefs::Key::migratedFromLegacy))
        return;
    if (QFileInfo(legacySettingsPath).isFile()) {
        const QSettings legacy(legacySettingsPath, QSettings::IniFormat);
        for (const QString& name : settingNames()) {
            const QString ours = QStringLiteral("brisklet.") + name;
            const QString theirs = QStringLiteral("tapsly.") + name;
            // Before the defaults are registered, only what the user stored counts.
            if (!Prefs::contains(ours) && legacy.contains(theirs))
                Prefs::setValue(ours, legacy.value(theirs));
        }
    }
    Prefs::setValue(Prefs::Key::migratedFromLegacy, true);
    Prefs::sync();
}

void runIfNeeded() {
    importDataFolder(legacyDataFolder(), Paths::dataFolder());
    importSettings(legacySettingsPath());
}

} // namespace brisklet::LegacyMigration
