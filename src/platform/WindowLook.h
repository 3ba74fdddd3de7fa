#pragma once

#include "platform/WindowSystem.h"

#include <QRect>
#include <vector>

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
    // Lets one of our windows take pointer input only within `rects` (in its own
    // coordinates), leaving its drawing whole: a click elsewhere in it reaches the
    // window below.
    virtual void setInputShape(WindowId window, const std::vector<QRect>& rects) = 0;
};

} // namespace brisklet::platform
