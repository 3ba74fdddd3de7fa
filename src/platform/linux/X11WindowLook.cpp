#include "platform/linux/X11WindowLook.h"

#include <cstdlib>
#include <memory>

namespace brisklet::platform {

namespace {
struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;
} // namespace

X11WindowLook::X11WindowLook(const QByteArray& display) {
    xcb_connection_t* conn = xcb_connect(display.isEmpty() ? nullptr : display.constData(), &screen_);
    if (xcb_connection_has_error(conn)) {
        xcb_disconnect(conn);
        return;
    }
    conn_ = conn;
}

X11WindowLook::~X11WindowLook() {
    if (conn_)
        xcb_disconnect(conn_);
}

xcb_atom_t X11WindowLook::intern(const QByteArray& name) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        conn_, xcb_intern_atom(conn_, 0, uint16_t(name.size()), name.constData()), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

bool X11WindowLook::compositing() {
    if (!conn_)
        return true;
    const xcb_atom_t selection = intern("_NET_WM_CM_S" + QByteArray::number(screen_));
    if (selection == XCB_ATOM_NONE)
        return false;
    Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(conn_, xcb_get_selection_owner(conn_, selection), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

void X11WindowLook::setDarkTitleBar(WindowId window, bool dark) {
    if (!conn_ || window == 0)
        return;
    const xcb_atom_t variant = intern("_GTK_THEME_VARIANT");
    const xcb_atom_t utf8 = intern("UTF8_STRING");
    if (variant == XCB_ATOM_NONE || utf8 == XCB_ATOM_NONE)
        return;
    const QByteArray value = dark ? QByteArrayLiteral("dark") : QByteArrayLiteral("light");
    xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, window, variant, utf8, 8, uint32_t(value.size()),
                        value.constData());
    xcb_flush(conn_);
}

} // namespace brisklet::platform
