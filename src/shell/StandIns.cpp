#include "shell/StandIns.h"

#include "base/Log.h"

namespace brisklet {

void AskStandIn::plan(const QString&, std::function<void(const AskResult&)> completion) {
    if (completion)
        completion(AskResult{std::nullopt, AskError::disabled, {}});
}

void OnboardingStandIn::show() {
    ++shown_;
    visible_ = true;
    qCInfo(lcApp) << "onboarding window shown";
    if (onPermissionsChanged)
        onPermissionsChanged();
}

void HomeStandIn::show() {
    ++shown_;
    visible_ = true;
    qCInfo(lcApp) << "home window shown";
}

void CaptureStandIn::begin(const std::optional<QString>& prefillName) {
    qCInfo(lcApp).noquote() << "setup capture asked for" << prefillName.value_or(QStringLiteral("(no name)"))
                            << "— not available in this build";
}

} // namespace brisklet
