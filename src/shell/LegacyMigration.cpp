#include "shell/LegacyMigration.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "base/Prefs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>

namespace brisklet::LegacyMigration {

namespace {

// Qt has no recursive copy. Links are copied as links, never followed out of the
// folder.
bool copyTree(const QString& from, const QString& to, QString* error) {
    if (!QDir().mkpath(to)) {
        *error = QStringLiteral("couldn't create %1").arg(to);
        return false;
    }
    const QDir source(from);
    const auto entries =
        source.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isSymLink()) {
            if (!QFile::link(entry.symLinkTarget(), target)) {
                *error = QStringLiteral("couldn't copy the link %1").arg(entry.filePath());
                return false;
            }
        } else if (entry.isDir()) {
            if (!copyTree(entry.filePath(), target, error))
                return false;
        } else if (!entry.isFile()) {
            // A pipe or a device would block the launch or feed it without end.
            *error = QStringLiteral("couldn't copy %1: it is not a regular file").arg(entry.filePath());
            return false;
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
    const auto entries =
        QDir(path).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    return std::any_of(entries.begin(), entries.end(),
                       [](const QFileInfo& entry) { return holdsData(entry.filePath()); });
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
    // Brisklet's own data is never overwritten.
    if (!QFileInfo(from).isDir() || holdsData(to))
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
    if (holdsData(to) || !removeEmptyTree(to))
        return false;
    // Under the lock no other import runs: what is here was left by one that was
    // stopped.
    if (QFileInfo(staging).isDir() && !QFileInfo(staging).isSymLink())
        QDir(staging).removeRecursively();
    else if (exists(staging))
        QFile::remove(staging);
    QString error;
    // Created here and only by us, so the clean-up below removes nobody else's copy.
    if (!QDir().mkdir(staging)) {
        error = QStringLiteral("couldn't create %1").arg(staging);
    } else if (copyTree(from, staging, &error)) {
        // One rename makes the whole copy appear at once, or nothing.
        if (QDir().rename(staging, to))
            return true;
        error = QStringLiteral("couldn't move %1 to %2").arg(staging, to);
        QDir(staging).removeRecursively();
    } else {
        QDir(staging).removeRecursively();
    }
    qCCritical(lcApp).noquote() << QStringLiteral("legacy data migration failed: %1").arg(error);
    return false;
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
