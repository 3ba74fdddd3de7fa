#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace brisklet::platform {

// One installed application: an XDG desktop entry.
struct AppEntry {
    QString id;   // desktop-file ID without ".desktop" ("firefox-esr", "org.gnome.Terminal")
    QString name; // the entry's localised Name
    QString path; // the .desktop file's path
    bool operator==(const AppEntry&) const = default;
};

// One running application, as the window list shows it.
struct RunningApp {
    qint64 pid = 0;
    QString id;   // desktop ID; empty when no entry matched
    QString name; // the entry's localised Name, else the WM_CLASS instance
    QString path; // the entry's path; empty when no entry matched
    // An ordinary application with normal top-level windows (not a panel, dock or
    // desktop).
    bool regular = true;
    bool operator==(const RunningApp&) const = default;
};

// The installed applications: entries of $XDG_DATA_HOME/applications and each
// $XDG_DATA_DIRS/applications (first ID wins), without Hidden, NoDisplay and
// non-Application entries. Touches the file system: call it off the main thread.
class InstalledApps {
public:
    virtual ~InstalledApps() = default;
    virtual std::vector<AppEntry> installedApps() = 0;
};

// The applications that own windows right now. Any thread.
class RunningApps {
public:
    virtual ~RunningApps() = default;
    virtual std::vector<RunningApp> runningApps() = 0;
    // The owner of the active window, if any.
    virtual std::optional<RunningApp> frontmostApp() = 0;
};

} // namespace brisklet::platform
