#pragma once

#include "platform/BrowserLauncher.h"
#include "platform/ProcessRunner.h"
#include "platform/linux/DesktopEntries.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace brisklet::platform {

// Launches desktop entries by their Exec line, never through a shell. The default
// handlers come from xdg-mime through the process runner; each answer is kept for a
// while, and on the main thread only the kept answer is given, so nothing there
// waits on a child.
class XdgBrowserLauncher final : public BrowserLauncher {
public:
    using EntriesProvider = std::function<std::shared_ptr<const DesktopEntries>()>;
    // `entries` gives the current scan (shared with the app index); by default each
    // call scans afresh. `runner` must outlive the launcher; absent: one of its own.
    explicit XdgBrowserLauncher(EntriesProvider entries = {}, ProcessRunner* runner = nullptr);
    ~XdgBrowserLauncher() override;

    using BrowserLauncher::launchWithArguments;
    Launch launchWithArguments(const QString& desktopId, const QStringList& arguments,
                               StartupId startupId) override;
    bool isInstalled(const QString& desktopId) override;
    std::optional<QString> defaultBrowser() override;
    std::optional<QString> defaultFileManager() override;
    QStringList webHandlers() override;

    // The command line: Exec with `arguments` in place of its URL field code, or
    // after it when it has none. Empty when Exec is empty or malformed.
    static QStringList commandLine(const DesktopEntry& entry, const QStringList& arguments);

    // How long an answer of xdg-mime is used before it is asked again.
    static constexpr std::chrono::seconds answerLifetime{30};

private:
    std::optional<QString> defaultFor(const QString& mimeType);

    EntriesProvider entries_;
    std::unique_ptr<ProcessRunner> ownRunner_;
    ProcessRunner* runner_;
    struct Answer {
        std::optional<QString> id;
        std::chrono::steady_clock::time_point at;
    };
    std::mutex answersMutex_;
    std::map<QString, Answer> answers_; // by MIME type
};

} // namespace brisklet::platform
