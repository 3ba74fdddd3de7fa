#include "shell/OnboardingStandIn.h"

#include "base/Log.h"
#include "base/Prefs.h"

namespace brisklet {

void OnboardingStandIn::show() {
    WindowStandIn::show();
    emit permissionsChanged();
    Prefs::setValue(Prefs::Key::onboarded, true);
    close();
    qCInfo(lcApp) << "onboarding finished";
    emit finished();
}

} // namespace brisklet
