#pragma once

#include "shell/WindowStandIn.h"

namespace brisklet {

// The home window, with the callbacks of its settings section.
class HomeStandIn final : public WindowStandIn {
public:
    HomeStandIn() : WindowStandIn("home") {}

    std::function<void()> onRunOnboarding;
};

} // namespace brisklet
