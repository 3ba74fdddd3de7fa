#include "ui/PanelPlacement.h"

namespace brisklet::PanelPlacement {

QRect underPointer(const std::vector<Screen>& screens, QPoint pointer, int primaryIndex) {
    for (const Screen& screen : screens) {
        if (screen.frame.contains(pointer))
            return screen.visibleFrame;
    }
    if (primaryIndex >= 0 && size_t(primaryIndex) < screens.size())
        return screens[size_t(primaryIndex)].visibleFrame;
    return screens.empty() ? QRect() : screens.front().visibleFrame;
}

QPoint hud(const QRect& v, QSize size) {
    return {v.x() + (v.width() - size.width()) / 2, v.y() + v.height() - 48 - size.height()};
}

} // namespace brisklet::PanelPlacement
