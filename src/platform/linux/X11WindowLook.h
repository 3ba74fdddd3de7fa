#pragma once

#include "platform/WindowLook.h"

#include <QByteArray>
#include <xcb/xcb.h>

namespace brisklet::platform {

// The compositing manager's selection (_NET_WM_CM_Sn) and the title bar variant
// that GTK window managers read (_GTK_THEME_VARIANT), and input shapes (the shape
// extension), on a connection of its own.
// Without a display it reports a compositor, so fades keep running, and sets nothing.
class X11WindowLook final : public WindowLook {
public:
    // `display` empty: $DISPLAY.
    explicit X11WindowLook(const QByteArray& display = {});
    ~X11WindowLook() override;
    X11WindowLook(const X11WindowLook&) = delete;
    X11WindowLook& operator=(const X11WindowLook&) = delete;

    bool compositing() override;
    void setDarkTitleBar(WindowId window, bool dark) override;
    void setInputShape(WindowId window, const std::vector<QRect>& rects) override;

private:
    xcb_connection_t* conn_ = nullptr;
    int screen_ = 0;
    xcb_atom_t compositorSelection_ = XCB_ATOM_NONE;
    xcb_atom_t themeVariant_ = XCB_ATOM_NONE;
    xcb_atom_t utf8_ = XCB_ATOM_NONE;
    bool shapes_ = false; // the server has the shape extension
};

} // namespace brisklet::platform
