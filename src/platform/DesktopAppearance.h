#pragma once

#include "platform/ScriptOutcome.h"

#include <optional>

namespace brisklet::platform {

// The desktop's own light or dark appearance, as other applications follow it. Both
// calls block (a child process or a bus round trip): off the main thread.
class DesktopAppearance {
public:
    enum class Scheme { light, dark };

    virtual ~DesktopAppearance() = default;
    // What the desktop asks applications for now; nothing when it can't be read.
    virtual std::optional<Scheme> current() = 0;
    // Switches it and reads it back: ok only when the desktop now says `scheme`.
    virtual ScriptOutcome set(Scheme scheme) = 0;
};

} // namespace brisklet::platform
