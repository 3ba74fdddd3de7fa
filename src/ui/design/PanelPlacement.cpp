#include "ui/design/PanelPlacement.h"

#include <algorithm>

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

QPoint receipt(const QRect& v, QSize size) {
    return {v.x() + v.width() - size.width() - 20, v.y() + v.height() - 20 - size.height()};
}

QPoint pick(const QRect& anchor, QSize size, const QRect& v) {
    int x = anchor.x() + anchor.width() / 2 - size.width() / 2;
    int y = anchor.y() + anchor.height() + 2;
    if (v.isEmpty())
        return {x, y};
    x = std::max(x, v.x() + 4);
    x = std::min(x, v.x() + v.width() - size.width() - 4);
    y = std::min(y, v.y() + v.height() - size.height() - 4);
    return {x, y};
}

} // namespace brisklet::PanelPlacement
