#pragma once

#include "commands/AppIndex.h"
#include "magic/MagicProfile.h"

#include <QSet>
#include <vector>

namespace brisklet {

namespace platform {
class AppUsageHistory;
class RunningApps;
} // namespace platform

// Ranks the installed apps by how they are used on this computer, from local
// sources only; nothing leaves the machine.
namespace MagicScan {

// Where a scan reads from; a null source is no signal.
struct Sources {
    platform::AppUsageHistory* history = nullptr;
    platform::RunningApps* running = nullptr;
};

// The whole scan. Blocking: call it off the main thread.
MagicProfile profile(const std::vector<IndexedApp>& apps, const QDateTime& now, const Sources& sources);
// Drops the denied apps and those without any signal, then orders by score (ties by
// name in code-point order).
std::vector<AppUsage> rank(std::vector<AppUsage> apps, const QDateTime& now);
double score(const AppUsage& usage, const QDateTime& now);
// Why the app counts, in a few words ("open right now").
QString evidenceLabel(const AppUsage& usage, const QDateTime& now);
// Our own program, the settings apps and the file managers: never ranked.
const QSet<QString>& denylist();

} // namespace MagicScan

} // namespace brisklet
