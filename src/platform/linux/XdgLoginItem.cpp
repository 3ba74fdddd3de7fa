#include "platform/linux/XdgLoginItem.h"

#include "base/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

namespace brisklet::platform {

namespace {

// An argument of Exec: quoted, with the quoting's reserved characters escaped;
// then the line is a string value, where each backslash is written twice, and
// "%" starts a field code unless doubled.
QString execArgument(const QString& path) {
    QString quoted;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    quoted.replace(QLatin1String("%"), QLatin1String("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void logFailure(const char* what, const QString& why) {
    qCCritical(lcApp).noquote() << QStringLiteral("login item %1 failed: %2").arg(QLatin1String(what), why);
}

} // namespace

XdgLoginItem::XdgLoginItem(QString executable) : executable_(std::move(executable)) {}

QString XdgLoginItem::entryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/brisklet.desktop");
}

std::optional<QByteArray> XdgLoginItem::entryFor(const QString& executable) {
    if (executable.isEmpty() || executable.contains(QLatin1Char('\n')) ||
        executable.contains(QLatin1Char('\r')))
        return std::nullopt;
    QByteArray text = "[Desktop Entry]\nType=Application\nName=Brisklet\n";
    text += "Exec=" + execArgument(executable).toUtf8() + " --autostart\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    return text;
}

bool XdgLoginItem::set(bool enabled) {
    const QString path = entryPath();
    if (!enabled) {
        if (QFileInfo::exists(path) && !QFile::remove(path)) {
            logFailure("unregister", QStringLiteral("couldn't remove %1").arg(path));
            return false;
        }
        qCInfo(lcApp) << "login item unregistered";
        return true;
    }
    const QString executable = executable_.isEmpty() ? QCoreApplication::applicationFilePath() : executable_;
    const auto entry = entryFor(executable);
    if (!entry) {
        logFailure("register", QStringLiteral("the program's path can't be written in an autostart entry"));
        return false;
    }
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    // Unbuffered: a buffered write that the disk cuts short still commits, and a
    // cut-short entry may read as switched on.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(*entry) != entry->size() ||
        !file.commit()) {
        logFailure("register", file.errorString());
        return false;
    }
    qCInfo(lcApp) << "login item registered";
    return true;
}

bool XdgLoginItem::isEnabled() const {
    const QString path = entryPath();
    if (!QFileInfo(path).isFile())
        return false;
    // Desktops switch an entry off in place rather than deleting it.
    QSettings entry(path, QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    const auto off = [&](const char* key, const char* value) {
        return entry.value(QLatin1String(key)).toString().trimmed().toLower() == QLatin1String(value);
    };
    return !off("Hidden", "true") && !off("X-GNOME-Autostart-enabled", "false");
}

} // namespace brisklet::platform
