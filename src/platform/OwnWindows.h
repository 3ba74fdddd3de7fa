#pragma once

#include "platform/WindowSystem.h"

#include <QRectF>
#include <QSizeF>
#include <optional>
#include <utility>
#include <vector>

namespace brisklet::platform {

// The program's own top-level windows. They are moved through the toolkit on the
// main thread, never through the window system layer. Every call may come from
// any thread (it hops to the main thread and waits; never call it while the main
// thread waits on the caller). Rectangles are in top-left space, as WindowSystem.
class OwnWindows {
public:
    using Handle = quint64;
    struct Window {
        Handle handle = 0;
        QRectF frame;          // outer frame
        QSizeF minSize;        // declared minimum, decorations included
        quint32 displayID = 0; // the display it is on, 0 when none
    };

    virtual ~OwnWindows() = default;
    // Visible titled windows that are not panels and are larger than 200 × 150.
    virtual std::vector<Window> sortable() = 0;
    // The window a move command acts on: the focused one, else the first sortable one.
    virtual std::optional<Window> front() = 0;
    // The focused window only (main or key window); absent when none has the focus.
    virtual std::optional<Window> focused() = 0;
    virtual std::optional<QRectF> frame(Handle window) = 0;
    // Start moving windows to their frames (returns at once). `duration` 0 sets them
    // at once.
    virtual void place(const std::vector<std::pair<Handle, QRectF>>& frames, double duration) = 0;
    // Whether the user asked desktops to keep animations to a minimum.
    virtual bool reduceMotion() = 0;
    // Whether a window of the window system is one of ours.
    virtual bool owns(WindowId window) = 0;
};

} // namespace brisklet::platform
