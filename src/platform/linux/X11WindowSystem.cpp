#include "platform/linux/X11WindowSystem.h"

#include "platform/linux/X11Displays.h"

#include "base/Log.h"

#include <QHash>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/randr.h>
#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

namespace brisklet::platform {

namespace {

template <typename T> struct Freer {
    void operator()(T* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, Freer<T>>;

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
                                 "_NET_SUPPORTING_WM_CHECK"};
enum AtomIndex {
    aClientListStacking,
    aClientList,
    aWmDesktop,
    aCurrentDesktop,
    aWmState,
    aStateHidden,
    aStateMaxVert,
    aStateMaxHorz,
    aStateFullscreen,
    aStateSkipTaskbar,
    aIcccmWmState,
    aWindowType,
    aTypeNormal,
    aTypeDialog,
    aTypeDock,
    aTypeDesktop,
    aTypeUtility,
    aTypeSplash,
    aTypeToolbar,
    aTypeMenu,
    aTypeNotification,
    aWmPid,
    aWmName,
    aUtf8,
    aActiveWindow,
    aFrameExtents,
    aGtkFrameExtents,
    aStrutPartial,
    aStrut,
    aWorkarea,
    aChangeState,
    aGtkAppId,
    aSupportingWmCheck,
    atomCount
};

// Doubles become X's integers only here: truncated, clamped, never NaN.
int16_t toCoord(double v) {
    if (!std::isfinite(v))
        return 0;
    return static_cast<int16_t>(std::clamp(std::trunc(v), -32768.0, 32767.0));
}
uint16_t toLength(double v) {
    if (!std::isfinite(v))
        return 1;
    return static_cast<uint16_t>(std::clamp(std::trunc(v), 1.0, 32767.0));
}

struct Extents {
    double l = 0, r = 0, t = 0, b = 0;
};

} // namespace

struct X11WindowSystem::Impl {
    xcb_connection_t* conn = nullptr;
    xcb_ewmh_connection_t ewmh{};
    bool ewmhReady = false;
    xcb_window_t root = 0;
    int screenNumber = 0;
    QRect rootRect;
    QRect fallback;
    xcb_atom_t atoms[atomCount] = {};
    bool hasRes = false;
    bool hasRandr = false;
    IdentityResolver resolver;

    // Display snapshot, rebuilt when the watcher says something changed.
    std::mutex displayMutex;
    std::shared_ptr<const std::vector<Display>> displayCache;
    QPointF origin;
    std::atomic<bool> displaysDirty{true};

    // Watcher of RandR and root property changes on a connection of its own.
    xcb_connection_t* events = nullptr;
    int stopFd = -1;
    std::thread watcher;

    void drain() {
        while (xcb_generic_event_t* e = xcb_poll_for_event(conn))
            std::free(e);
    }

    // Requests about a window that has gone would only come back as errors.
    bool exists(xcb_window_t w) {
        Reply<xcb_get_geometry_reply_t> geo(xcb_get_geometry_reply(conn, xcb_get_geometry(conn, w), nullptr));
        return geo != nullptr;
    }

    Reply<xcb_get_property_reply_t> property(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type,
                                             uint32_t length) {
        auto cookie = xcb_get_property(conn, 0, w, prop, type, 0, length);
        return Reply<xcb_get_property_reply_t>(xcb_get_property_reply(conn, cookie, nullptr));
    }

    static std::vector<uint32_t> cardinals(xcb_get_property_reply_t* reply) {
        std::vector<uint32_t> values;
        if (!reply || reply->format != 32)
            return values;
        auto* data = static_cast<uint32_t*>(xcb_get_property_value(reply));
        values.assign(data, data + xcb_get_property_value_length(reply) / 4);
        return values;
    }

    static Extents extents(xcb_get_property_reply_t* reply) {
        const auto v = cardinals(reply);
        if (v.size() < 4)
            return {};
        return {double(v[0]), double(v[1]), double(v[2]), double(v[3])};
    }

    std::vector<xcb_window_t> clientStack() {
        auto reply = property(root, atoms[aClientListStacking], XCB_ATOM_WINDOW, 16384);
        std::vector<xcb_window_t> list;
        for (uint32_t w : cardinals(reply.get()))
            list.push_back(w);
        std::reverse(list.begin(), list.end()); // stored bottom to top
        return list;
    }

    // The outer frame in root coordinates, from the pieces of one window's replies.
    static std::optional<QRectF> outer(xcb_translate_coordinates_reply_t* pos, xcb_get_geometry_reply_t* geo,
                                       const Extents& f, const Extents& g) {
        if (!pos || !geo)
            return std::nullopt;
        return QRectF(pos->dst_x - f.l + g.l, pos->dst_y - f.t + g.t, geo->width + f.l + f.r - g.l - g.r,
                      geo->height + f.t + f.b - g.t - g.b);
    }

    std::optional<QRectF> rootFrame(xcb_window_t w) {
        auto tc = xcb_translate_coordinates(conn, w, root, 0, 0);
        auto gc = xcb_get_geometry(conn, w);
        auto fc = xcb_get_property(conn, 0, w, atoms[aFrameExtents], XCB_ATOM_CARDINAL, 0, 4);
        auto kc = xcb_get_property(conn, 0, w, atoms[aGtkFrameExtents], XCB_ATOM_CARDINAL, 0, 4);
        Reply<xcb_translate_coordinates_reply_t> pos(xcb_translate_coordinates_reply(conn, tc, nullptr));
        Reply<xcb_get_geometry_reply_t> geo(xcb_get_geometry_reply(conn, gc, nullptr));
        Reply<xcb_get_property_reply_t> f(xcb_get_property_reply(conn, fc, nullptr));
        Reply<xcb_get_property_reply_t> k(xcb_get_property_reply(conn, kc, nullptr));
        return outer(pos.get(), geo.get(), extents(f.get()), extents(k.get()));
    }

    std::vector<xcb_atom_t> states(xcb_window_t w) {
        auto reply = property(w, atoms[aWmState], XCB_ATOM_ATOM, 64);
        std::vector<xcb_atom_t> list;
        for (uint32_t a : cardinals(reply.get()))
            list.push_back(a);
        return list;
    }

    void unmaximize(xcb_window_t w) {
        const auto s = states(w);
        auto has = [&](int a) { return std::find(s.begin(), s.end(), atoms[a]) != s.end(); };
        if (!ewmhReady)
            return;
        if (has(aStateMaxVert) || has(aStateMaxHorz))
            xcb_ewmh_request_change_wm_state(&ewmh, screenNumber, w, XCB_EWMH_WM_STATE_REMOVE,
                                             atoms[aStateMaxVert], atoms[aStateMaxHorz],
                                             XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
        if (has(aStateFullscreen))
            xcb_ewmh_request_change_wm_state(&ewmh, screenNumber, w, XCB_EWMH_WM_STATE_REMOVE,
                                             atoms[aStateFullscreen], 0, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
    }

    void moveResize(xcb_window_t w, const QRectF& rootRect, bool withSize) {
        if (!ewmhReady)
            return;
        // The window manager places the frame's corner; sizes are the client's.
        auto fc = xcb_get_property(conn, 0, w, atoms[aFrameExtents], XCB_ATOM_CARDINAL, 0, 4);
        auto kc = xcb_get_property(conn, 0, w, atoms[aGtkFrameExtents], XCB_ATOM_CARDINAL, 0, 4);
        Reply<xcb_get_property_reply_t> fr(xcb_get_property_reply(conn, fc, nullptr));
        Reply<xcb_get_property_reply_t> kr(xcb_get_property_reply(conn, kc, nullptr));
        const Extents f = extents(fr.get()), g = extents(kr.get());
        int flags = XCB_EWMH_MOVERESIZE_WINDOW_X | XCB_EWMH_MOVERESIZE_WINDOW_Y;
        if (withSize)
            flags |= XCB_EWMH_MOVERESIZE_WINDOW_WIDTH | XCB_EWMH_MOVERESIZE_WINDOW_HEIGHT;
        const int16_t x = toCoord(rootRect.x() - g.l);
        const int16_t y = toCoord(rootRect.y() - g.t);
        const uint16_t width = toLength(rootRect.width() - f.l - f.r + g.l + g.r);
        const uint16_t height = toLength(rootRect.height() - f.t - f.b + g.t + g.b);
        xcb_ewmh_request_moveresize_window(
            &ewmh, screenNumber, w, XCB_GRAVITY_NORTH_WEST, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER,
            static_cast<xcb_ewmh_moveresize_window_opt_flags_t>(flags), static_cast<uint32_t>(int32_t(x)),
            static_cast<uint32_t>(int32_t(y)), width, height);
        xcb_flush(conn);
    }

    std::shared_ptr<const std::vector<Display>> snapshot() {
        std::lock_guard lock(displayMutex);
        if (!displayCache || displaysDirty.exchange(false))
            rebuildDisplays();
        return displayCache;
    }

    void rebuildDisplays();
    void startWatcher();
    void watch();
};

void X11WindowSystem::Impl::rebuildDisplays() {
    std::vector<x11::Monitor> monitors;
    std::vector<x11::Strut> struts;
    bool anyDock = false;
    std::optional<QRectF> workarea;
    QRectF rootArea(rootRect);
    if (!conn) {
        rootArea = QRectF(fallback);
    } else {
        if (hasRandr) {
            auto cookie = xcb_randr_get_monitors(conn, root, 1);
            Reply<xcb_randr_get_monitors_reply_t> reply(xcb_randr_get_monitors_reply(conn, cookie, nullptr));
            if (reply) {
                for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
                     xcb_randr_monitor_info_next(&it)) {
                    const auto* m = it.data;
                    QString name;
                    auto nc = xcb_get_atom_name(conn, m->name);
                    Reply<xcb_get_atom_name_reply_t> nr(xcb_get_atom_name_reply(conn, nc, nullptr));
                    if (nr)
                        name = QString::fromLatin1(xcb_get_atom_name_name(nr.get()),
                                                   xcb_get_atom_name_name_length(nr.get()));
                    monitors.push_back(
                        {m->name, QRectF(m->x, m->y, m->width, m->height), m->primary != 0, name});
                }
            }
        }
        // Panels: the struts of dock windows.
        auto list = property(root, atoms[aClientList], XCB_ATOM_WINDOW, 16384);
        for (uint32_t w : cardinals(list.get())) {
            auto type = property(w, atoms[aWindowType], XCB_ATOM_ATOM, 16);
            const auto types = cardinals(type.get());
            if (std::find(types.begin(), types.end(), atoms[aTypeDock]) == types.end())
                continue;
            auto partial = property(w, atoms[aStrutPartial], XCB_ATOM_CARDINAL, 12);
            auto values = cardinals(partial.get());
            if (values.size() < 12) {
                auto plain = property(w, atoms[aStrut], XCB_ATOM_CARDINAL, 4);
                values = cardinals(plain.get());
            }
            const auto found = x11::struts(values, rootArea);
            anyDock = anyDock || !found.empty();
            struts.insert(struts.end(), found.begin(), found.end());
        }
        if (!anyDock) {
            auto current = property(root, atoms[aCurrentDesktop], XCB_ATOM_CARDINAL, 1);
            const auto cur = cardinals(current.get());
            const uint32_t desk = cur.empty() ? 0 : cur[0];
            auto wa = property(root, atoms[aWorkarea], XCB_ATOM_CARDINAL, 4 * 64);
            const auto v = cardinals(wa.get());
            if (v.size() >= 4 * (desk + 1))
                workarea = QRectF(v[4 * desk], v[4 * desk + 1], v[4 * desk + 2], v[4 * desk + 3]);
        }
    }
    QPointF o;
    displayCache = std::make_shared<const std::vector<Display>>(
        x11::arrange(std::move(monitors), rootArea, struts, anyDock, workarea, &o));
    origin = o;
}

void X11WindowSystem::Impl::startWatcher() {
    events = xcb_connect(nullptr, nullptr);
    if (!events || xcb_connection_has_error(events)) {
        if (events)
            xcb_disconnect(events);
        events = nullptr;
        return;
    }
    stopFd = eventfd(0, EFD_CLOEXEC);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(events, root, XCB_CW_EVENT_MASK, &mask);
    if (hasRandr)
        xcb_randr_select_input(events, root,
                               XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    xcb_flush(events);
    watcher = std::thread([this] { watch(); });
}

void X11WindowSystem::Impl::watch() {
    const auto* randr = hasRandr ? xcb_get_extension_data(events, &xcb_randr_id) : nullptr;
    const int fd = xcb_get_file_descriptor(events);
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents)
            return;
        while (xcb_generic_event_t* e = xcb_poll_for_event(events)) {
            const uint8_t kind = e->response_type & 0x7f;
            if (kind == XCB_PROPERTY_NOTIFY) {
                auto* p = reinterpret_cast<xcb_property_notify_event_t*>(e);
                if (p->atom == atoms[aWorkarea] || p->atom == atoms[aClientList] ||
                    p->atom == atoms[aCurrentDesktop])
                    displaysDirty = true;
            } else if (randr && randr->present && kind >= randr->first_event &&
                       kind <= randr->first_event + XCB_RANDR_NOTIFY) {
                displaysDirty = true;
            }
            std::free(e);
        }
        if (xcb_connection_has_error(events))
            return;
    }
}

X11WindowSystem::X11WindowSystem(const QByteArray& display, QRect fallbackScreen)
    : d(std::make_unique<Impl>()) {
    d->fallback = fallbackScreen;
    d->conn = xcb_connect(display.isEmpty() ? nullptr : display.constData(), &d->screenNumber);
    if (!d->conn || xcb_connection_has_error(d->conn)) {
        if (d->conn)
            xcb_disconnect(d->conn);
        d->conn = nullptr;
        qCWarning(lcWindows) << "no X display: window control is off";
        return;
    }
    auto it = xcb_setup_roots_iterator(xcb_get_setup(d->conn));
    for (int i = 0; i < d->screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    d->root = it.data->root;
    d->rootRect = QRect(0, 0, it.data->width_in_pixels, it.data->height_in_pixels);

    xcb_intern_atom_cookie_t cookies[atomCount];
    for (int i = 0; i < atomCount; ++i)
        cookies[i] = xcb_intern_atom(d->conn, 0, std::strlen(atomNames[i]), atomNames[i]);
    for (int i = 0; i < atomCount; ++i) {
        Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(d->conn, cookies[i], nullptr));
        d->atoms[i] = r ? r->atom : 0;
    }
    auto* ewmhCookies = xcb_ewmh_init_atoms(d->conn, &d->ewmh);
    d->ewmhReady = xcb_ewmh_init_atoms_replies(&d->ewmh, ewmhCookies, nullptr) != 0;

    const auto* res = xcb_get_extension_data(d->conn, &xcb_res_id);
    d->hasRes = res && res->present;
    const auto* randr = xcb_get_extension_data(d->conn, &xcb_randr_id);
    if (randr && randr->present) {
        auto vc = xcb_randr_query_version(d->conn, 1, 5);
        Reply<xcb_randr_query_version_reply_t> v(xcb_randr_query_version_reply(d->conn, vc, nullptr));
        d->hasRandr = v && (v->major_version > 1 || v->minor_version >= 5);
    }
    d->startWatcher();
}

X11WindowSystem::~X11WindowSystem() {
    if (d->watcher.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(d->stopFd, &one, sizeof one);
        d->watcher.join();
    }
    if (d->stopFd >= 0)
        ::close(d->stopFd);
    if (d->events)
        xcb_disconnect(d->events);
    if (d->ewmhReady)
        xcb_ewmh_connection_wipe(&d->ewmh);
    if (d->conn)
        xcb_disconnect(d->conn);
}

bool X11WindowSystem::isConnected() const {
    return d->conn != nullptr;
}

bool X11WindowSystem::hasWindowManager() {
    if (!d->conn)
        return false;
    auto reply = d->property(d->root, d->atoms[aSupportingWmCheck], XCB_ATOM_WINDOW, 1);
    return !Impl::cardinals(reply.get()).empty();
}

void X11WindowSystem::setIdentityResolver(IdentityResolver resolver) {
    d->resolver = std::move(resolver);
}

QPointF X11WindowSystem::primaryOrigin() {
    d->snapshot();
    std::lock_guard lock(d->displayMutex);
    return d->origin;
}

std::vector<Display> X11WindowSystem::displays() {
    return *d->snapshot();
}

std::vector<WindowInfo> X11WindowSystem::windows() {
    if (!d->conn)
        return {};
    return describe(d->clientStack());
}

std::vector<WindowInfo> X11WindowSystem::describe(const std::vector<WindowId>& stack) {
    std::vector<WindowInfo> result;
    const QPointF o = primaryOrigin();
    auto* c = d->conn;
    const auto* a = d->atoms;

    auto currentReply = d->property(d->root, a[aCurrentDesktop], XCB_ATOM_CARDINAL, 1);
    const auto currentValues = Impl::cardinals(currentReply.get());
    const bool knowsDesktop = !currentValues.empty();
    const uint32_t currentDesktop = knowsDesktop ? currentValues[0] : 0;

    // Every request of every window goes out first; then the replies come back.
    struct Cookies {
        xcb_get_property_cookie_t pid, wmClass, netName, name, type, transient, state, icccmState, desktop,
            frame, gtkFrame, gtkApp;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t position;
    };
    std::vector<Cookies> cookies;
    cookies.reserve(stack.size());
    for (xcb_window_t w : stack) {
        Cookies k;
        k.pid = xcb_get_property(c, 0, w, a[aWmPid], XCB_ATOM_CARDINAL, 0, 1);
        k.wmClass = xcb_get_property(c, 0, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256);
        k.netName = xcb_get_property(c, 0, w, a[aWmName], a[aUtf8], 0, 1024);
        k.name = xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
        k.type = xcb_get_property(c, 0, w, a[aWindowType], XCB_ATOM_ATOM, 0, 16);
        k.transient = xcb_get_property(c, 0, w, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 0, 1);
        k.state = xcb_get_property(c, 0, w, a[aWmState], XCB_ATOM_ATOM, 0, 64);
        k.icccmState = xcb_get_property(c, 0, w, a[aIcccmWmState], a[aIcccmWmState], 0, 2);
        k.desktop = xcb_get_property(c, 0, w, a[aWmDesktop], XCB_ATOM_CARDINAL, 0, 1);
        k.frame = xcb_get_property(c, 0, w, a[aFrameExtents], XCB_ATOM_CARDINAL, 0, 4);
        k.gtkFrame = xcb_get_property(c, 0, w, a[aGtkFrameExtents], XCB_ATOM_CARDINAL, 0, 4);
        k.gtkApp = xcb_get_property(c, 0, w, a[aGtkAppId], a[aUtf8], 0, 256);
        k.geometry = xcb_get_geometry(c, w);
        k.position = xcb_translate_coordinates(c, w, d->root, 0, 0);
        cookies.push_back(k);
    }
    auto get = [c](xcb_get_property_cookie_t k) {
        return Reply<xcb_get_property_reply_t>(xcb_get_property_reply(c, k, nullptr));
    };
    auto text = [](xcb_get_property_reply_t* r) -> QByteArray {
        if (!r || r->format != 8)
            return {};
        return QByteArray(static_cast<const char*>(xcb_get_property_value(r)),
                          xcb_get_property_value_length(r));
    };
    std::vector<size_t> withoutPid;
    for (size_t i = 0; i < stack.size(); ++i) {
        const Cookies& k = cookies[i];
        WindowInfo info;
        info.id = stack[i];
        auto pid = get(k.pid);
        auto wmClass = get(k.wmClass);
        auto netName = get(k.netName);
        auto name = get(k.name);
        auto type = get(k.type);
        auto transient = get(k.transient);
        auto state = get(k.state);
        auto icccmState = get(k.icccmState);
        auto desktop = get(k.desktop);
        auto frame = get(k.frame);
        auto gtkFrame = get(k.gtkFrame);
        auto gtkApp = get(k.gtkApp);
        Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, k.geometry, nullptr));
        Reply<xcb_translate_coordinates_reply_t> position(
            xcb_translate_coordinates_reply(c, k.position, nullptr));
        if (!geometry)
            continue; // gone while we asked

        const auto pids = Impl::cardinals(pid.get());
        info.pid = pids.empty() ? 0 : pids[0];
        if (!info.pid)
            withoutPid.push_back(result.size());
        const QList<QByteArray> classParts = text(wmClass.get()).split('\0');
        if (classParts.size() >= 2) {
            info.wmInstance = QString::fromLatin1(classParts[0]);
            info.wmClass = QString::fromLatin1(classParts[1]);
        }
        const QByteArray utf8Title = text(netName.get());
        if (!utf8Title.isEmpty())
            info.title = QString::fromUtf8(utf8Title);
        else if (name && name->type == a[aUtf8])
            info.title = QString::fromUtf8(text(name.get()));
        else
            info.title = QString::fromLatin1(text(name.get()));

        // The first type we know decides; no type means normal, or dialog when transient.
        info.type = Impl::cardinals(transient.get()).empty() ? WindowType::normal : WindowType::dialog;
        for (uint32_t t : Impl::cardinals(type.get())) {
            if (t == a[aTypeNormal]) {
                info.type = WindowType::normal;
            } else if (t == a[aTypeDialog]) {
                info.type = WindowType::dialog;
            } else if (t == a[aTypeDock]) {
                info.type = WindowType::dock;
            } else if (t == a[aTypeDesktop]) {
                info.type = WindowType::desktop;
            } else if (t == a[aTypeUtility] || t == a[aTypeSplash] || t == a[aTypeToolbar] ||
                       t == a[aTypeMenu] || t == a[aTypeNotification]) {
                info.type = WindowType::other;
            } else {
                continue;
            }
            break;
        }
        const auto states = Impl::cardinals(state.get());
        auto has = [&](int atom) { return std::find(states.begin(), states.end(), a[atom]) != states.end(); };
        const auto icccm = Impl::cardinals(icccmState.get());
        info.iconic = has(aStateHidden) || (!icccm.empty() && icccm[0] == XCB_ICCCM_WM_STATE_ICONIC);
        info.skipTaskbar = has(aStateSkipTaskbar);
        const auto desks = Impl::cardinals(desktop.get());
        info.onCurrentDesktop =
            desks.empty() || !knowsDesktop || desks[0] == 0xFFFFFFFFu || desks[0] == currentDesktop;
        if (auto outer = Impl::outer(position.get(), geometry.get(), Impl::extents(frame.get()),
                                     Impl::extents(gtkFrame.get())))
            info.frame = outer->translated(-o);
        info.appId = QString::fromUtf8(text(gtkApp.get()));
        result.push_back(std::move(info));
    }

    // Clients that do not name their process: ask the server who they are.
    if (d->hasRes && !withoutPid.empty()) {
        std::vector<xcb_res_query_client_ids_cookie_t> resCookies;
        for (size_t idx : withoutPid) {
            xcb_res_client_id_spec_t spec{result[idx].id, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            resCookies.push_back(xcb_res_query_client_ids(c, 1, &spec));
        }
        for (size_t n = 0; n < withoutPid.size(); ++n) {
            Reply<xcb_res_query_client_ids_reply_t> r(
                xcb_res_query_client_ids_reply(c, resCookies[n], nullptr));
            if (!r)
                continue;
            for (auto it = xcb_res_query_client_ids_ids_iterator(r.get()); it.rem;
                 xcb_res_client_id_value_next(&it)) {
                if (it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID &&
                    xcb_res_client_id_value_value_length(it.data) >= 1) {
                    result[withoutPid[n]].pid = *xcb_res_client_id_value_value(it.data);
                    break;
                }
            }
        }
    }

    for (auto& info : result) {
        const QString gtkAppId = info.appId;
        if (d->resolver) {
            const auto identity = d->resolver({info.pid, info.wmInstance, info.wmClass, gtkAppId});
            info.appId = identity.id;
            info.appName = identity.name;
        } else {
            info.appId = !gtkAppId.isEmpty() ? gtkAppId : info.wmInstance;
            info.appName = info.wmClass;
        }
    }
    d->drain();
    return result;
}

std::optional<WindowInfo> X11WindowSystem::window(WindowId id) {
    if (!d->conn)
        return std::nullopt;
    const auto stack = d->clientStack();
    if (std::find(stack.begin(), stack.end(), id) == stack.end())
        return std::nullopt; // not a managed client
    auto found = describe({id});
    if (found.empty())
        return std::nullopt;
    return found.front();
}

std::optional<QRectF> X11WindowSystem::frame(WindowId window) {
    if (!d->conn)
        return std::nullopt;
    auto f = d->rootFrame(window);
    d->drain();
    if (!f)
        return std::nullopt;
    return f->translated(-primaryOrigin());
}

bool X11WindowSystem::setFrame(WindowId window, const QRectF& target) {
    if (!d->conn)
        return false;
    const QPointF o = primaryOrigin();
    const auto before = d->rootFrame(window);
    if (!before)
        return false;
    d->unmaximize(window);
    const QRectF rootTarget = target.translated(o);
    d->moveResize(window, rootTarget, true);
    // The window manager applies moves a few milliseconds later; wait for it a
    // little so the caller's read-back sees the result.
    auto near = [&](const QRectF& a) {
        return std::abs(a.x() - rootTarget.x()) <= 1 && std::abs(a.y() - rootTarget.y()) <= 1 &&
               std::abs(a.width() - rootTarget.width()) <= 1 &&
               std::abs(a.height() - rootTarget.height()) <= 1;
    };
    if (!near(*before)) {
        for (int i = 0; i < 10; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            const auto now = d->rootFrame(window);
            if (!now || *now != *before)
                break;
        }
    }
    d->drain();
    return true;
}

bool X11WindowSystem::setPosition(WindowId window, const QPointF& topLeft) {
    if (!d->conn)
        return false;
    const auto before = d->rootFrame(window);
    if (!before)
        return false;
    const QPointF rootPoint = topLeft + primaryOrigin();
    d->moveResize(window, QRectF(rootPoint, before->size()), false);
    for (int i = 0; i < 10; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const auto now = d->rootFrame(window);
        if (!now || now->topLeft() != before->topLeft())
            break;
    }
    d->drain();
    return true;
}

void X11WindowSystem::requestFrame(WindowId window, const QRectF& frame, bool withSize) {
    if (!d->conn)
        return;
    d->moveResize(window, frame.translated(primaryOrigin()), withSize);
    d->drain();
}

void X11WindowSystem::unmaximize(WindowId window) {
    if (!d->conn)
        return;
    d->unmaximize(window);
    xcb_flush(d->conn);
    d->drain();
}

std::optional<WindowId> X11WindowSystem::activeWindow() {
    if (!d->conn)
        return std::nullopt;
    auto reply = d->property(d->root, d->atoms[aActiveWindow], XCB_ATOM_WINDOW, 1);
    const auto v = Impl::cardinals(reply.get());
    if (v.empty() || v[0] == 0)
        return std::nullopt;
    // The desktop or a panel having the focus means no window has it.
    auto type = d->property(v[0], d->atoms[aWindowType], XCB_ATOM_ATOM, 16);
    for (uint32_t t : Impl::cardinals(type.get()))
        if (t == d->atoms[aTypeDesktop] || t == d->atoms[aTypeDock])
            return std::nullopt;
    return v[0];
}

bool X11WindowSystem::activate(WindowId window) {
    if (!d->conn || !d->ewmhReady)
        return false;
    if (!d->exists(window))
        return false;
    const xcb_window_t current = activeWindow().value_or(0);
    xcb_ewmh_request_change_active_window(&d->ewmh, d->screenNumber, window,
                                          XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER, XCB_CURRENT_TIME, current);
    xcb_flush(d->conn);
    d->drain();
    return true;
}

bool X11WindowSystem::iconify(WindowId window) {
    if (!d->conn)
        return false;
    if (!d->exists(window))
        return false;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = d->atoms[aChangeState];
    event.data.data32[0] = XCB_ICCCM_WM_STATE_ICONIC;
    xcb_send_event(d->conn, 0, d->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(d->conn);
    d->drain();
    return true;
}

bool X11WindowSystem::deiconify(WindowId window) {
    if (!d->conn)
        return false;
    xcb_map_window(d->conn, window);
    xcb_flush(d->conn);
    return activate(window);
}

bool X11WindowSystem::close(WindowId window) {
    if (!d->conn || !d->ewmhReady)
        return false;
    if (!d->exists(window))
        return false;
    xcb_ewmh_request_close_window(&d->ewmh, d->screenNumber, window, XCB_CURRENT_TIME,
                                  XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
    xcb_flush(d->conn);
    d->drain();
    return true;
}

std::optional<QPointF> X11WindowSystem::pointer() {
    if (!d->conn)
        return std::nullopt;
    auto cookie = xcb_query_pointer(d->conn, d->root);
    Reply<xcb_query_pointer_reply_t> reply(xcb_query_pointer_reply(d->conn, cookie, nullptr));
    if (!reply || !reply->same_screen)
        return std::nullopt;
    return QPointF(reply->root_x, reply->root_y) - primaryOrigin();
}

} // namespace brisklet::platform
