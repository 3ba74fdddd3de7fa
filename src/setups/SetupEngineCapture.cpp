// Capturing the windows on screen as setup items, and telling whether the windows
// of the last run have drifted.
#include "setups/SetupEngine.h"

#include "base/Log.h"
#include "base/MainThread.h"
#include "base/SerialQueue.h"
#include "windows/OverlapDetection.h"

#include <QPointer>
#include <QSet>
#include <cmath>
#include <set>

namespace brisklet {

namespace {

using BrowserWindows = std::vector<BrowserScripting::BrowserWindow>;

double centreDistance(const QRectF& a, const QRectF& b) {
    const QPointF d = a.center() - b.center();
    return std::hypot(d.x(), d.y());
}

// The first harvested window with exactly this title, when its page may be kept;
// taken out of the list so that each page goes to one window.
std::optional<QString> takePage(BrowserWindows& harvested, const QString& title) {
    const auto it = std::find_if(harvested.begin(), harvested.end(),
                                 [&](const BrowserScripting::BrowserWindow& w) { return w.title == title; });
    if (it == harvested.end() || !BrowserScripting::isAllowedURL(it->url))
        return std::nullopt;
    QString url = it->url;
    harvested.erase(it);
    return url;
}

// Whether a browser window's title is the page's, the browser's name after it
// ("Page plan — Mozilla Firefox") or not.
bool showsPage(const QString& windowTitle, const QString& pageTitle) {
    if (pageTitle.isEmpty() || !windowTitle.startsWith(pageTitle))
        return false;
    const QString rest = windowTitle.mid(pageTitle.size());
    return rest.isEmpty() || rest.startsWith(QStringLiteral(" — ")) ||
           rest.startsWith(QStringLiteral(" - ")) || rest.startsWith(QStringLiteral(" – "));
}

// A page window a run opened, as any setup's ledger knows it.
struct OpenedPage {
    QString browser;
    qint64 pid = 0;
    QString url;
    QString title;
};

// The windows runs opened for pages, of every setup, with the page each shows: the
// setup's own address and title for it where the setup still has the page. Guessed
// windows are left out: they may be the user's.
std::map<platform::WindowId, OpenedPage> openedPages(const std::map<QUuid, SetupEngine::Ledger>& ledgers,
                                                     const SetupStore::List& setups) {
    std::map<platform::WindowId, OpenedPage> pages;
    for (const auto& [setupID, ledger] : ledgers) {
        const auto setup =
            std::find_if(setups.begin(), setups.end(), [&](const Setup& s) { return s.id == setupID; });
        for (const auto& [browser, windows] : ledger)
            for (const auto& w : windows) {
                if (w.guessed || w.prefix.isEmpty())
                    continue;
                OpenedPage page{browser, w.pid, w.prefix, QString()};
                if (setup != setups.end())
                    for (const auto& item : setup->items)
                        if (item.bundleID == browser && item.url &&
                            SetupEngine::ledgerPrefix(*item.url) == w.prefix) {
                            page.url = *item.url;
                            page.title = item.title;
                            break;
                        }
                pages.emplace(w.windowID, page);
            }
    }
    return pages;
}

// The page a run opened this window for, while the window is still that one (X
// hands a closed window's ID to new windows).
std::optional<OpenedPage> pageOf(const std::map<platform::WindowId, OpenedPage>& pages, const WindowRef& w) {
    const auto it = pages.find(w.element);
    if (it == pages.end() || it->second.browser != w.bundleID ||
        (it->second.pid != 0 && it->second.pid != w.pid) || !BrowserScripting::isAllowedURL(it->second.url))
        return std::nullopt;
    return it->second;
}

const WindowRef* nearestOf(const std::vector<WindowRef>& windows, const SetupStore::AppliedWindow& saved) {
    const WindowRef* best = nullptr;
    double bestDistance = 0;
    for (const auto& w : windows) {
        if (!w.bundleID || *w.bundleID != saved.bundleID)
            continue;
        if (w.title == saved.title)
            return &w;
        const double d = centreDistance(w.axFrame, saved.axFrame);
        if (!best || d < bestDistance) {
            best = &w;
            bestDistance = d;
        }
    }
    return best;
}

} // namespace

SetupEngine::CaptureResult SetupEngine::captureNow() {
    checkKeptWindows();
    const auto visible = windows_.visibleWindows();
    const auto screens = windows_.screens();
    CaptureResult result;
    result.fingerprint = currentFingerprint();

    // Page addresses, per browser: first the browsers we drive, then those we can't.
    std::vector<std::pair<QString, QString>> apps; // ID, name of its first window
    for (const auto& w : visible)
        if (w.bundleID && !w.bundleID->isEmpty() &&
            std::none_of(apps.begin(), apps.end(), [&](const auto& a) { return a.first == *w.bundleID; }))
            apps.emplace_back(*w.bundleID, w.appName);
    std::map<QString, BrowserWindows> harvested;
    std::vector<std::pair<QString, QString>> noAddresses; // ID, name
    for (const auto& [id, name] : apps) {
        if (!BrowserScripting::family(id))
            continue;
        auto found = harvest(id);
        if (found.kind == BrowserScripting::HarvestResult::Kind::denied)
            result.notes << name + QStringLiteral(" page addresses unavailable — the desktop refused access. "
                                                  "Its windows are saved without URLs.");
        else if (found.kind == BrowserScripting::HarvestResult::Kind::failed)
            result.notes << QStringLiteral("Couldn't read ") + name +
                                QStringLiteral("'s page addresses — its windows are saved without URLs.");
        else {
            // The browser lists its windows but no page at all: say so rather than
            // let its pages quietly turn into plain app windows.
            if (std::all_of(found.windows.begin(), found.windows.end(),
                            [](const auto& w) { return w.url.isEmpty(); }))
                noAddresses.emplace_back(id, name);
            harvested[id] = std::move(found.windows);
        }
    }
    for (const auto& [id, name] : apps)
        if (BrowserScripting::unscriptableBrowsers().contains(id))
            noAddresses.emplace_back(id, name);
    // A page's window that a run opened shows that page, whatever the browser tells.
    const auto pages = openedPages(windowLedger(), *store_.snapshot());
    QSet<QString> savedWithoutURL;

    std::vector<OverlapDetection::Window> entries;
    int withURL = 0;
    for (const auto& w : visible) {
        if (!w.bundleID || w.bundleID->isEmpty())
            continue;
        const auto screen = windows_.screen(w.axFrame);
        if (!screen)
            continue;
        const auto on = std::find_if(screens.begin(), screens.end(),
                                     [&](const Screen& s) { return s.displayID == screen->displayID; });
        const QRectF vf = on == screens.end() ? QRectF() : on->visibleFrame;
        if (vf.width() <= 0 || vf.height() <= 0)
            continue;
        const int displayIndex = static_cast<int>(on - screens.begin());
        const QRectF c = windows_.toCocoa(w.axFrame);
        SetupItem item;
        item.id = QUuid::createUuid();
        item.bundleID = *w.bundleID;
        item.appName = w.appName;
        item.title = w.title;
        item.frame = SetupFrame{(c.x() - vf.x()) / vf.width(), (c.y() - vf.y()) / vf.height(),
                                c.width() / vf.width(), c.height() / vf.height(), displayIndex};
        if (const auto found = harvested.find(*w.bundleID); found != harvested.end())
            if (auto url = takePage(found->second, w.title)) {
                item.kind = SetupItemKind::url;
                item.url = *url;
            }
        if (const auto page = pageOf(pages, w); page && !item.url) {
            item.kind = SetupItemKind::url;
            item.url = page->url;
            if (!page->title.isEmpty())
                item.title = page->title;
        }
        if (item.url)
            withURL += 1;
        else
            savedWithoutURL.insert(item.bundleID);
        entries.push_back({item.id, c, displayIndex});
        result.items.push_back(std::move(item));
        result.windows.push_back(w.element);
    }
    for (const auto& [id, name] : noAddresses)
        if (savedWithoutURL.contains(id))
            result.notes << name + QStringLiteral(" can't share page addresses (no scripting support) — "
                                                  "its windows are saved without URLs.");
    result.overlapPairs = OverlapDetection::messyPairs(entries, 0.25, 24);
    qCInfo(lcWindows, "setup capture: %d windows (%d with URLs)", static_cast<int>(result.items.size()),
           withURL);
    return result;
}

void SetupEngine::captureCurrent(std::function<void(const CaptureResult&)> completion) {
    const auto alive = alive_;
    captureQueue_->async([this, alive, completion = std::move(completion)] {
        // The destructor waits for this queue, so a live engine stays alive throughout.
        CaptureResult result = alive->load() ? captureNow() : CaptureResult{};
        MainThread::post([completion, result] {
            if (completion)
                completion(result);
        });
    });
}

void SetupEngine::updateFromCurrent(const Setup& setup, std::function<void(const Setup&)> completion) {
    QPointer<SetupEngine> self(this);
    captureCurrent([self, setup, completion = std::move(completion)](const CaptureResult& capture) {
        Setup base = setup;
        std::map<platform::WindowId, QString> known;
        if (self) {
            if (auto stored = self->store_.setup(setup.id))
                base = *stored;
            known = self->knownWindows(setup.id);
        }
        if (completion)
            completion(withCapture(base, capture, known));
    });
}

bool SetupEngine::hasDrifted(const SetupStore::ActiveRun& run) {
    if (run.displayFingerprint.isEmpty() || run.displayFingerprint != currentFingerprint())
        return false;
    const auto visible = windows_.visibleWindows();
    if (run.applied.empty())
        return false;
    int matched = 0;
    int moved = 0;
    for (const auto& saved : run.applied) {
        const WindowRef* live = nearestOf(visible, saved);
        if (!live)
            continue;
        matched += 1;
        const QRectF& a = live->axFrame;
        const QRectF& s = saved.axFrame;
        const double resize = std::abs(a.width() - s.width()) / std::max(s.width(), 1.0) +
                              std::abs(a.height() - s.height()) / std::max(s.height(), 1.0);
        if (centreDistance(a, s) > 80 || resize > 0.15)
            moved += 1;
    }
    return matched > 0 && moved >= std::min(matched, 2);
}

Setup SetupEngine::withCapture(const Setup& setup, const CaptureResult& capture,
                               const std::map<platform::WindowId, QString>& known) {
    if (capture.items.empty())
        return setup;
    std::vector<SetupItem> captured = capture.items;
    std::vector<bool> folded(captured.size(), false);
    // The prefix of the page a captured item's window was opened for; empty for a
    // window the browser's start brought up; none for the user's windows.
    auto knownAs = [&](size_t i) -> std::optional<QString> {
        if (i >= capture.windows.size())
            return std::nullopt;
        const auto it = known.find(capture.windows[i]);
        return it == known.end() ? std::nullopt : std::optional<QString>(it->second);
    };
    for (size_t i = 0; i < captured.size(); ++i)
        if (const auto prefix = knownAs(i); prefix && prefix->isEmpty())
            folded[i] = true;
    std::vector<SetupItem> kept;
    auto capturedPage = [&](const QString& url) {
        for (size_t i = 0; i < captured.size(); ++i)
            if (!folded[i] && captured[i].url && ledgerPrefix(*captured[i].url) == ledgerPrefix(url))
                return true;
        return false;
    };
    for (const auto& old : setup.items) {
        if (old.kind == SetupItemKind::url && old.url) {
            SetupItem page = old;
            // First the window this page was opened in, then one titled like it.
            bool placed = false;
            for (size_t i = 0; i < captured.size() && !placed; ++i)
                if (!folded[i] && captured[i].bundleID == old.bundleID &&
                    knownAs(i) == ledgerPrefix(*old.url)) {
                    page.frame = captured[i].frame;
                    folded[i] = placed = true;
                }
            if (!placed && capturedPage(*old.url))
                continue;
            for (size_t i = 0; i < captured.size() && !placed; ++i) {
                const SetupItem& c = captured[i];
                if (!folded[i] && c.kind == SetupItemKind::app && c.bundleID == old.bundleID &&
                    showsPage(c.title, old.title)) {
                    page.frame = c.frame;
                    folded[i] = true;
                    break;
                }
            }
            kept.push_back(page);
        } else if (old.projectPath) {
            bool moved = false;
            for (size_t i = 0; i < captured.size() && !moved; ++i) {
                SetupItem& c = captured[i];
                if (!folded[i] && c.kind == SetupItemKind::app && c.bundleID == old.bundleID &&
                    !c.projectPath) {
                    c.projectPath = old.projectPath;
                    moved = true;
                }
            }
            if (!moved)
                kept.push_back(old);
        }
    }
    Setup result = setup;
    result.items.clear();
    for (size_t i = 0; i < captured.size(); ++i)
        if (!folded[i])
            result.items.push_back(captured[i]);
    result.items.insert(result.items.end(), kept.begin(), kept.end());
    result.fingerprint = capture.fingerprint;
    return result;
}

} // namespace brisklet
