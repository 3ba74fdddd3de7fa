#include "shell/OnboardingStandIn.h"

namespace brisklet {

void OnboardingStandIn::show() {
    WindowStandIn::show();
    emit permissionsChanged();
}

} // namespace brisklet
