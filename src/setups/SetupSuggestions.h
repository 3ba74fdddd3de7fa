#pragma once

#include "base/Clock.h"
#include "commands/AppIndex.h"
#include "platform/Apps.h"
#include "setups/Setup.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace brisklet {

namespace platform {
class BrowserLauncher;
} // namespace platform

// A ready-made setup for a user who has none yet; its name is its identity.
struct SetupSuggestion {
    QString name;
    QString blurb;
    Setup draft;
    QString id() const { return name; }
    bool operator==(const SetupSuggestion&) const = default;
};

// Built-in setup ideas filled with the apps the user actually has.
namespace SetupSuggestions {

// What the suggestions read of the desktop besides the app list.
struct Desktop {
    // The entry that opens web pages. Finding it runs a program, so the owner of the
    // view keeps the answer of findDefaultBrowser() and hands it in here.
    std::optional<platform::AppEntry> defaultBrowser;
    QString fingerprint; // of the current displays
};

// At most three suggestions, in the templates' order. A template whose slots can't
// all be filled is left out.
std::vector<SetupSuggestion> forInstalled(const std::vector<IndexedApp>& apps, const Desktop& desktop,
                                          Clock& clock = Clock::system());

// The first candidate that is running, else the first that is installed.
std::optional<QString> preferredApp(const QStringList& candidates,
                                    const std::vector<platform::RunningApp>& running,
                                    const std::vector<IndexedApp>& installed);

// The default web browser's entry: its name and path from the installed entries,
// or only its ID when it has no visible entry. Blocks (it asks xdg-mime): call it
// off the main thread, with each refresh of the app index.
std::optional<platform::AppEntry> findDefaultBrowser(platform::BrowserLauncher& launcher,
                                                     platform::InstalledApps& installed);

} // namespace SetupSuggestions
} // namespace brisklet
