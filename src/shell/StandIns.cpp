#include "shell/StandIns.h"

#include "base/Log.h"

namespace brisklet {

void AskStandIn::plan(const QString&, std::function<void(const AskResult&)> completion) {
    if (completion)
        completion(AskResult{std::nullopt, AskError::disabled, {}});
}

void WindowStandIn::show() {
    ++shown_;
    visible_ = true;
    qCInfo(lcApp).noquote() << name_ << "window shown";
}

void OnboardingStandIn::show() {
    WindowStandIn::show();
    if (onPermissionsChanged)
        onPermissionsChanged();
}

void CaptureStandIn::begin(const std::optional<QString>& prefillName) {
    qCInfo(lcApp).noquote() << "setup capture asked for" << prefillName.value_or(QStringLiteral("(no name)"))
                            << "— not available in this build";
}

} // namespace brisklet
