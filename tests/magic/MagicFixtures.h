#pragma once

#include "commands/AppIndex.h"
#include "magic/MagicProfile.h"

#include <QDateTime>

namespace brisklet::test {

inline const QDateTime kNow = QDateTime(QDate(2026, 3, 2), QTime(12, 0), Qt::UTC);

inline IndexedApp indexed(const QString& id, const QString& name) {
    return IndexedApp::make(name, "/usr/share/applications/" + id + ".desktop", id);
}

inline AppUsage used(const QString& id, const QString& name, qint64 count,
                     std::optional<double> daysAgo = std::nullopt, bool running = false, bool dock = false) {
    AppUsage usage;
    usage.bundleID = id;
    usage.name = name;
    usage.useCount = count;
    if (daysAgo)
        usage.lastUsed = kNow.addSecs(qint64(-*daysAgo * 86400));
    usage.isRunning = running;
    usage.inDock = dock;
    return usage;
}

} // namespace brisklet::test
