#include "shell/AppDelegate.h"

#include "base/AppState.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/Prefs.h"
#include "platform/linux/QtSoundOutput.h"
#include "voice/Chime.h"

#include <QCoreApplication>

namespace brisklet {

AppDelegate::AppDelegate(QObject* parent) : QObject(parent) {}

AppDelegate::~AppDelegate() { Chime::setOutput(nullptr); }

void AppDelegate::launch() {
    Prefs::registerDefaults();
    Paths::ensure();

    appState_ = new AppState(this);
    soundOutput_ = std::make_unique<platform::QtSoundOutput>();
    Chime::setOutput(soundOutput_.get());

    qCInfo(lcApp).noquote() << QStringLiteral("Brisklet %1 launched (pid %2, data in %3)")
                                   .arg(QStringLiteral(BRISKLET_VERSION))
                                   .arg(QCoreApplication::applicationPid())
                                   .arg(Paths::dataFolder());
}

} // namespace brisklet
