#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <vector>

namespace brisklet::PanelPlacement {

// A screen as placement sees it, in root coordinates (top-left origin).
struct Screen {
    QRect frame;
    QRect visibleFrame; // less panels and docks
    bool operator==(const Screen&) const = default;
};

// The visible frame of the screen under the pointer: the first screen whose frame
// holds it, else the primary, else the first; an empty rectangle without screens.
QRect underPointer(const std::vector<Screen>& screens, QPoint pointer, int primaryIndex);
// The heads-up display: centred, 48 above the bottom of the visible frame.
QPoint hud(const QRect& visibleFrame, QSize size);

} // namespace brisklet::PanelPlacement
