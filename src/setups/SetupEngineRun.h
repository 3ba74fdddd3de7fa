#pragma once

#include "setups/SetupEngine.h"

namespace brisklet {

// The state of one run, never kept on the engine.
struct SetupEngine::Run {
    RunReport report;
    std::vector<QRectF> visibleFrames; // bottom-left space, screen order
    int cascadeSlot = 1;
    int cascadedCount = 0;
    std::vector<PendingPlacement> pending;
    std::vector<AppliedWindow> applied;
    // The window each item got, by item ID in the order they came.
    std::vector<std::pair<QUuid, platform::WindowId>> itemWindows;
    std::map<QString, platform::AppEntry> installed;
};

} // namespace brisklet
