#pragma once

#include "platform/ScriptOutcome.h"

#include <optional>

namespace brisklet::platform {

// Reads and switches the desktop's own light or dark appearance, which other
// applications follow. Both calls block (a child process or a bus round trip): off
// the main thread.
class AppearanceSwitch {
public:
    enum class Scheme { light, dark };

    virtual ~AppearanceSwitch() = default;
    // What the desktop asks applications for now; nothing when it can't be read.
    virtual std::optional<Scheme> current() = 0;
    // Switches it and reads it back: ok only when the desktop now says `scheme`.
    virtual ScriptOutcome set(Scheme scheme) = 0;
};

} // namespace brisklet::platform
