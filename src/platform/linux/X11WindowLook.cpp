#include "platform/linux/X11WindowLook.h"

#include <cstdlib>
#include <memory>
#include <xcb/shape.h>

namespace brisklet::platform {

namespace {
struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

xcb_atom_t intern(xcb_connection_t* conn, const QByteArray& name) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        conn, xcb_intern_atom(conn, 0, uint16_t(name.size()), name.constData()), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}
} // namespace

X11WindowLook::X11WindowLook(const QByteArray& display) {
    xcb_connection_t* conn = xcb_connect(display.isEmpty() ? nullptr : display.constData(), &screen_);
    if (xcb_connection_has_error(conn)) {
        xcb_disconnect(conn);
        return;
    }
    conn_ = conn;
    // Named once: the compositor is asked for each time a floating panel shows or
    // hides, and that question is then a single request.
    compositorSelection_ = intern(conn_, "_NET_WM_CM_S" + QByteArray::number(screen_));
    themeVariant_ = intern(conn_, "_GTK_THEME_VARIANT");
    utf8_ = intern(conn_, "UTF8_STRING");
    const xcb_query_extension_reply_t* shape = xcb_get_extension_data(conn_, &xcb_shape_id);
    shapes_ = shape && shape->present;
}

X11WindowLook::~X11WindowLook() {
    if (conn_)
        xcb_disconnect(conn_);
}

bool X11WindowLook::compositing() {
    if (!conn_)
        return true;
    if (compositorSelection_ == XCB_ATOM_NONE)
        return false;
    Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(conn_, xcb_get_selection_owner(conn_, compositorSelection_), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

void X11WindowLook::setDarkTitleBar(WindowId window, bool dark) {
    if (!conn_ || window == 0 || themeVariant_ == XCB_ATOM_NONE || utf8_ == XCB_ATOM_NONE)
        return;
    const QByteArray value = dark ? QByteArrayLiteral("dark") : QByteArrayLiteral("light");
    xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, window, themeVariant_, utf8_, 8, uint32_t(value.size()),
                        value.constData());
    xcb_flush(conn_);
}

void X11WindowLook::setInputShape(WindowId window, const std::vector<QRect>& rects) {
    if (!conn_ || window == 0 || !shapes_)
        return;
    std::vector<xcb_rectangle_t> list;
    list.reserve(rects.size());
    for (const QRect& r : rects)
        list.push_back({int16_t(r.x()), int16_t(r.y()), uint16_t(r.width()), uint16_t(r.height())});
    xcb_shape_rectangles(conn_, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, window, 0,
                         0, uint32_t(list.size()), list.data());
    xcb_flush(conn_);
}

} // namespace brisklet::platform
