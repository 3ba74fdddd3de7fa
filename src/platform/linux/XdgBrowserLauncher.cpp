#include "platform/linux/XdgBrowserLauncher.h"

#include "base/Log.h"
#include "base/MainThread.h"
#include "platform/linux/LinuxAppLauncher.h"
#include "platform/linux/PosixProcessRunner.h"

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

XdgBrowserLauncher::XdgBrowserLauncher(EntriesProvider entries, ProcessRunner* runner)
    : entries_(std::move(entries)), runner_(runner) {
    if (!entries_)
        entries_ = [] { return DesktopEntries::scan(); };
    if (!runner_) {
        ownRunner_ = std::make_unique<PosixProcessRunner>();
        runner_ = ownRunner_.get();
    }
}

XdgBrowserLauncher::~XdgBrowserLauncher() = default;

BrowserLauncher::Launch XdgBrowserLauncher::launchWithArguments(const QString& desktopId,
                                                                const QStringList& arguments,
                                                                StartupId startupId) {
    const auto entries = entries_();
    const DesktopEntry* entry = entries ? entries->byId(desktopId) : nullptr;
    if (!entry)
        return {false, 0, QStringLiteral("no application “%1” is installed").arg(desktopId), {}};
    const QStringList command = commandLine(*entry, arguments);
    if (command.isEmpty())
        return {false, 0, QStringLiteral("the entry of “%1” has no usable command").arg(desktopId), {}};
    const QString id = startupId == StartupId::fresh ? LinuxAppLauncher::freshStartupId() : QString();
    QMap<QString, QString> environment;
    if (!id.isEmpty())
        environment.insert(QStringLiteral("DESKTOP_STARTUP_ID"), id);
    const auto started = LinuxAppLauncher::spawnDetached(command, environment, entry->path);
    if (started.ok) {
        BK_DETAIL(lcWindows) << "launched" << desktopId << command << id;
    }
    return {started.ok, started.pid, started.error, started.ok ? id : QString()};
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

// The desktop ID xdg-mime names for `mimeType`.
std::optional<QString> XdgBrowserLauncher::defaultFor(const QString& mimeType) {
    const auto now = std::chrono::steady_clock::now();
    const bool mainThread = MainThread::isCurrent();
    {
        std::lock_guard lock(answersMutex_);
        const auto kept = answers_.find(mimeType);
        if (mainThread)
            return kept == answers_.end() ? std::nullopt : kept->second.id;
        if (kept != answers_.end() && now - kept->second.at < answerLifetime)
            return kept->second.id;
    }
    const auto result = runner_->run(QStringLiteral("xdg-mime"),
                                     {QStringLiteral("query"), QStringLiteral("default"), mimeType}, 5.0,
                                     {{QStringLiteral("LC_ALL"), QStringLiteral("C")}});
    std::optional<QString> id;
    if (result.status == 0) {
        QString text = result.out.trimmed();
        if (text.endsWith(QLatin1String(".desktop")))
            text.chop(8);
        if (!text.isEmpty())
            id = text;
    }
    std::lock_guard lock(answersMutex_);
    answers_[mimeType] = {id, now};
    return id;
}

std::optional<QString> XdgBrowserLauncher::defaultBrowser() {
    return defaultFor(QStringLiteral("x-scheme-handler/https"));
}

std::optional<QString> XdgBrowserLauncher::defaultFileManager() {
    return defaultFor(QStringLiteral("inode/directory"));
}

} // namespace brisklet::platform
