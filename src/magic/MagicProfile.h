#pragma once

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace brisklet {

// How much one installed app is used, as the local scan found it.
struct AppUsage {
    QString bundleID; // desktop ID
    QString name;     // the app index's name
    qint64 useCount = 0;
    std::optional<QDateTime> lastUsed;
    bool isRunning = false;
    bool inDock = false;
    bool operator==(const AppUsage&) const = default;
};

// The ranked result of a scan, best first.
struct MagicProfile {
    std::vector<AppUsage> apps;
    QDateTime scannedAt; // the "now" the scan used
    bool operator==(const MagicProfile&) const = default;

    // The first app with exactly this desktop ID.
    std::optional<AppUsage> usage(const QString& bundleID) const {
        for (const AppUsage& app : apps) {
            if (app.bundleID == bundleID)
                return app;
        }
        return std::nullopt;
    }
};

} // namespace brisklet
