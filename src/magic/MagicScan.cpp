#include "magic/MagicScan.h"

#include "base/Log.h"
#include "platform/AppUsageHistory.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace brisklet::MagicScan {

namespace {

constexpr double secondsPerDay = 86400;
constexpr qint64 threeDays = 259200;

QSet<QString> runningIDs(platform::RunningApps* running) {
    QSet<QString> ids;
    if (!running)
        return ids;
    for (const platform::RunningApp& app : running->runningApps()) {
        if (app.regular && !app.id.isEmpty())
            ids.insert(app.id);
    }
    return ids;
}

// Unicode scalar order, case-sensitive and not localised.
bool nameBefore(const QString& a, const QString& b) {
    const QList<uint> x = a.toUcs4();
    const QList<uint> y = b.toUcs4();
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end());
}

} // namespace

const QSet<QString>& denylist() {
    static const QSet<QString> denied{
        // Ourselves.
        QStringLiteral("brisklet"), QStringLiteral("com.brisklet.app"),
        // Settings apps.
        QStringLiteral("org.gnome.Settings"), QStringLiteral("gnome-control-center"),
        QStringLiteral("systemsettings"), QStringLiteral("org.kde.systemsettings"),
        QStringLiteral("xfce-settings-manager"),
        // File managers.
        QStringLiteral("org.gnome.Nautilus"), QStringLiteral("org.kde.dolphin"), QStringLiteral("thunar"),
        QStringLiteral("org.xfce.Thunar"), QStringLiteral("nemo"), QStringLiteral("caja"),
        QStringLiteral("pcmanfm")};
    return denied;
}

double score(const AppUsage& usage, const QDateTime& now) {
    double value = std::log10(double(std::max<qint64>(usage.useCount, 0)) + 1);
    if (usage.lastUsed) {
        // A date in the future counts as now.
        const double days = std::max<double>(0, double(usage.lastUsed->secsTo(now))) / secondsPerDay;
        value += 2 * std::pow(2.0, -days / 7);
    }
    if (usage.isRunning)
        value += 1.5;
    if (usage.inDock)
        value += 1.0;
    return value;
}

QString evidenceLabel(const AppUsage& usage, const QDateTime& now) {
    if (usage.isRunning)
        return QStringLiteral("open right now");
    if (usage.useCount >= 1000)
        return QStringLiteral("opened ") + QLocale().toString(usage.useCount) +
               QString::fromUtf8("× on this computer");
    if (usage.useCount >= 20)
        return QStringLiteral("opened ") + QString::number(usage.useCount) +
               QString::fromUtf8("× on this computer");
    if (usage.inDock)
        return QStringLiteral("in your dock");
    if (usage.lastUsed && usage.lastUsed->secsTo(now) < threeDays)
        return QStringLiteral("used this week");
    return QStringLiteral("on this computer");
}

std::vector<AppUsage> rank(std::vector<AppUsage> apps, const QDateTime& now) {
    std::erase_if(apps, [&](const AppUsage& app) {
        return denylist().contains(app.bundleID) || !(score(app, now) > 0);
    });
    std::stable_sort(apps.begin(), apps.end(), [&](const AppUsage& a, const AppUsage& b) {
        const double sa = score(a, now);
        const double sb = score(b, now);
        if (sa != sb)
            return sa > sb;
        return nameBefore(a.name, b.name);
    });
    return apps;
}

MagicProfile profile(const std::vector<IndexedApp>& apps, const QDateTime& now, const Sources& sources) {
    const QSet<QString> running = runningIDs(sources.running);
    std::set<QString> dock;
    std::vector<platform::AppEntry> entries;
    QSet<QString> seen;
    for (const IndexedApp& app : apps) {
        if (!app.bundleID || seen.contains(*app.bundleID))
            continue;
        seen.insert(*app.bundleID);
        entries.push_back({*app.bundleID, app.name, app.url});
    }
    std::map<QString, platform::UsageSignal> recorded;
    if (sources.history) {
        dock = sources.history->dockIDs();
        recorded = sources.history->usage(entries);
    }
    std::vector<AppUsage> usages;
    usages.reserve(entries.size());
    for (const platform::AppEntry& entry : entries) {
        AppUsage usage;
        usage.bundleID = entry.id;
        usage.name = entry.name;
        if (const auto found = recorded.find(entry.id); found != recorded.end()) {
            usage.useCount = found->second.useCount;
            usage.lastUsed = found->second.lastUsed;
        }
        usage.isRunning = running.contains(entry.id);
        usage.inDock = dock.count(entry.id) > 0;
        usages.push_back(std::move(usage));
    }
    std::vector<AppUsage> ranked = rank(std::move(usages), now);
    qCInfo(lcApp, "magic scan: %ld apps ranked (local only)", long(ranked.size()));
    return {std::move(ranked), now};
}

} // namespace brisklet::MagicScan
