#include "platform/linux/XdgBrowserLauncher.h"

#include "base/Log.h"
#include "platform/linux/LinuxAppLauncher.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace brisklet::platform {

namespace {
// Stands in for the URL while the field codes are expanded; never a local path, so
// %f and %F drop it.
const QString placeholder = QStringLiteral("brisklet-arguments:here");
} // namespace

QStringList XdgBrowserLauncher::commandLine(const DesktopEntry& entry, const QStringList& arguments) {
    const QStringList expanded = entry.launchArguments({placeholder});
    if (expanded.isEmpty())
        return {};
    QStringList out;
    bool placed = false;
    for (const QString& arg : expanded) {
        if (arg == placeholder && !placed) {
            out << arguments;
            placed = true;
        } else if (arg.contains(placeholder)) {
            // A URL code glued to other text ("--url=%u") can't take a list: leave it
            // out and put ours at the end.
            continue;
        } else {
            out << arg;
        }
    }
    if (!placed)
        out << arguments;
    return out;
}

XdgBrowserLauncher::XdgBrowserLauncher(EntriesProvider entries) : entries_(std::move(entries)) {
    if (!entries_)
        entries_ = [] { return DesktopEntries::scan(); };
}

BrowserLauncher::Launch XdgBrowserLauncher::launchWithArguments(const QString& desktopId,
                                                                const QStringList& arguments) {
    const auto entries = entries_();
    const DesktopEntry* entry = entries ? entries->byId(desktopId) : nullptr;
    if (!entry)
        return {false, 0, QStringLiteral("no application “%1” is installed").arg(desktopId)};
    const QStringList command = commandLine(*entry, arguments);
    if (command.isEmpty())
        return {false, 0, QStringLiteral("the entry of “%1” has no usable command").arg(desktopId)};
    const auto started = LinuxAppLauncher::spawnDetached(command);
    if (started.ok) {
        BK_DETAIL(lcWindows) << "launched" << desktopId << command;
    }
    return {started.ok, started.pid, started.error};
}

bool XdgBrowserLauncher::isInstalled(const QString& desktopId) {
    const auto entries = entries_();
    return entries && entries->byId(desktopId) != nullptr;
}

QStringList XdgBrowserLauncher::webHandlers() {
    QStringList ids;
    if (const auto entries = entries_())
        for (const auto& entry : entries->listed())
            if (entry.mimeTypes.contains(QLatin1String("x-scheme-handler/https")))
                ids << entry.id;
    // The default may be set in mimeapps.list without the entry saying so itself.
    if (const auto id = defaultBrowser(); id && !ids.contains(*id))
        ids << *id;
    return ids;
}

namespace {

// The desktop ID xdg-mime names for `mimeType`.
std::optional<QString> defaultFor(const QString& mimeType) {
    QProcess query;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    query.setProcessEnvironment(env);
    query.setStandardInputFile(QProcess::nullDevice());
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForFinished(5000)) {
        query.kill();
        query.waitForFinished(1000);
        return std::nullopt;
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return std::nullopt;
    QString id = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    if (id.endsWith(QLatin1String(".desktop")))
        id.chop(8);
    if (id.isEmpty())
        return std::nullopt;
    return id;
}

} // namespace

std::optional<QString> XdgBrowserLauncher::defaultBrowser() {
    return defaultFor(QStringLiteral("x-scheme-handler/https"));
}

std::optional<QString> XdgBrowserLauncher::defaultFileManager() {
    return defaultFor(QStringLiteral("inode/directory"));
}

} // namespace brisklet::platform
