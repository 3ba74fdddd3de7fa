// A run's web pages: opened in their browsers, placed and recorded for the end.
#include "setups/SetupEngine.h"

#include "base/Log.h"
#include "base/Text.h"
#include "platform/BrowserLauncher.h"

#include <QUrl>

#include <algorithm>
#include <iterator>

namespace brisklet {

namespace {

QString pageLabel(const SetupItem& item) {
    if (!item.title.isEmpty())
        return item.title;
    if (item.url)
        return *item.url;
    return QStringLiteral("?");
}

bool validPage(const SetupItem& item) {
    if (!item.url)
        return false;
    const QUrl url(*item.url, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           BrowserScripting::isAllowedURL(*item.url);
}

// Takes the first harvested window that shows the page out of the list.
std::optional<BrowserScripting::BrowserWindow>
takeMatch(std::vector<BrowserScripting::BrowserWindow>& windows, const QString& url) {
    for (auto it = windows.begin(); it != windows.end(); ++it)
        if (SetupEngine::urlMatches(it->url, url)) {
            auto found = *it;
            windows.erase(it);
            return found;
        }
    return std::nullopt;
}

} // namespace

QString SetupEngine::ledgerPrefix(const QString& url) {
    return url.endsWith(QLatin1Char('/')) ? url.chopped(1) : url;
}

bool SetupEngine::urlMatches(const QString& windowUrl, const QString& itemUrl) {
    QString u = ledgerPrefix(itemUrl);
    if (u.endsWith(QLatin1Char('/')))
        u.chop(1);
    if (windowUrl.isEmpty() || u.isEmpty())
        return false;
    return windowUrl == u || windowUrl == u + QLatin1Char('/') ||
           windowUrl.startsWith(u + QLatin1Char('/')) || windowUrl.startsWith(u + QLatin1Char('?')) ||
           windowUrl.startsWith(u + QLatin1Char('#'));
}

BrowserScripting::Desktop SetupEngine::browserDesktop() {
    return {windows_.windowSystem(), *c_.browsers, clock_};
}

BrowserScripting::HarvestResult SetupEngine::harvest(const QString& bundleID) {
    if (c_.harvest)
        return c_.harvest(bundleID);
    if (!c_.browsers)
        return {};
    auto desktop = browserDesktop();
    return BrowserScripting::harvestWindows(desktop, bundleID);
}

bool SetupEngine::ensureBrowserRunning(const QString& bundleID, OpenedWindows* started) {
    if (hasWindow(bundleID))
        return true;
    if (!c_.browsers || !c_.browsers->isInstalled(bundleID))
        return false;
    const auto launched = c_.browsers->launchWithArguments(bundleID, {});
    if (!launched.ok)
        qCWarning(lcWindows) << "couldn't start" << bundleID << launched.error;
    const double deadline = clock_.now() + 8.0;
    while (clock_.now() < deadline && !hasWindow(bundleID))
        clock_.sleep(0.2);
    if (!hasWindow(bundleID))
        return false;
    // Pages are asked for only once the browser is up: a launch that starts it
    // leaves its startup id on the process's client leader, not on the page's
    // window. And a browser restoring its last session maps the user's windows one
    // after another: let them come first, so that a browser which drops the id
    // has none of them taken for a page.
    auto windowsNow = [&] {
        OpenedWindows now;
        auto desktop = browserDesktop();
        for (const auto& w : BrowserScripting::harvestWindows(desktop, bundleID).windows)
            now.push_back({w.windowID, QString(), w.pid});
        return now;
    };
    auto shown = windowsNow();
    double quietSince = clock_.now();
    const double settleDeadline = clock_.now() + BrowserScripting::restoreLimit;
    while (clock_.now() - quietSince < BrowserScripting::restoreQuietTime && clock_.now() < settleDeadline) {
        clock_.sleep(0.2);
        auto now = windowsNow();
        if (now.size() != shown.size()) {
            quietSince = clock_.now();
            shown = std::move(now);
        }
    }
    if (started)
        *started = windowsNow();
    return true;
}

void SetupEngine::runURLItems(const std::vector<SetupItem>& items, const QString& browser, RunReport& report,
                              std::vector<AppliedWindow>& applied, OpenedWindows& opened,
                              const TargetRect& targetAXRect, OpenedWindows* started) {
    if (items.empty())
        return;
    // What the ledger came with: each of those windows shows one page already.
    std::vector<bool> known(opened.size(), true);
    const QString name = items.front().appName;
    const bool notInstalled = !c_.browsers || !c_.browsers->isInstalled(browser);
    const bool unscriptable = !BrowserScripting::family(browser).has_value();
    std::vector<BrowserScripting::BrowserWindow> harvested;
    OpenedWindows cameWith;
    if (!notInstalled && !unscriptable) {
        if (!ensureBrowserRunning(browser, &cameWith))
            report.notes << name + QStringLiteral(" didn't finish launching — sites opened best-effort.");
        if (hasWindow(browser))
            if (auto h = harvest(browser); h.kind == BrowserScripting::HarvestResult::Kind::windows)
                harvested = std::move(h.windows);
        // A window the ledger holds already is no other page's.
        std::erase_if(harvested, [&](const BrowserScripting::BrowserWindow& w) {
            return std::any_of(opened.begin(), opened.end(),
                               [&](const auto& o) { return o.windowID == w.windowID; });
        });
    }

    std::vector<BrowserScripting::Placement> reposition;
    std::vector<AppliedWindow> pendingApplied;
    std::vector<std::pair<SetupItem, std::optional<QRectF>>> kept;
    for (const auto& item : items) {
        if (!validPage(item)) {
            report.notes << QStringLiteral("“") + pageLabel(item) +
                                QStringLiteral("” has no valid web address — skipped.");
            continue;
        }
        const std::optional<QRectF> target = item.frame ? targetAXRect(*item.frame) : std::nullopt;
        const QString prefix = ledgerPrefix(*item.url);
        std::optional<size_t> mine;
        for (size_t i = 0; i < known.size() && !mine; ++i)
            if (known[i] && opened[i].prefix == prefix)
                mine = i;
        if (mine) {
            known[*mine] = false;
            report.opened += 1;
            if (target) {
                reposition.push_back({opened[*mine].windowID, *target});
                pendingApplied.push_back({browser, item.title, *target});
            }
            continue;
        }
        if (const auto window = takeMatch(harvested, *item.url)) {
            report.opened += 1;
            opened.push_back({window->windowID, prefix, window->pid});
            if (target) {
                reposition.push_back({window->windowID, *target});
                pendingApplied.push_back({browser, item.title, *target});
            }
            continue;
        }
        kept.emplace_back(item, target);
    }
    if (!reposition.empty()) {
        auto desktop = browserDesktop();
        if (BrowserScripting::positionExisting(desktop, reposition, browser)) {
            report.placed += static_cast<int>(reposition.size());
            applied.insert(applied.end(), pendingApplied.begin(), pendingApplied.end());
        } else {
            report.notes << QStringLiteral("Couldn't reposition ") + name + QStringLiteral(" windows.");
        }
    }
    // A browser this run started may still be restoring the user's windows.
    const bool justStarted = !cameWith.empty();
    if (started && justStarted)
        *started = std::move(cameWith);
    openPages(kept, browser, name, notInstalled, unscriptable, justStarted, report, applied, opened);
}

void SetupEngine::openPages(const std::vector<std::pair<SetupItem, std::optional<QRectF>>>& kept,
                            const QString& browser, const QString& name, bool notInstalled, bool unscriptable,
                            bool justStarted, RunReport& report, std::vector<AppliedWindow>& applied,
                            OpenedWindows& opened) {
    using Kind = BrowserScripting::OpenResult::Kind;
    for (const auto& [item, target] : kept) {
        const QString prefix = ledgerPrefix(*item.url);
        if (notInstalled || unscriptable || !target) {
            openPlainly(item, browser, name, notInstalled, unscriptable, target.has_value(), report);
            continue;
        }
        auto desktop = browserDesktop();
        const auto result =
            BrowserScripting::openPositioned(desktop, *item.url, browser, *target, justStarted);
        if (result.kind == Kind::opened) {
            report.opened += 1;
            report.placed += 1;
            applied.push_back({browser, item.title, *target});
            opened.push_back({result.windowID, prefix, result.pid, result.guessed});
            continue;
        }
        if (result.kind == Kind::denied) {
            report.notes
                << name + QStringLiteral(
                              " opened the site but Brisklet can't place it — the desktop refused access.");
            openPlainly(item, browser, name, false, false, true, report);
            continue;
        }
        report.notes << (result.kind == Kind::timedOut
                             ? name + QStringLiteral(" was slow to script — recovered best-effort.")
                             : name + QStringLiteral(" couldn't open a positioned window."));
        // One look for the page that may have come after all, then a plain open.
        clock_.sleep(1.0);
        auto again = harvest(browser);
        if (again.kind == BrowserScripting::HarvestResult::Kind::windows)
            if (const auto window = takeMatch(again.windows, *item.url)) {
                report.opened += 1;
                opened.push_back({window->windowID, prefix, window->pid});
                continue;
            }
        openPlainly(item, browser, name, false, false, true, report);
    }
}

SetupEngine::LeftOpen SetupEngine::leftOpen(const std::vector<SetupItem>& items, const QString& browser,
                                            const OpenedWindows& windows) {
    // Only guessed windows are left open; the others need no look at the desktop.
    OpenedWindows guessed;
    std::copy_if(windows.begin(), windows.end(), std::back_inserter(guessed),
                 [](const BrowserScripting::OpenedWindow& w) { return w.guessed; });
    LeftOpen left;
    if (guessed.empty())
        return left;
    QString name;
    for (const auto& w : liveWindows(browser, guessed)) {
        const auto item = std::find_if(items.begin(), items.end(), [&](const SetupItem& i) {
            return i.bundleID == browser && i.url && ledgerPrefix(*i.url) == w.prefix;
        });
        const QString page = Text::quoted(item == items.end() ? w.prefix : pageLabel(*item));
        if (!left.pages.contains(page))
            left.pages << page;
        if (name.isEmpty() && item != items.end())
            name = item->appName;
    }
    if (left.pages.isEmpty())
        return left;
    const bool one = left.pages.size() == 1;
    const QString listed = one ? left.pages.front()
                               : left.pages.mid(0, left.pages.size() - 1).join(QStringLiteral(", ")) +
                                     QStringLiteral(" and ") + left.pages.back();
    left.note = listed + (one ? QStringLiteral(" was") : QStringLiteral(" were")) +
                QStringLiteral(" left open in ") + (name.isEmpty() ? browser : name) +
                (one ? QStringLiteral(": Brisklet couldn't be sure it opened that window.")
                     : QStringLiteral(": Brisklet couldn't be sure it opened those windows."));
    return left;
}

void SetupEngine::openPlainly(const SetupItem& item, const QString& browser, const QString& name,
                              bool notInstalled, bool unscriptable, bool hadFrame, RunReport& report) {
    bool ok = false;
    if (c_.browsers) {
        auto desktop = browserDesktop();
        ok = BrowserScripting::openPlain(desktop, *item.url,
                                         notInstalled ? std::nullopt : std::optional<QString>(browser));
    }
    if (!ok) {
        report.notes << QStringLiteral("Couldn't open ") + *item.url + QLatin1Char('.');
        const QString host = QUrl(*item.url).host();
        report.failedItems << (host.isEmpty() ? *item.url : host);
        return;
    }
    report.opened += 1;
    if (notInstalled)
        report.notes << name + QStringLiteral(" isn't installed — opened in your default browser.");
    else if (unscriptable && hadFrame)
        report.notes << name + QStringLiteral(" can't be positioned by script — site opened unplaced.");
}

} // namespace brisklet
