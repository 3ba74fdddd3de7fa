#pragma once

#include <functional>

namespace brisklet {

// Health checks of the listening pipeline, asked for after a resume.
class WatchdogPort {
public:
    virtual ~WatchdogPort() = default;
    virtual void start() = 0;
    virtual void check() = 0;
    std::function<bool()> isPaused;
};

} // namespace brisklet
