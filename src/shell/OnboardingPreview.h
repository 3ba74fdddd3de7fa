#pragma once

#include "shell/PreviewWindow.h"
#include "ui/onboarding/OnboardingController.h"

namespace brisklet {

// The first-run window as one of the windows that make way while a drafted setup
// is tried out.
class OnboardingPreview final : public PreviewWindow {
public:
    explicit OnboardingPreview(OnboardingController& onboarding) : onboarding_(onboarding) {}

    void stepAside() override { onboarding_.stepAside(); }
    bool isParked() const override { return onboarding_.parkedForPreview(); }
    void settleBehind() override { onboarding_.settleBehind(); }
    // Showing the window un-parks it.
    void returnFromPreview() override { onboarding_.show(); }

private:
    OnboardingController& onboarding_;
};

} // namespace brisklet
