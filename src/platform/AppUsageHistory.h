#pragma once

#include "platform/Apps.h"

#include <QDateTime>
#include <QString>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace brisklet::platform {

// What the desktop remembers of one app's use.
struct UsageSignal {
    qint64 useCount = 0;               // launches, as far as the desktop counts them
    std::optional<QDateTime> lastUsed; // absent when nothing says
    bool operator==(const UsageSignal&) const = default;
};

// The desktop's own record of how apps are used and which are pinned to its dock.
// Read-only: nothing here writes. A source that is missing or can't be read gives
// no signal, never an error. Blocking (files, a short-lived child): call it off the
// main thread.
class AppUsageHistory {
public:
    virtual ~AppUsageHistory() = default;
    // Signals by desktop ID for the given apps; apps without any are left out.
    virtual std::map<QString, UsageSignal> usage(const std::vector<AppEntry>& apps) = 0;
    // Desktop IDs pinned to the desktop's dock or panel launchers.
    virtual std::set<QString> dockIDs() = 0;
};

} // namespace brisklet::platform
