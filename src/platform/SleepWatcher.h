#pragma once

#include <cstdint>
#include <functional>

namespace brisklet::platform {

// Tells when the computer has woken from sleep. Handlers run on the main thread.
class SleepWatcher {
public:
    using Token = std::uint64_t;

    virtual ~SleepWatcher() = default;
    virtual Token addWakeHandler(std::function<void()> handler) = 0;
    // Unknown tokens are ignored.
    virtual void removeWakeHandler(Token token) = 0;
};

} // namespace brisklet::platform
