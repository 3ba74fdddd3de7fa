#pragma once

#include "platform/Permissions.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace brisklet::platform {

class InstalledApps;

// Permissions as a Linux desktop has them: no per-app consent, so an installed
// target counts as granted; the microphone and speech need no asking; the only
// privacy page that exists is the sound settings of GNOME and KDE.
class DesktopPermissions final : public QObject, public Permissions {
    Q_OBJECT
public:
    // Starts a program detached; false when it could not be started.
    using Starter = std::function<bool(const QString& program, const QStringList& arguments)>;

    // `starter` null: QProcess::startDetached.
    explicit DesktopPermissions(InstalledApps& apps, Starter starter = nullptr, QObject* parent = nullptr);

    AutomationStatus determine(const QString& appID) override;
    void requestAutomation(const QString& appID, std::function<void(AutomationStatus)> completion) override;
    void requestMicrophone() override {}
    void requestSpeech() override {}
    void openPane(const QString& anchor) override;

    // The settings program and its arguments for `anchor` on the desktop named by
    // `currentDesktop` (as $XDG_CURRENT_DESKTOP); nothing where no page exists.
    static std::optional<QStringList> paneCommand(const QString& anchor, const QString& currentDesktop);

private:
    void finish(const QString& appID, AutomationStatus status);

    InstalledApps& apps_;
    Starter starter_;
    // One look per app at a time; later askers wait for its answer.
    QHash<QString, std::vector<std::function<void(AutomationStatus)>>> waiting_;
};

} // namespace brisklet::platform
