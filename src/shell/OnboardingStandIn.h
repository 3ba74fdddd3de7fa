#pragma once

#include "shell/WindowStandIn.h"

namespace brisklet {

// The first-run flow. Until it exists its stand-in only logs; there is no consent
// to wait for on this desktop, so it reports the permissions as settled at once and
// listening starts.
class OnboardingStandIn final : public WindowStandIn {
    Q_OBJECT
public:
    explicit OnboardingStandIn(QObject* parent = nullptr) : WindowStandIn("onboarding", parent) {}
    void show() override;

signals:
    void permissionsChanged();
    void finished();
};

} // namespace brisklet
