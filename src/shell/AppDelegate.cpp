#include "shell/AppDelegate.h"

#include "base/AppState.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/Prefs.h"
#include "platform/linux/QtSoundOutput.h"
#include "shell/SingleInstance.h"
#include "voice/Chime.h"

#include <QCoreApplication>

namespace brisklet {

AppDelegate::AppDelegate(QObject* parent) : QObject(parent), appState_(new AppState(this)) {}

AppDelegate::~AppDelegate() { Chime::setOutput(nullptr); }

bool AppDelegate::deferToRunningInstance() {
    const qint64 selfPid = QCoreApplication::applicationPid();
    const auto self = SingleInstance::readProcess(QStringLiteral("/proc"), selfPid);
    if (!self)
        return false;
    const auto others =
        SingleInstance::findOthers(QStringLiteral("/proc"), QCoreApplication::applicationFilePath(), selfPid);
    const auto winner = SingleInstance::deferTo(*self, others);
    if (!winner)
        return false;
    qCCritical(lcApp).noquote()
        << QStringLiteral("another Brisklet (pid %1) is already running — deferring to it").arg(*winner);
    SingleInstance::askToShow();
    return true;
}

AppDelegate::LaunchResult AppDelegate::launch() {
    if (deferToRunningInstance())
        return LaunchResult::deferred;
    instanceServer_ = new InstanceServer(this);
    connect(instanceServer_, &InstanceServer::showRequested, this, &AppDelegate::handleReopen);
    instanceServer_->listen();

    Prefs::registerDefaults();
    Paths::ensure();
    appState_->refresh();

    soundOutput_ = std::make_unique<platform::QtSoundOutput>();
    Chime::setOutput(soundOutput_.get());

    qCInfo(lcApp).noquote() << QStringLiteral("Brisklet launched — window + menu bar ready (onboarded: %1, clap: %2)")
                                   .arg(Prefs::boolValue(Prefs::Key::onboarded) ? "true" : "false")
                                   .arg(Prefs::boolValue(Prefs::Key::clapWake) ? "true" : "false");
    return LaunchResult::running;
}

void AppDelegate::handleReopen() { qCInfo(lcApp) << "asked to show the home window"; }

} // namespace brisklet
