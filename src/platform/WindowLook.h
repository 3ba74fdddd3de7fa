#pragma once

#include "platform/WindowSystem.h"

namespace brisklet::platform {

// How the desktop draws the program's own windows. Main thread.
class WindowLook {
public:
    virtual ~WindowLook() = default;
    // Whether a compositing manager runs. Without one a translucent window is not
    // blended with what lies behind it: fading it darkens it instead.
    virtual bool compositing() = 0;
    // Asks for the dark or the light variant of a window's title bar (and frame).
    // A window manager that knows no variants draws its own; nothing fails.
    virtual void setDarkTitleBar(WindowId window, bool dark) = 0;
};

} // namespace brisklet::platform
