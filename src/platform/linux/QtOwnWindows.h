#pragma once

#include "platform/DesktopAppearance.h"
#include "platform/OwnWindows.h"
#include "platform/WindowSystem.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <set>

namespace brisklet::platform {

// The program's own top-level Qt windows. Reads hop to the main thread and wait;
// moves are posted to it and animated there.
class QtOwnWindows final : public OwnWindows {
public:
    // `windows` gives the display list (for display identities and the primary's
    // corner in root coordinates, `primaryOrigin`).
    QtOwnWindows(WindowSystem& windows, std::function<QPointF()> primaryOrigin);

    std::vector<Window> sortable() override;
    std::optional<Window> front() override;
    std::optional<Window> focused() override;
    std::optional<QRectF> frame(Handle window) override;
    void place(const std::vector<std::pair<Handle, QRectF>>& frames, double duration) override;
    bool reduceMotion() override;
    bool owns(WindowId window) override;

    // Reduced motion as the desktop's appearance reports it now, so a change made
    // while Brisklet runs counts for the next glide. None: full motion.
    void followAppearance(const DesktopAppearance* appearance) { appearance_ = appearance; }

private:
    // Main thread only: remembers the native windows we have, for owns().
    void remember();
    WindowSystem& windows_;
    std::mutex knownMutex_;
    std::set<WindowId> known_;
    std::function<QPointF()> primaryOrigin_;
    std::atomic<const DesktopAppearance*> appearance_{nullptr};
};

} // namespace brisklet::platform
