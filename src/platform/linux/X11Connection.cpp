#include "platform/linux/X11Connection.h"

#include "platform/linux/X11Displays.h"

#include "base/Log.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/randr.h>
#include <xcb/res.h>

namespace brisklet::platform {

namespace {

// In the order of X11Connection::Atom.
const char* const atomNames[] = {"_NET_CLIENT_LIST_STACKING",
                                 "_NET_CLIENT_LIST",
                                 "_NET_WM_DESKTOP",
                                 "_NET_CURRENT_DESKTOP",
                                 "_NET_WM_STATE",
                                 "_NET_WM_STATE_HIDDEN",
                                 "_NET_WM_STATE_MAXIMIZED_VERT",
                                 "_NET_WM_STATE_MAXIMIZED_HORZ",
                                 "_NET_WM_STATE_FULLSCREEN",
                                 "_NET_WM_STATE_SKIP_TASKBAR",
                                 "WM_STATE",
                                 "_NET_WM_WINDOW_TYPE",
                                 "_NET_WM_WINDOW_TYPE_NORMAL",
                                 "_NET_WM_WINDOW_TYPE_DIALOG",
                                 "_NET_WM_WINDOW_TYPE_DOCK",
                                 "_NET_WM_WINDOW_TYPE_DESKTOP",
                                 "_NET_WM_WINDOW_TYPE_UTILITY",
                                 "_NET_WM_WINDOW_TYPE_SPLASH",
                                 "_NET_WM_WINDOW_TYPE_TOOLBAR",
                                 "_NET_WM_WINDOW_TYPE_MENU",
                                 "_NET_WM_WINDOW_TYPE_NOTIFICATION",
                                 "_NET_WM_PID",
                                 "_NET_WM_NAME",
                                 "UTF8_STRING",
                                 "_NET_ACTIVE_WINDOW",
                                 "_NET_FRAME_EXTENTS",
                                 "_GTK_FRAME_EXTENTS",
                                 "_NET_WM_STRUT_PARTIAL",
                                 "_NET_WM_STRUT",
                                 "_NET_WORKAREA",
                                 "WM_CHANGE_STATE",
                                 "_GTK_APPLICATION_ID",
                                 "_NET_SUPPORTING_WM_CHECK",
                                 "_NET_STARTUP_ID"};
static_assert(std::size(atomNames) == static_cast<size_t>(X11Connection::Atom::count));

} // namespace

X11EventThread::X11EventThread(xcb_connection_t* connection,
                               std::function<void(const xcb_generic_event_t&)> handle)
    : stopFd_(eventfd(0, EFD_CLOEXEC)),
      thread_([this, connection, handle = std::move(handle)] { run(connection, handle); }) {}

X11EventThread::~X11EventThread() {
    const uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(stopFd_, &one, sizeof one);
    thread_.join();
    ::close(stopFd_);
}

void X11EventThread::run(xcb_connection_t* connection,
                         const std::function<void(const xcb_generic_event_t&)>& handle) {
    const int fd = xcb_get_file_descriptor(connection);
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents)
            return;
        while (xcb_generic_event_t* e = xcb_poll_for_event(connection)) {
            handle(*e);
            std::free(e);
        }
        if (xcb_connection_has_error(connection))
            return;
    }
}

X11Connection::X11Connection(const QByteArray& display, QRect fallbackScreen)
    : displayName_(display), fallback_(fallbackScreen) {
    conn_ = xcb_connect(display.isEmpty() ? nullptr : display.constData(), &screenNumber_);
    if (!conn_ || xcb_connection_has_error(conn_)) {
        if (conn_)
            xcb_disconnect(conn_);
        conn_ = nullptr;
        qCWarning(lcWindows) << "no X display: window control is off";
        return;
    }
    auto it = xcb_setup_roots_iterator(xcb_get_setup(conn_));
    for (int i = 0; i < screenNumber_ && it.rem; ++i)
        xcb_screen_next(&it);
    root_ = it.data->root;
    rootRect_ = QRect(0, 0, it.data->width_in_pixels, it.data->height_in_pixels);

    constexpr int atomCount = static_cast<int>(Atom::count);
    xcb_intern_atom_cookie_t cookies[atomCount];
    for (int i = 0; i < atomCount; ++i)
        cookies[i] = xcb_intern_atom(conn_, 0, std::strlen(atomNames[i]), atomNames[i]);
    for (int i = 0; i < atomCount; ++i) {
        Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(conn_, cookies[i], nullptr));
        atoms_[i] = r ? r->atom : 0;
    }
    auto* ewmhCookies = xcb_ewmh_init_atoms(conn_, &ewmh_);
    ewmhReady_ = xcb_ewmh_init_atoms_replies(&ewmh_, ewmhCookies, nullptr) != 0;

    const auto* res = xcb_get_extension_data(conn_, &xcb_res_id);
    hasRes_ = res && res->present;
    const auto* randr = xcb_get_extension_data(conn_, &xcb_randr_id);
    if (randr && randr->present) {
        auto vc = xcb_randr_query_version(conn_, 1, 5);
        Reply<xcb_randr_query_version_reply_t> v(xcb_randr_query_version_reply(conn_, vc, nullptr));
        hasRandr_ = v && (v->major_version > 1 || v->minor_version >= 5);
    }
    startWatch();
}

X11Connection::~X11Connection() {
    watcher_.reset();
    if (events_)
        xcb_disconnect(events_);
    if (ewmhReady_)
        xcb_ewmh_connection_wipe(&ewmh_);
    if (conn_)
        xcb_disconnect(conn_);
}

X11Connection::Reply<xcb_get_property_reply_t>
X11Connection::property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, uint32_t length) {
    auto cookie = xcb_get_property(conn_, 0, window, property, type, 0, length);
    return Reply<xcb_get_property_reply_t>(xcb_get_property_reply(conn_, cookie, nullptr));
}

std::vector<uint32_t> X11Connection::cardinals(const xcb_get_property_reply_t* reply) {
    std::vector<uint32_t> values;
    if (!reply || reply->format != 32)
        return values;
    auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
    values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    return values;
}

bool X11Connection::exists(xcb_window_t window) {
    Reply<xcb_get_geometry_reply_t> geo(
        xcb_get_geometry_reply(conn_, xcb_get_geometry(conn_, window), nullptr));
    return geo != nullptr;
}

void X11Connection::drain() {
    while (xcb_generic_event_t* e = xcb_poll_for_event(conn_))
        std::free(e);
}

std::vector<Display> X11Connection::displays() {
    return *snapshot();
}

QPointF X11Connection::primaryOrigin() {
    snapshot();
    std::lock_guard lock(displayMutex_);
    return origin_;
}

std::shared_ptr<const std::vector<Display>> X11Connection::snapshot() {
    std::lock_guard lock(displayMutex_);
    if (!displayCache_ || displaysDirty_.exchange(false))
        rebuildDisplays();
    return displayCache_;
}

void X11Connection::rebuildDisplays() {
    std::vector<x11::Monitor> monitors;
    std::vector<x11::Strut> struts;
    bool anyDock = false;
    std::optional<QRectF> workarea;
    QRectF rootArea(rootRect_);
    if (!conn_) {
        rootArea = QRectF(fallback_);
    } else {
        if (hasRandr_) {
            auto cookie = xcb_randr_get_monitors(conn_, root_, 1);
            Reply<xcb_randr_get_monitors_reply_t> reply(xcb_randr_get_monitors_reply(conn_, cookie, nullptr));
            if (reply) {
                for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
                     xcb_randr_monitor_info_next(&it)) {
                    const auto* m = it.data;
                    QString name;
                    auto nc = xcb_get_atom_name(conn_, m->name);
                    Reply<xcb_get_atom_name_reply_t> nr(xcb_get_atom_name_reply(conn_, nc, nullptr));
                    if (nr)
                        name = QString::fromLatin1(xcb_get_atom_name_name(nr.get()),
                                                   xcb_get_atom_name_name_length(nr.get()));
                    monitors.push_back(
                        {m->name, QRectF(m->x, m->y, m->width, m->height), m->primary != 0, name});
                }
            }
        }
        // Panels: the struts of dock windows.
        auto list = property(root_, atom(Atom::clientList), XCB_ATOM_WINDOW, 16384);
        for (uint32_t w : cardinals(list.get())) {
            auto type = property(w, atom(Atom::windowType), XCB_ATOM_ATOM, 16);
            const auto types = cardinals(type.get());
            if (std::find(types.begin(), types.end(), atom(Atom::typeDock)) == types.end())
                continue;
            auto partial = property(w, atom(Atom::strutPartial), XCB_ATOM_CARDINAL, 12);
            auto values = cardinals(partial.get());
            if (values.size() < 12) {
                auto plain = property(w, atom(Atom::strut), XCB_ATOM_CARDINAL, 4);
                values = cardinals(plain.get());
            }
            const auto found = x11::struts(values, rootArea);
            anyDock = anyDock || !found.empty();
            struts.insert(struts.end(), found.begin(), found.end());
        }
        if (!anyDock) {
            auto current = property(root_, atom(Atom::currentDesktop), XCB_ATOM_CARDINAL, 1);
            const auto cur = cardinals(current.get());
            const uint32_t desk = cur.empty() ? 0 : cur[0];
            auto wa = property(root_, atom(Atom::workarea), XCB_ATOM_CARDINAL, 4 * 64);
            const auto v = cardinals(wa.get());
            if (v.size() >= 4 * (desk + 1))
                workarea = QRectF(v[4 * desk], v[4 * desk + 1], v[4 * desk + 2], v[4 * desk + 3]);
        }
    }
    QPointF o;
    displayCache_ = std::make_shared<const std::vector<Display>>(
        x11::arrange(std::move(monitors), rootArea, struts, anyDock, workarea, &o));
    origin_ = o;
}

void X11Connection::startWatch() {
    // The watch follows the display we were given, not whatever $DISPLAY says.
    events_ = xcb_connect(displayName_.isEmpty() ? nullptr : displayName_.constData(), nullptr);
    if (!events_ || xcb_connection_has_error(events_)) {
        if (events_)
            xcb_disconnect(events_);
        events_ = nullptr;
        return;
    }
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(events_, root_, XCB_CW_EVENT_MASK, &mask);
    if (hasRandr_) {
        xcb_randr_select_input(events_, root_,
                               XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
        randrEvents_ = xcb_get_extension_data(events_, &xcb_randr_id);
    }
    xcb_flush(events_);
    watcher_ = std::make_unique<X11EventThread>(events_, [this](const xcb_generic_event_t& e) { take(e); });
}

void X11Connection::take(const xcb_generic_event_t& e) {
    const uint8_t kind = e.response_type & 0x7f;
    if (kind == XCB_PROPERTY_NOTIFY) {
        const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(e);
        if (p.atom == atom(Atom::workarea) || p.atom == atom(Atom::clientList) ||
            p.atom == atom(Atom::currentDesktop))
            displaysDirty_ = true;
    } else if (randrEvents_ && randrEvents_->present && kind >= randrEvents_->first_event &&
               kind <= randrEvents_->first_event + XCB_RANDR_NOTIFY) {
        displaysDirty_ = true;
    }
}

} // namespace brisklet::platform
