#pragma once

#include "base/Clock.h"
#include "platform/BrightnessEngine.h"

#include <functional>
#include <memory>
#include <mutex>

namespace brisklet {

// Sets the main display's brightness to a percentage with a short ramp. The engine
// is chosen once, on first use: the preferred one when it can work here, else the
// fallback. An engine whose changes outlive the program is restored at quit (and
// on SIGTERM, SIGINT and SIGHUP, which quit the program normally).
class BrightnessControl final {
public:
    using EngineFactory = std::function<std::unique_ptr<platform::BrightnessEngine>()>;

    BrightnessControl(EngineFactory preferred, EngineFactory fallback, Clock& clock = Clock::system(),
                      std::function<bool()> reduceMotion = {});

    // Clamped to 5…100 %. True when the (last) change succeeded. Blocks for the ramp.
    bool apply(int percent);
    platform::BrightnessEngine& engine();
    // Gives the displays back their colours if the engine changed them.
    bool restoreDisplays();

private:
    EngineFactory preferred_;
    EngineFactory fallback_;
    Clock& clock_;
    std::function<bool()> reduceMotion_;
    std::once_flag chosen_;
    std::mutex engineMutex_; // guards engine_ for readers outside the first use
    std::shared_ptr<platform::BrightnessEngine> engine_;
};

} // namespace brisklet
