#include "shell/OnboardingStandIn.h"

namespace brisklet {

void OnboardingStandIn::show() {
    WindowStandIn::show();
    if (onPermissionsChanged)
        onPermissionsChanged();
}

} // namespace brisklet
