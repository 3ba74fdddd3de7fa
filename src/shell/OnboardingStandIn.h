#pragma once

#include "ask/DraftRunOutcome.h"
#include "shell/WindowStandIn.h"

#include <optional>

namespace brisklet {

// The first-run flow. Until it exists its stand-in finishes as soon as it is shown:
// there is no consent to wait for on this desktop, so it reports the permissions as
// settled, marks the user onboarded and closes, and listening starts. Nothing of
// it (the clap preview above all) stays on, and a reopen shows home.
class OnboardingStandIn final : public WindowStandIn {
    Q_OBJECT
public:
    explicit OnboardingStandIn(QObject* parent = nullptr) : WindowStandIn("onboarding", parent) {}
    void show() override;

    // The draft its Magic step ran, and how that went.
    std::optional<QUuid> magicRanID;
    std::optional<DraftRunOutcome> magicRunOutcome;

signals:
    void permissionsChanged();
    void finished();
};

} // namespace brisklet
