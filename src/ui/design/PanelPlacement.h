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
// A receipt card: 20 in from the right and bottom edges of the visible frame.
QPoint receipt(const QRect& visibleFrame, QSize size);
// The pick panel: centred under the tray icon's box, 2 below it, kept 4 inside the
// visible frame; a tray at the bottom lifts it above the bar. The right-hand limit
// wins over the left when the panel is wider than the screen.
QPoint pick(const QRect& anchor, QSize size, const QRect& visibleFrame);

} // namespace brisklet::PanelPlacement
