#pragma once

#include <cstdint>
#include <functional>

namespace brisklet::platform {

// The desktop's appearance preferences: a dark colour scheme, and reduced motion.
// Both start false until the desktop has answered; handlers run on the main
// thread after either value changed.
class DesktopAppearance {
public:
    using Token = std::uint64_t;

    virtual ~DesktopAppearance() = default;
    virtual bool prefersDark() const = 0;
    virtual bool reducesMotion() const = 0;
    virtual Token addChangeHandler(std::function<void()> handler) = 0;
    // Unknown tokens are ignored.
    virtual void removeChangeHandler(Token token) = 0;
};

} // namespace brisklet::platform
