#include "platform/linux/DesktopPermissions.h"

#include "base/Log.h"
#include "platform/Apps.h"

#include <QCoreApplication>
#include <QPointer>
#include <QProcess>
#include <QThreadPool>

namespace brisklet::platform {

DesktopPermissions::DesktopPermissions(InstalledApps& apps, Starter starter, QObject* parent)
    : QObject(parent), apps_(apps), starter_(std::move(starter)) {
    if (!starter_)
        starter_ = [](const QString& program, const QStringList& arguments) {
            return QProcess::startDetached(program, arguments);
        };
}

namespace {
Permissions::AutomationStatus statusIn(const std::vector<AppEntry>& installed, const QString& appID) {
    for (const AppEntry& entry : installed)
        if (entry.id == appID)
            return Permissions::AutomationStatus::granted;
    return Permissions::AutomationStatus::targetNotRunning;
}
} // namespace

Permissions::AutomationStatus DesktopPermissions::determine(const QString& appID) {
    return statusIn(apps_.installedApps(), appID);
}

void DesktopPermissions::requestAutomation(const QString& appID,
                                           std::function<void(AutomationStatus)> completion) {
    auto& waiting = waiting_[appID];
    waiting.push_back(std::move(completion));
    if (waiting.size() > 1)
        return;
    // The apps belong to the platform, which outlives us; this object may go while
    // the pool looks, and then nobody waits for the answer.
    QPointer<DesktopPermissions> self(this);
    InstalledApps* apps = &apps_;
    QThreadPool::globalInstance()->start([self, apps, appID] {
        const AutomationStatus status = statusIn(apps->installedApps(), appID);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, appID, status] {
                if (self)
                    self->finish(appID, status);
            },
            Qt::QueuedConnection);
    });
}

void DesktopPermissions::finish(const QString& appID, AutomationStatus status) {
    const auto completions = waiting_.take(appID);
    for (const auto& completion : completions)
        completion(status);
}

std::optional<QStringList> DesktopPermissions::paneCommand(const QString& anchor,
                                                           const QString& currentDesktop) {
    if (anchor != QLatin1String(microphonePane))
        return std::nullopt;
    const QStringList desktops = currentDesktop.toLower().split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& desktop : desktops) {
        if (desktop == QLatin1String("gnome") || desktop == QLatin1String("unity") ||
            desktop == QLatin1String("ubuntu"))
            return QStringList{QStringLiteral("gnome-control-center"), QStringLiteral("sound")};
        if (desktop == QLatin1String("kde"))
            return QStringList{QStringLiteral("systemsettings"), QStringLiteral("kcm_pulseaudio")};
    }
    return std::nullopt;
}

void DesktopPermissions::openPane(const QString& anchor) {
    auto command = paneCommand(anchor, qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    if (!command) {
        qCInfo(lcApp).noquote() << "no settings page for" << anchor << "on this desktop";
        return;
    }
    const QString program = command->takeFirst();
    if (!starter_(program, *command))
        qCCritical(lcApp).noquote() << "couldn't open the settings page for" << anchor;
}

} // namespace brisklet::platform
