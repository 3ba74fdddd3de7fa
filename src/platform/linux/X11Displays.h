#pragma once

#include "platform/WindowSystem.h"

#include <QPointF>
#include <QRectF>
#include <cstdint>
#include <optional>
#include <vector>

namespace brisklet::platform::x11 {

// One RandR monitor, in root coordinates.
struct Monitor {
    quint32 id = 0; // its name atom
    QRectF frame;
    bool primary = false;
    QString name;
};

// Space a dock reserves along one edge of the root window, in root coordinates.
struct Strut {
    enum Edge { left, right, top, bottom } edge = left;
    QRectF rect;
};

// The struts of one dock from _NET_WM_STRUT_PARTIAL (12 values) or _NET_WM_STRUT (4),
// which are measured from the root window's edges.
std::vector<Strut> struts(const std::vector<uint32_t>& values, const QRectF& root);

// The display list: primary first (the flagged monitor, else the one at the root's
// origin, else the first), identities unique and non-zero, visible frames without
// the docks' struts (or, with no dock, within the work area), everything shifted so
// the primary's top-left corner is the origin. Never empty: without monitors the
// root is one screen. `origin` receives the primary's corner in root coordinates.
std::vector<Display> arrange(std::vector<Monitor> monitors, const QRectF& root,
                             const std::vector<Strut>& struts, bool anyDock,
                             const std::optional<QRectF>& workarea, QPointF* origin = nullptr);

} // namespace brisklet::platform::x11
