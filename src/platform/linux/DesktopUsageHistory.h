#pragma once

#include "platform/AppUsageHistory.h"

#include <QByteArray>
#include <QStringList>

namespace brisklet::platform {

class ProcessRunner;

// Usage from what the desktop itself records, read-only: GNOME Shell's
// application_state (a usage score and when an app was last seen) and the
// recently-used.xbel list (which apps opened files, how often, when). The dock is
// GNOME's favourite apps, KDE's task-manager launchers and Plank's dock items.
class DesktopUsageHistory final : public AppUsageHistory {
public:
    // `runner` asks gsettings for GNOME's favourites; null: no GNOME favourites.
    explicit DesktopUsageHistory(ProcessRunner* runner);

    std::map<QString, UsageSignal> usage(const std::vector<AppEntry>& apps) override;
    std::set<QString> dockIDs() override;

    // One application of application_state, by desktop ID.
    static std::map<QString, UsageSignal> parseApplicationState(const QByteArray& xml);
    // One application of recently-used.xbel.
    struct XbelApp {
        QString name;
        QString exec;
        qint64 count = 0;
        std::optional<QDateTime> modified;
        bool operator==(const XbelApp&) const = default;
    };
    static std::vector<XbelApp> parseXbel(const QByteArray& xml);
    // The program an xbel exec line starts ("'/usr/bin/gedit %u'" → "gedit").
    static QString xbelProgram(const QString& exec);
    // `gsettings get org.gnome.shell favorite-apps` output → desktop IDs.
    static QStringList parseFavoriteApps(const QString& output);
    // The launchers= lines of plasma-org.kde.plasma.desktop-appletsrc → desktop IDs.
    static QStringList parseKdeLaunchers(const QByteArray& text);
    // The Launcher= line of a Plank dock item → its desktop ID.
    static std::optional<QString> parsePlankItem(const QByteArray& text);

    static constexpr double gsettingsTimeout = 2.0;

private:
    ProcessRunner* runner_;
};

} // namespace brisklet::platform
