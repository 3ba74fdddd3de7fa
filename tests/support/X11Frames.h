#pragma once

#include "support/X11Session.h"

#include <QRect>
#include <QRectF>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <xcb/xcb.h>

namespace brisklet::test {

// Where a window's own area lies on the screen.
inline QRect clientArea(X11Session& x, xcb_window_t window) {
    auto* geometry =
        xcb_get_geometry_reply(x.connection(), xcb_get_geometry(x.connection(), window), nullptr);
    auto* origin = xcb_translate_coordinates_reply(
        x.connection(), xcb_translate_coordinates(x.connection(), window, x.root(), 0, 0), nullptr);
    QRect area;
    if (geometry && origin)
        area = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    std::free(geometry);
    std::free(origin);
    return area;
}

// A window's outer frame (decorations included, client-side shadows excluded) in
// root coordinates, read with plain X requests, independent of the code under test.
inline std::optional<QRectF> outerFrame(X11Session& x, xcb_window_t window) {
    auto* c = x.connection();
    auto tc = xcb_translate_coordinates(c, window, x.root(), 0, 0);
    auto gc = xcb_get_geometry(c, window);
    auto read4 = [&](const char* name, uint32_t out[4]) {
        auto cookie = xcb_get_property(c, 0, window, x.atom(name), XCB_ATOM_CARDINAL, 0, 4);
        auto* r = xcb_get_property_reply(c, cookie, nullptr);
        out[0] = out[1] = out[2] = out[3] = 0;
        if (r && xcb_get_property_value_length(r) == 16)
            std::memcpy(out, xcb_get_property_value(r), 16);
        std::free(r);
    };
    uint32_t f[4], g[4];
    read4("_NET_FRAME_EXTENTS", f);
    read4("_GTK_FRAME_EXTENTS", g);
    auto* pos = xcb_translate_coordinates_reply(c, tc, nullptr);
    auto* geo = xcb_get_geometry_reply(c, gc, nullptr);
    std::optional<QRectF> result;
    if (pos && geo)
        result = QRectF(double(pos->dst_x) - f[0] + g[0], double(pos->dst_y) - f[2] + g[2],
                        double(geo->width) + f[0] + f[1] - g[0] - g[1],
                        double(geo->height) + f[2] + f[3] - g[2] - g[3]);
    std::free(pos);
    std::free(geo);
    return result;
}

inline bool isIconic(X11Session& x, xcb_window_t window) {
    const xcb_atom_t wmState = x.atom("WM_STATE");
    auto cookie = xcb_get_property(x.connection(), 0, window, wmState, wmState, 0, 2);
    auto* r = xcb_get_property_reply(x.connection(), cookie, nullptr);
    const bool iconic =
        r && xcb_get_property_value_length(r) >= 4 && *static_cast<uint32_t*>(xcb_get_property_value(r)) == 3;
    std::free(r);
    return iconic;
}

inline xcb_window_t activeWindow(X11Session& x) {
    auto cookie =
        xcb_get_property(x.connection(), 0, x.root(), x.atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 0, 1);
    auto* r = xcb_get_property_reply(x.connection(), cookie, nullptr);
    xcb_window_t w = 0;
    if (r && xcb_get_property_value_length(r) >= 4)
        w = *static_cast<xcb_window_t*>(xcb_get_property_value(r));
    std::free(r);
    return w;
}

inline bool near(const QRectF& a, const QRectF& b, double tolerance = 12) {
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance &&
           std::abs(a.width() - b.width()) <= tolerance && std::abs(a.height() - b.height()) <= tolerance;
}

} // namespace brisklet::test
