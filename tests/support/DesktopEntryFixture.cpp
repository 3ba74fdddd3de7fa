#include "support/DesktopEntryFixture.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace brisklet::test {

namespace {
// Exec quoting: every argument in double quotes, with the characters that need it escaped.
QString execQuoted(const QString& arg) {
    QString out = arg;
    for (const char* c : {"\\", "\"", "`", "$"})
        out.replace(QLatin1String(c), QLatin1String("\\") + QLatin1String(c));
    // The file format's own escape for the backslashes just written.
    out.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    return QLatin1Char('"') + out + QLatin1Char('"');
}
} // namespace

QString writeTestClientEntry(const QString& id, const QString& name, const QStringList& clientArguments,
                             const QString& startupWMClass) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/applications");
    QDir().mkpath(folder);
    QStringList exec{execQuoted(QStringLiteral(BRISKLET_XTESTCLIENT))};
    for (const QString& arg : clientArguments)
        exec << execQuoted(arg);
    exec << QStringLiteral("%U");
    QString text =
        QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\n").arg(name, exec.join(' '));
    if (!startupWMClass.isEmpty())
        text += QStringLiteral("StartupWMClass=%1\n").arg(startupWMClass);
    const QString path = folder + QLatin1Char('/') + id + QStringLiteral(".desktop");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text.toUtf8());
    return path;
}

QString installFakeBrowser() {
    return writeTestClientEntry(QStringLiteral("firefox-esr"), QStringLiteral("Firefox ESR"),
                                {QStringLiteral("--class"), QStringLiteral("Navigator,firefox-esr")},
                                QStringLiteral("firefox-esr"));
}

} // namespace brisklet::test
