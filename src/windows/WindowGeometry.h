#pragma once

#include "commands/Action.h"
#include "platform/OwnWindows.h"
#include "platform/WindowSystem.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

namespace brisklet {

// One window of another application.
struct WindowRef {
    qint64 pid = 0;
    platform::WindowId element = 0;
    QRectF axFrame; // top-left space
    QString appName;
    std::optional<QString> bundleID; // desktop ID of its application
    QString title;
    quint32 windowID = 0;
    bool operator==(const WindowRef&) const = default;
};

// One of the program's own windows, as a sort sees it.
struct OwnWindowRef {
    platform::OwnWindows::Handle window = 0;
    QRectF axFrame; // top-left space
    QSizeF minSize;
    bool operator==(const OwnWindowRef&) const = default;
};

// A display. Its frames are in bottom-left space (origin at the primary display's
// bottom-left corner, y growing upwards).
struct Screen {
    quint32 displayID = 0;
    QRectF frame;
    QRectF visibleFrame;
    bool operator==(const Screen&) const = default;
};

// Where windows go: move targets, displays, the next display and the cells of a
// sorted grid. Pure; `primaryHeight` is the flip's height.
namespace WindowGeometry {

// The windows of one display that a sort places together.
struct Group {
    std::vector<WindowRef> windows;
    std::vector<OwnWindowRef> own;
    QRectF visible; // bottom-left space
    bool operator==(const Group&) const = default;
};

// The one flip between top-left and bottom-left space (its own inverse).
QRectF flip(const QRectF& rect, double primaryHeight);
// The top of the primary display (the first one), 0 without any display.
double primaryHeight(const std::vector<Screen>& screens);
// The screen that holds the most of a top-left rectangle; ties go to the
// earlier screen, and a rectangle on none has none.
std::optional<Screen> screen(const QRectF& axRect, const std::vector<Screen>& screens);
// Whether a window belongs to the desktop itself (panels, docks, desktop icons).
bool isExcludedOwner(const platform::WindowInfo& window);

// A move's target in the bottom-left space of `visible`.
QRectF targetRect(WindowPosition position, const QRectF& current, const QRectF& visible);
// `frame` moved from `on` to the display to its right (wrapping to the leftmost),
// centred and scaled with the visible frames. All in bottom-left space.
std::optional<QRectF> nextDisplayRect(const QRectF& frame, const Screen& on,
                                      const std::vector<Screen>& screens);

std::vector<QRectF> gridCells(int count, const QRectF& visible, double primaryHeight);
std::map<int, QRectF> assignNearest(const std::vector<QRectF>& frames, const std::vector<QRectF>& cells);
std::vector<double> distribute(double total, const std::vector<double>& mins);
std::optional<std::vector<QRectF>> minAwareCells(const std::vector<QSizeF>& mins,
                                                 const std::vector<QPointF>& centers, const QRectF& visible,
                                                 double primaryHeight);
// The cells of one group, one per window (other apps' windows first), appending
// to the two name lists.
std::vector<QRectF> layoutGroup(const Group& group, const std::map<quint32, QSizeF>& floors,
                                double primaryHeight, QStringList& tiledAround, QStringList& unfit);

} // namespace WindowGeometry
} // namespace brisklet
