#include "shell/LegacyMigration.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "base/Prefs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

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
    if (exists(to) || !QFileInfo(from).isDir())
        return false;
    const QString staging = to + QStringLiteral(".migrating");
    if (QFileInfo(staging).isDir() && !QFileInfo(staging).isSymLink())
        QDir(staging).removeRecursively();
    else if (exists(staging))
        QFile::remove(staging);
    QString error;
    // One rename makes the whole copy appear at once, or nothing.
    if (copyTree(from, staging, &error)) {
        if (QDir().rename(staging, to))
            return true;
        error = QStringLiteral("couldn't move %1 to %2").arg(staging, to);
    }
    QDir(staging).removeRecursively();
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
