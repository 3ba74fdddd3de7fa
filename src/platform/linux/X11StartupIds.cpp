#include "platform/linux/X11StartupIds.h"

#include <cstdlib>
#include <cstring>

namespace brisklet::platform {

void StartupIdNotes::note(WindowId window, const QString& id) {
    std::lock_guard lock(mutex_);
    ids_[window] = id;
}

void StartupIdNotes::forget(WindowId window) {
    std::lock_guard lock(mutex_);
    ids_.erase(window);
}

QString StartupIdNotes::of(WindowId window) const {
    std::lock_guard lock(mutex_);
    const auto it = ids_.find(window);
    return it == ids_.end() ? QString() : it->second;
}

std::unique_ptr<X11StartupIdWatch> X11StartupIdWatch::start(const QByteArray& display) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(display.isEmpty() ? nullptr : display.constData(), &screenNumber);
    if (!c || xcb_connection_has_error(c)) {
        if (c)
            xcb_disconnect(c);
        return nullptr;
    }
    auto it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    // Checked, so the server has it before anything is launched.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    if (auto* error = xcb_request_check(
            c, xcb_change_window_attributes_checked(c, it.data->root, XCB_CW_EVENT_MASK, &mask))) {
        std::free(error);
        xcb_disconnect(c);
        return nullptr;
    }
    return std::unique_ptr<X11StartupIdWatch>(new X11StartupIdWatch(c));
}

X11StartupIdWatch::X11StartupIdWatch(xcb_connection_t* connection) : conn_(connection) {
    const char* name = "_NET_STARTUP_ID";
    const X11Connection::Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(conn_, xcb_intern_atom(conn_, 0, std::strlen(name), name), nullptr));
    startupId_ = reply ? reply->atom : 0;
    events_ = std::make_unique<X11EventThread>(conn_, [this](const xcb_generic_event_t& e) { take(e); });
}

X11StartupIdWatch::~X11StartupIdWatch() {
    events_.reset();
    xcb_disconnect(conn_);
}

void X11StartupIdWatch::read(xcb_window_t window) {
    const X11Connection::Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        conn_, xcb_get_property(conn_, 0, window, startupId_, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr));
    const int length = reply ? xcb_get_property_value_length(reply.get()) : 0;
    if (length > 0 && reply->format == 8)
        notes_->note(
            window, QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())), length));
}

void X11StartupIdWatch::take(const xcb_generic_event_t& e) {
    switch (e.response_type & 0x7f) {
    case XCB_CREATE_NOTIFY: {
        // A new top-level window: follow its properties from now on, and read what
        // it was given before that.
        const xcb_window_t window = reinterpret_cast<const xcb_create_notify_event_t&>(e).window;
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(conn_, window, XCB_CW_EVENT_MASK, &mask);
        read(window);
        break;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(e);
        if (p.atom == startupId_ && p.state == XCB_PROPERTY_NEW_VALUE)
            read(p.window);
        break;
    }
    case XCB_DESTROY_NOTIFY:
        // X hands the ID out again later.
        notes_->forget(reinterpret_cast<const xcb_destroy_notify_event_t&>(e).window);
        break;
    default: // errors about windows that went meanwhile among them
        break;
    }
}

} // namespace brisklet::platform
