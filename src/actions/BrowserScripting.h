#pragma once

#include "base/Clock.h"
#include "platform/BrowserLauncher.h"
#include "platform/WindowSystem.h"

#include <QRectF>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace brisklet {

// Drives web browsers for the setups, by desktop ID: new windows with pages come
// from the browser's own command line and are then found, placed and surfaced as
// ordinary windows.
namespace BrowserScripting {

// The command-line dialect a browser speaks; it only decides how an empty window
// is asked for.
enum class Family { firefox, chromium };

// Desktop IDs of the browsers we know how to drive.
const std::map<QString, Family>& families();
// Browsers we know but cannot drive: their pages are opened plainly.
const std::set<QString>& unscriptableBrowsers();
// A known browser is never quit by ending a setup or closing the rest.
bool isKnownBrowser(const QString& desktopId);
std::optional<Family> family(const QString& desktopId);

// The only addresses a setup may hold or open: http or https with a host.
bool isAllowedURL(const QString& text);

// What the browser operations drive. Every operation blocks its caller (polls and
// launches): call them off the main thread.
struct Desktop {
    platform::WindowSystem& windows;
    platform::BrowserLauncher& launcher;
    Clock& clock;
};

// One browser window. A browser's page addresses can't be read from outside, so
// `url` stays empty.
struct BrowserWindow {
    platform::WindowId windowID = 0;
    QString title;
    QString url;
    qint64 pid = 0; // its owner
    bool operator==(const BrowserWindow&) const = default;
};

struct HarvestResult {
    enum class Kind { windows, denied, failed };
    Kind kind = Kind::failed;
    std::vector<BrowserWindow> windows;
};

struct OpenResult {
    enum class Kind { opened, denied, timedOut, failed };
    Kind kind = Kind::failed;
    platform::WindowId windowID = 0; // the new window, when opened
    qint64 pid = 0;                  // and its owner
    // Taken among a restoring browser's windows with nothing to tell it by: it may
    // be one of the user's, so it is never closed.
    bool guessed = false;
};

enum class CloseResult { closed, denied, failed, skipped };

struct Placement {
    platform::WindowId windowID = 0;
    QRectF axBounds; // top-left space
};

struct OpenedWindow {
    platform::WindowId windowID = 0;
    QString prefix;       // the page it was opened for
    qint64 pid = 0;       // its owner when it was recorded: X hands out window IDs again
    bool guessed = false; // see OpenResult: placed, never closed
};

struct CloseReport {
    CloseResult kind = CloseResult::skipped;
    int closed = 0; // listed windows of ours that were still there and took the request to close
};

// The windows of a driven, running browser. `failed` when the browser is not one we
// drive or has no window.
HarvestResult harvestWindows(Desktop& desktop, const QString& bundleID);

// Opens the pages in one new window of the browser, places it on `axBounds` and
// brings it forward. Every address must be allowed. No running instance is needed.
// The new window that carries the launch's own startup id, if only for the moment
// before it maps, is the page's, at once.
// A browser that doesn't pass the id on gives only titles: while it restores its
// last session (one this call starts, or one the caller has `justStarted`) it maps
// windows of the user's around ours, so the new windows are watched for a moment and
// the page's own one is taken: one titled after a page's host, else a new tab's,
// else (a guess) the first one mapped after the request. A browser that was running
// already maps only ours, which is taken at once.
OpenResult openPositioned(Desktop& desktop, const QStringList& urls, const QString& bundleID,
                          const QRectF& axBounds, bool justStarted = false);
inline OpenResult openPositioned(Desktop& desktop, const QString& url, const QString& bundleID,
                                 const QRectF& axBounds, bool justStarted = false) {
    return openPositioned(desktop, QStringList{url}, bundleID, axBounds, justStarted);
}

// Moves and surfaces windows of a running browser; false when nothing was sent.
bool positionExisting(Desktop& desktop, const std::vector<Placement>& windows, const QString& bundleID);

// Asks a running browser for an empty window; true when the request started.
bool openEmptyWindow(Desktop& desktop, const QString& bundleID);

// Closes windows that we opened (never one of the user's own, whatever is passed).
// `skipped` when none of them was still there to close.
CloseReport closeWindows(Desktop& desktop, const std::vector<OpenedWindow>& windows, const QString& bundleID);

// Tabs can't be reached from outside a browser here: always `skipped`.
CloseResult closeTabs(Desktop& desktop, const QString& url, const QString& bundleID);

// Opens the address in that browser when it is installed, else in the default one.
bool openPlain(Desktop& desktop, const QString& url, const std::optional<QString>& bundleID);

// Whether this window was opened by openPositioned (and not guessed) and not
// closed since.
bool openedByUs(platform::WindowId window);
// A window that an earlier run of ours opened, known again after a restart.
void adoptOpened(platform::WindowId window);

// How long each operation may take.
constexpr double openLimit = 25.0;
constexpr double emptyWindowLimit = 10.0;
constexpr double pollStep = 0.1;
// How long a restoring browser's new windows are watched after the first one maps.
constexpr double settleTime = 1.0;
// A browser that was just started has finished restoring its windows once none has
// come for this long, or at the latest after the limit.
constexpr double restoreQuietTime = 3.0;
constexpr double restoreLimit = 15.0;

} // namespace BrowserScripting
} // namespace brisklet
