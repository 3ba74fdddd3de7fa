#include "actions/BrowserScripting.h"

#include "base/Log.h"

#include <QUrl>
#include <algorithm>
#include <limits>
#include <mutex>

namespace brisklet::BrowserScripting {

const std::map<QString, Family>& families() {
    static const std::map<QString, Family> table{
        {QStringLiteral("firefox"), Family::firefox},
        {QStringLiteral("firefox-esr"), Family::firefox},
        {QStringLiteral("org.mozilla.firefox"), Family::firefox},
        {QStringLiteral("org.gnome.Epiphany"), Family::firefox},
        {QStringLiteral("chromium"), Family::chromium},
        {QStringLiteral("org.chromium.Chromium"), Family::chromium},
        {QStringLiteral("google-chrome"), Family::chromium},
        {QStringLiteral("com.google.Chrome"), Family::chromium},
        {QStringLiteral("brave-browser"), Family::chromium},
        {QStringLiteral("com.brave.Browser"), Family::chromium},
        {QStringLiteral("microsoft-edge"), Family::chromium},
        {QStringLiteral("com.microsoft.Edge"), Family::chromium},
        {QStringLiteral("vivaldi-stable"), Family::chromium},
        {QStringLiteral("com.vivaldi.Vivaldi"), Family::chromium},
        {QStringLiteral("opera"), Family::chromium},
        {QStringLiteral("com.opera.Opera"), Family::chromium},
    };
    return table;
}

const std::set<QString>& unscriptableBrowsers() {
    static const std::set<QString> table{
        QStringLiteral("org.qutebrowser.qutebrowser"),
        QStringLiteral("org.kde.falkon"),
        QStringLiteral("org.kde.konqueror"),
    };
    return table;
}

bool isKnownBrowser(const QString& desktopId) {
    return families().contains(desktopId) || unscriptableBrowsers().contains(desktopId);
}

std::optional<Family> family(const QString& desktopId) {
    const auto it = families().find(desktopId);
    if (it == families().end())
        return std::nullopt;
    return it->second;
}

bool isAllowedURL(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
}

namespace {

// Windows opened by openPositioned, so closing never reaches a window of the user's.
std::mutex openedMutex;
std::set<platform::WindowId>& openedSet() {
    static std::set<platform::WindowId> set;
    return set;
}

std::vector<platform::WindowInfo> browserWindows(Desktop& desktop, const QString& bundleID) {
    std::vector<platform::WindowInfo> found;
    for (auto& w : desktop.windows.windows())
        if (w.appId == bundleID && w.type == platform::WindowType::normal)
            found.push_back(std::move(w));
    return found;
}

std::set<platform::WindowId> idsOf(const std::vector<platform::WindowInfo>& windows) {
    std::set<platform::WindowId> ids;
    for (const auto& w : windows)
        ids.insert(w.id);
    return ids;
}

// Polls until a window of the browser shows up that was not there before.
std::optional<platform::WindowId> waitForNewWindow(Desktop& desktop, const QString& bundleID,
                                                   const std::set<platform::WindowId>& before, double limit) {
    const double deadline = desktop.clock.now() + limit;
    for (;;) {
        for (const auto& w : browserWindows(desktop, bundleID))
            if (!before.contains(w.id))
                return w.id;
        if (desktop.clock.now() >= deadline)
            return std::nullopt;
        desktop.clock.sleep(pollStep);
    }
}

// Whether a window's title names one of the pages' hosts ("www." aside).
bool namesAPage(const QString& title, const QStringList& urls) {
    for (const auto& url : urls) {
        QString host = QUrl(url).host().toLower();
        if (host.startsWith(QLatin1String("www.")))
            host = host.mid(4);
        if (!host.isEmpty() && title.toLower().contains(host))
            return true;
    }
    return false;
}

// What a fresh window is called before its page has loaded.
bool looksNew(const QString& title) {
    const QString t = title.trimmed().toLower();
    return t.isEmpty() || t.startsWith(QLatin1String("new tab")) ||
           t.startsWith(QLatin1String("about:blank"));
}

struct PageWindow {
    platform::WindowInfo info;
    bool guessed = false;
};

// Waits for the window that shows the pages. The one carrying the launch's own
// startup id is it, known at once. A browser that doesn't pass the id on leaves
// only titles to go by, and a cold start restores the user's windows at the same
// time, before or after ours; one of them taken for ours must never be closed with
// all its tabs, so a window taken on a guess says so.
std::optional<PageWindow> waitForPageWindow(Desktop& desktop, const QString& bundleID,
                                            const std::set<platform::WindowId>& before,
                                            const QStringList& urls, const QString& startupId,
                                            double settleFor) {
    const double deadline = desktop.clock.now() + openLimit;
    constexpr double never = std::numeric_limits<double>::infinity();
    double settled = never;                    // when the windows that came are looked at
    std::vector<platform::WindowInfo> mapped;  // the new windows, in the order they came
    std::map<platform::WindowId, QString> ids; // their own startup ids, once they show one
    for (;;) {
        auto now = browserWindows(desktop, bundleID);
        // Front to back: of windows seen in the same look, the front one came last.
        for (auto it = now.rbegin(); it != now.rend(); ++it) {
            if (before.contains(it->id))
                continue;
            const auto seen = std::find_if(mapped.begin(), mapped.end(),
                                           [&](const platform::WindowInfo& m) { return m.id == it->id; });
            if (seen == mapped.end())
                mapped.push_back(*it);
            else
                seen->title = it->title; // titles follow the page as it loads
        }
        std::erase_if(mapped, [&](const platform::WindowInfo& m) {
            return std::none_of(now.begin(), now.end(), [&](const auto& w) { return w.id == m.id; });
        });
        std::vector<platform::WindowInfo> unmarked; // no startup id: any launch's, or none
        for (const auto& m : mapped) {
            QString& id = ids[m.id];
            if (id.isEmpty())
                id = desktop.windows.startupId(m.id);
            if (!startupId.isEmpty() && id == startupId)
                return PageWindow{m, false};
            if (id.isEmpty())
                unmarked.push_back(m); // one with another launch's id is never ours
        }
        if (unmarked.empty())
            settled = never; // what came has gone again, or isn't ours: wait on
        else if (settled == never)
            settled = std::min(desktop.clock.now() + settleFor, deadline);
        if (desktop.clock.now() >= settled) {
            for (auto it = unmarked.rbegin(); it != unmarked.rend(); ++it)
                if (namesAPage(it->title, urls))
                    return PageWindow{*it, false};
            for (auto it = unmarked.rbegin(); it != unmarked.rend(); ++it)
                if (looksNew(it->title))
                    return PageWindow{*it, false};
            // The restored windows have mostly come before the request: the first
            // one after it is the best bet, but only a bet.
            return PageWindow{unmarked.front(), true};
        }
        if (settled == never && desktop.clock.now() >= deadline)
            return std::nullopt;
        desktop.clock.sleep(pollStep);
    }
}

void surface(Desktop& desktop, platform::WindowId window) {
    if (auto info = desktop.windows.window(window); info && info->iconic)
        desktop.windows.deiconify(window);
    desktop.windows.activate(window);
}

} // namespace

HarvestResult harvestWindows(Desktop& desktop, const QString& bundleID) {
    if (!family(bundleID))
        return {HarvestResult::Kind::failed, {}};
    const auto windows = browserWindows(desktop, bundleID);
    if (windows.empty())
        return {HarvestResult::Kind::failed, {}};
    HarvestResult result{HarvestResult::Kind::windows, {}};
    for (const auto& w : windows)
        result.windows.push_back({w.id, w.title, {}, w.pid});
    return result;
}

OpenResult openPositioned(Desktop& desktop, const QStringList& urls, const QString& bundleID,
                          const QRectF& axBounds, bool justStarted) {
    if (!family(bundleID) || urls.isEmpty() || !std::all_of(urls.begin(), urls.end(), isAllowedURL))
        return {OpenResult::Kind::failed, 0};
    const auto before = idsOf(browserWindows(desktop, bundleID));
    // From before the launch: the id may be on the page's window only for a moment.
    const auto watch = desktop.windows.watchStartupIds();
    const auto launch =
        desktop.launcher.launchWithArguments(bundleID, QStringList{QStringLiteral("--new-window")} + urls,
                                             platform::BrowserLauncher::StartupId::fresh);
    if (!launch.ok) {
        qCCritical(lcWindows).noquote()
            << QStringLiteral("scripted open failed (%1): %2").arg(bundleID, launch.error);
        return {OpenResult::Kind::failed, 0};
    }
    // A browser with no window yet is started by this call and may restore a session.
    const bool restoring = justStarted || before.empty();
    const auto page =
        waitForPageWindow(desktop, bundleID, before, urls, launch.startupId, restoring ? settleTime : 0);
    if (!page) {
        qCCritical(lcWindows).noquote() << QStringLiteral("scripted open failed (%1): timeout").arg(bundleID);
        return {OpenResult::Kind::timedOut, 0};
    }
    const platform::WindowId window = page->info.id;
    // A browser not restoring anything maps only the window asked for.
    const bool guessed = restoring && page->guessed;
    {
        // Forget windows that have gone since: X may hand their IDs to new windows.
        std::set<platform::WindowId> present;
        for (const auto& w : desktop.windows.windows())
            present.insert(w.id);
        std::lock_guard lock(openedMutex);
        std::erase_if(openedSet(), [&](platform::WindowId id) { return !present.contains(id); });
        if (!guessed)
            openedSet().insert(window);
    }
    // Placing is best effort: the window is open either way.
    desktop.windows.setFrame(window, axBounds);
    surface(desktop, window);
    if (guessed)
        qCInfo(lcWindows).noquote() << QStringLiteral(
                                           "took window 0x%1 for the page on a guess: it won't be closed")
                                           .arg(window, 0, 16);
    return {OpenResult::Kind::opened, window, page->info.pid, guessed};
}

bool positionExisting(Desktop& desktop, const std::vector<Placement>& windows, const QString& bundleID) {
    if (!family(bundleID) || windows.empty())
        return false;
    const auto ids = idsOf(browserWindows(desktop, bundleID));
    if (ids.empty())
        return false;
    for (const auto& p : windows) {
        // One closed window never stops the others.
        if (!ids.contains(p.windowID))
            continue;
        desktop.windows.setFrame(p.windowID, p.axBounds);
        surface(desktop, p.windowID);
    }
    return true;
}

bool openEmptyWindow(Desktop& desktop, const QString& bundleID) {
    const auto kind = family(bundleID);
    if (!kind)
        return false;
    const auto before = idsOf(browserWindows(desktop, bundleID));
    if (before.empty())
        return false;
    QStringList arguments{QStringLiteral("--new-window")};
    if (*kind == Family::firefox)
        arguments << QStringLiteral("about:blank");
    if (!desktop.launcher.launchWithArguments(bundleID, arguments).ok)
        return false;
    if (const auto window = waitForNewWindow(desktop, bundleID, before, emptyWindowLimit))
        surface(desktop, *window);
    return true;
}

CloseReport closeWindows(Desktop& desktop, const std::vector<OpenedWindow>& windows,
                         const QString& bundleID) {
    if (!family(bundleID) || windows.empty())
        return {};
    std::map<platform::WindowId, qint64> owners; // the browser's windows now, by their owner
    for (const auto& w : browserWindows(desktop, bundleID))
        owners[w.id] = w.pid;
    QStringList failures;
    CloseReport report{CloseResult::closed, 0};
    std::lock_guard lock(openedMutex);
    for (const auto& w : windows) {
        // A guess is never closed, even where its ID was once a window we opened.
        if (w.guessed || !openedSet().contains(w.windowID))
            continue;
        // A window that has gone already is passed over; its ID may come back for
        // another window (of another process), so it is forgotten.
        const auto owner = owners.find(w.windowID);
        if (owner != owners.end() && (w.pid == 0 || owner->second == w.pid)) {
            if (desktop.windows.close(w.windowID))
                report.closed += 1;
            else
                failures << QStringLiteral("window 0x%1 refused").arg(w.windowID, 0, 16);
        }
        openedSet().erase(w.windowID);
    }
    if (!failures.isEmpty()) {
        qCCritical(lcWindows).noquote() << QStringLiteral("closeWindows failed (%1): %2")
                                               .arg(bundleID, failures.join(QStringLiteral(", ")));
        report.kind = CloseResult::failed;
    } else if (report.closed == 0) {
        report.kind = CloseResult::skipped;
    }
    return report;
}

CloseResult closeTabs(Desktop&, const QString&, const QString&) {
    return CloseResult::skipped;
}

bool openPlain(Desktop& desktop, const QString& url, const std::optional<QString>& bundleID) {
    if (!isAllowedURL(url))
        return false;
    if (bundleID && desktop.launcher.isInstalled(*bundleID))
        return desktop.launcher.launchWithArguments(*bundleID, {url}).ok;
    const auto fallback = desktop.launcher.defaultBrowser();
    if (!fallback) {
        qCWarning(lcWindows).noquote() << "no default browser to open" << url;
        return false;
    }
    return desktop.launcher.launchWithArguments(*fallback, {url}).ok;
}

bool openedByUs(platform::WindowId window) {
    std::lock_guard lock(openedMutex);
    return openedSet().contains(window);
}

void adoptOpened(platform::WindowId window) {
    std::lock_guard lock(openedMutex);
    openedSet().insert(window);
}

} // namespace brisklet::BrowserScripting
