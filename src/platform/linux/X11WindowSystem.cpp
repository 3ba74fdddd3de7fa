#include "platform/linux/X11WindowSystem.h"

#include "platform/linux/X11Connection.h"

#include <QList>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <xcb/res.h>
#include <xcb/xcb_icccm.h>

namespace brisklet::platform {

namespace {

using Atom = X11Connection::Atom;
template <typename T> using Reply = X11Connection::Reply<T>;

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

Extents extents(const xcb_get_property_reply_t* reply) {
    const auto v = X11Connection::cardinals(reply);
    if (v.size() < 4)
        return {};
    return {double(v[0]), double(v[1]), double(v[2]), double(v[3])};
}

std::vector<xcb_window_t> clientStack(X11Connection& x) {
    auto reply = x.property(x.root(), x.atom(Atom::clientListStacking), XCB_ATOM_WINDOW, 16384);
    std::vector<xcb_window_t> list;
    for (uint32_t w : X11Connection::cardinals(reply.get()))
        list.push_back(w);
    std::reverse(list.begin(), list.end()); // stored bottom to top
    return list;
}

// The outer frame in root coordinates, from one window's replies.
std::optional<QRectF> outerFrame(xcb_translate_coordinates_reply_t* pos, xcb_get_geometry_reply_t* geo,
                                 const Extents& f, const Extents& g) {
    if (!pos || !geo)
        return std::nullopt;
    return QRectF(pos->dst_x - f.l + g.l, pos->dst_y - f.t + g.t, geo->width + f.l + f.r - g.l - g.r,
                  geo->height + f.t + f.b - g.t - g.b);
}

std::optional<QRectF> rootFrame(X11Connection& x, xcb_window_t w) {
    auto* c = x.get();
    auto tc = xcb_translate_coordinates(c, w, x.root(), 0, 0);
    auto gc = xcb_get_geometry(c, w);
    auto fc = xcb_get_property(c, 0, w, x.atom(Atom::frameExtents), XCB_ATOM_CARDINAL, 0, 4);
    auto kc = xcb_get_property(c, 0, w, x.atom(Atom::gtkFrameExtents), XCB_ATOM_CARDINAL, 0, 4);
    Reply<xcb_translate_coordinates_reply_t> pos(xcb_translate_coordinates_reply(c, tc, nullptr));
    Reply<xcb_get_geometry_reply_t> geo(xcb_get_geometry_reply(c, gc, nullptr));
    Reply<xcb_get_property_reply_t> f(xcb_get_property_reply(c, fc, nullptr));
    Reply<xcb_get_property_reply_t> k(xcb_get_property_reply(c, kc, nullptr));
    return outerFrame(pos.get(), geo.get(), extents(f.get()), extents(k.get()));
}

// Asks to leave the maximised and full-screen states the window is in.
void leaveMaximized(X11Connection& x, xcb_window_t w) {
    auto reply = x.property(w, x.atom(Atom::wmState), XCB_ATOM_ATOM, 64);
    const auto s = X11Connection::cardinals(reply.get());
    auto has = [&](Atom a) { return std::find(s.begin(), s.end(), x.atom(a)) != s.end(); };
    auto* ewmh = x.ewmh();
    if (!ewmh)
        return;
    if (has(Atom::stateMaxVert) || has(Atom::stateMaxHorz))
        xcb_ewmh_request_change_wm_state(ewmh, x.screenNumber(), w, XCB_EWMH_WM_STATE_REMOVE,
                                         x.atom(Atom::stateMaxVert), x.atom(Atom::stateMaxHorz),
                                         XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
    if (has(Atom::stateFullscreen))
        xcb_ewmh_request_change_wm_state(ewmh, x.screenNumber(), w, XCB_EWMH_WM_STATE_REMOVE,
                                         x.atom(Atom::stateFullscreen), 0, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
}

void moveResize(X11Connection& x, xcb_window_t w, const QRectF& rootRect, bool withSize) {
    auto* ewmh = x.ewmh();
    if (!ewmh)
        return;
    // The window manager places the frame's corner; sizes are the client's.
    auto* c = x.get();
    auto fc = xcb_get_property(c, 0, w, x.atom(Atom::frameExtents), XCB_ATOM_CARDINAL, 0, 4);
    auto kc = xcb_get_property(c, 0, w, x.atom(Atom::gtkFrameExtents), XCB_ATOM_CARDINAL, 0, 4);
    Reply<xcb_get_property_reply_t> fr(xcb_get_property_reply(c, fc, nullptr));
    Reply<xcb_get_property_reply_t> kr(xcb_get_property_reply(c, kc, nullptr));
    const Extents f = extents(fr.get()), g = extents(kr.get());
    int flags = XCB_EWMH_MOVERESIZE_WINDOW_X | XCB_EWMH_MOVERESIZE_WINDOW_Y;
    if (withSize)
        flags |= XCB_EWMH_MOVERESIZE_WINDOW_WIDTH | XCB_EWMH_MOVERESIZE_WINDOW_HEIGHT;
    const int16_t left = toCoord(rootRect.x() - g.l);
    const int16_t top = toCoord(rootRect.y() - g.t);
    const uint16_t width = toLength(rootRect.width() - f.l - f.r + g.l + g.r);
    const uint16_t height = toLength(rootRect.height() - f.t - f.b + g.t + g.b);
    xcb_ewmh_request_moveresize_window(
        ewmh, x.screenNumber(), w, XCB_GRAVITY_NORTH_WEST, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER,
        static_cast<xcb_ewmh_moveresize_window_opt_flags_t>(flags), static_cast<uint32_t>(int32_t(left)),
        static_cast<uint32_t>(int32_t(top)), width, height);
    xcb_flush(c);
}

} // namespace

X11WindowSystem::X11WindowSystem(const QByteArray& display, QRect fallbackScreen)
    : x_(std::make_unique<X11Connection>(display, fallbackScreen)) {}

X11WindowSystem::~X11WindowSystem() = default;

bool X11WindowSystem::isConnected() const {
    return x_->isConnected();
}

bool X11WindowSystem::hasWindowManager() {
    if (!x_->isConnected())
        return false;
    auto reply = x_->property(x_->root(), x_->atom(Atom::supportingWmCheck), XCB_ATOM_WINDOW, 1);
    return !X11Connection::cardinals(reply.get()).empty();
}

void X11WindowSystem::setIdentityResolver(IdentityResolver resolver) {
    resolver_ = std::move(resolver);
}

QPointF X11WindowSystem::primaryOrigin() {
    return x_->primaryOrigin();
}

std::vector<Display> X11WindowSystem::displays() {
    return x_->displays();
}

std::vector<WindowInfo> X11WindowSystem::windows() {
    if (!x_->isConnected())
        return {};
    return describe(clientStack(*x_));
}

std::vector<WindowInfo> X11WindowSystem::describe(const std::vector<WindowId>& stack) {
    std::vector<WindowInfo> result;
    const QPointF o = primaryOrigin();
    auto* c = x_->get();
    const auto a = [this](Atom n) { return x_->atom(n); };

    auto currentReply = x_->property(x_->root(), a(Atom::currentDesktop), XCB_ATOM_CARDINAL, 1);
    const auto currentValues = X11Connection::cardinals(currentReply.get());
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
        k.pid = xcb_get_property(c, 0, w, a(Atom::wmPid), XCB_ATOM_CARDINAL, 0, 1);
        k.wmClass = xcb_get_property(c, 0, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256);
        k.netName = xcb_get_property(c, 0, w, a(Atom::wmName), a(Atom::utf8), 0, 1024);
        k.name = xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
        k.type = xcb_get_property(c, 0, w, a(Atom::windowType), XCB_ATOM_ATOM, 0, 16);
        k.transient = xcb_get_property(c, 0, w, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 0, 1);
        k.state = xcb_get_property(c, 0, w, a(Atom::wmState), XCB_ATOM_ATOM, 0, 64);
        k.icccmState = xcb_get_property(c, 0, w, a(Atom::icccmWmState), a(Atom::icccmWmState), 0, 2);
        k.desktop = xcb_get_property(c, 0, w, a(Atom::wmDesktop), XCB_ATOM_CARDINAL, 0, 1);
        k.frame = xcb_get_property(c, 0, w, a(Atom::frameExtents), XCB_ATOM_CARDINAL, 0, 4);
        k.gtkFrame = xcb_get_property(c, 0, w, a(Atom::gtkFrameExtents), XCB_ATOM_CARDINAL, 0, 4);
        k.gtkApp = xcb_get_property(c, 0, w, a(Atom::gtkAppId), a(Atom::utf8), 0, 256);
        k.geometry = xcb_get_geometry(c, w);
        k.position = xcb_translate_coordinates(c, w, x_->root(), 0, 0);
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

        const auto pids = X11Connection::cardinals(pid.get());
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
        else if (name && name->type == a(Atom::utf8))
            info.title = QString::fromUtf8(text(name.get()));
        else
            info.title = QString::fromLatin1(text(name.get()));

        // The first type we know decides; no type means normal, or dialog when transient.
        info.type =
            X11Connection::cardinals(transient.get()).empty() ? WindowType::normal : WindowType::dialog;
        for (uint32_t t : X11Connection::cardinals(type.get())) {
            if (t == a(Atom::typeNormal)) {
                info.type = WindowType::normal;
            } else if (t == a(Atom::typeDialog)) {
                info.type = WindowType::dialog;
            } else if (t == a(Atom::typeDock)) {
                info.type = WindowType::dock;
            } else if (t == a(Atom::typeDesktop)) {
                info.type = WindowType::desktop;
            } else if (t == a(Atom::typeUtility) || t == a(Atom::typeSplash) || t == a(Atom::typeToolbar) ||
                       t == a(Atom::typeMenu) || t == a(Atom::typeNotification)) {
                info.type = WindowType::other;
            } else {
                continue;
            }
            break;
        }
        const auto states = X11Connection::cardinals(state.get());
        auto has = [&](Atom atom) {
            return std::find(states.begin(), states.end(), a(atom)) != states.end();
        };
        const auto icccm = X11Connection::cardinals(icccmState.get());
        info.iconic = has(Atom::stateHidden) || (!icccm.empty() && icccm[0] == XCB_ICCCM_WM_STATE_ICONIC);
        info.skipTaskbar = has(Atom::stateSkipTaskbar);
        const auto desks = X11Connection::cardinals(desktop.get());
        info.onCurrentDesktop =
            desks.empty() || !knowsDesktop || desks[0] == 0xFFFFFFFFu || desks[0] == currentDesktop;
        if (auto outer =
                outerFrame(position.get(), geometry.get(), extents(frame.get()), extents(gtkFrame.get())))
            info.frame = outer->translated(-o);
        info.appId = QString::fromUtf8(text(gtkApp.get()));
        result.push_back(std::move(info));
    }

    // Clients that do not name their process: ask the server who they are.
    if (x_->hasRes() && !withoutPid.empty()) {
        std::vector<xcb_res_query_client_ids_cookie_t> resCookies;
        for (size_t idx : withoutPid) {
            xcb_res_client_id_spec_t client{result[idx].id, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            resCookies.push_back(xcb_res_query_client_ids(c, 1, &client));
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
        if (resolver_) {
            const auto identity = resolver_({info.pid, info.wmInstance, info.wmClass, gtkAppId});
            info.appId = identity.id;
            info.appName = identity.name;
        } else {
            info.appId = !gtkAppId.isEmpty() ? gtkAppId : info.wmInstance;
            info.appName = info.wmClass;
        }
    }
    x_->drain();
    return result;
}

std::optional<WindowInfo> X11WindowSystem::window(WindowId id) {
    if (!x_->isConnected())
        return std::nullopt;
    const auto stack = clientStack(*x_);
    if (std::find(stack.begin(), stack.end(), id) == stack.end())
        return std::nullopt; // not a managed client
    auto found = describe({id});
    if (found.empty())
        return std::nullopt;
    return found.front();
}

std::optional<QRectF> X11WindowSystem::frame(WindowId window) {
    if (!x_->isConnected())
        return std::nullopt;
    auto f = rootFrame(*x_, window);
    x_->drain();
    if (!f)
        return std::nullopt;
    return f->translated(-primaryOrigin());
}

bool X11WindowSystem::setFrame(WindowId window, const QRectF& target) {
    if (!x_->isConnected())
        return false;
    const QPointF o = primaryOrigin();
    // Reading the frame first also tells whether the window is still there.
    const auto before = rootFrame(*x_, window);
    if (!before)
        return false;
    leaveMaximized(*x_, window);
    const QRectF rootTarget = target.translated(o);
    moveResize(*x_, window, rootTarget, true);
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
            const auto now = rootFrame(*x_, window);
            if (!now || *now != *before)
                break;
        }
    }
    x_->drain();
    return true;
}

bool X11WindowSystem::setPosition(WindowId window, const QPointF& topLeft) {
    if (!x_->isConnected())
        return false;
    const auto before = rootFrame(*x_, window);
    if (!before)
        return false;
    const QPointF rootPoint = topLeft + primaryOrigin();
    moveResize(*x_, window, QRectF(rootPoint, before->size()), false);
    for (int i = 0; i < 10; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const auto now = rootFrame(*x_, window);
        if (!now || now->topLeft() != before->topLeft())
            break;
    }
    x_->drain();
    return true;
}

void X11WindowSystem::requestFrame(WindowId window, const QRectF& frame, bool withSize) {
    if (!x_->isConnected())
        return;
    // No check that the window is still there: animation frames cannot wait for a
    // round trip, and the window manager ignores a request about a gone window.
    moveResize(*x_, window, frame.translated(primaryOrigin()), withSize);
    x_->drain();
}

void X11WindowSystem::unmaximize(WindowId window) {
    x_->request(window, [&] { leaveMaximized(*x_, window); });
}

std::optional<WindowId> X11WindowSystem::activeWindow() {
    if (!x_->isConnected())
        return std::nullopt;
    auto reply = x_->property(x_->root(), x_->atom(Atom::activeWindow), XCB_ATOM_WINDOW, 1);
    const auto v = X11Connection::cardinals(reply.get());
    if (v.empty() || v[0] == 0)
        return std::nullopt;
    // The desktop or a panel having the focus means no window has it.
    auto type = x_->property(v[0], x_->atom(Atom::windowType), XCB_ATOM_ATOM, 16);
    for (uint32_t t : X11Connection::cardinals(type.get()))
        if (t == x_->atom(Atom::typeDesktop) || t == x_->atom(Atom::typeDock))
            return std::nullopt;
    return v[0];
}

bool X11WindowSystem::activate(WindowId window) {
    auto* ewmh = x_->ewmh();
    if (!ewmh)
        return false;
    return x_->request(window, [&] {
        const xcb_window_t current = activeWindow().value_or(0);
        xcb_ewmh_request_change_active_window(ewmh, x_->screenNumber(), window,
                                              XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER, XCB_CURRENT_TIME, current);
    });
}

bool X11WindowSystem::iconify(WindowId window) {
    return x_->request(window, [&] {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = x_->atom(Atom::changeState);
        event.data.data32[0] = XCB_ICCCM_WM_STATE_ICONIC;
        xcb_send_event(x_->get(), 0, x_->root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
    });
}

bool X11WindowSystem::deiconify(WindowId window) {
    return x_->request(window, [&] { xcb_map_window(x_->get(), window); }) && activate(window);
}

bool X11WindowSystem::close(WindowId window) {
    auto* ewmh = x_->ewmh();
    if (!ewmh)
        return false;
    return x_->request(window, [&] {
        xcb_ewmh_request_close_window(ewmh, x_->screenNumber(), window, XCB_CURRENT_TIME,
                                      XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
    });
}

std::optional<QPointF> X11WindowSystem::pointer() {
    if (!x_->isConnected())
        return std::nullopt;
    auto* c = x_->get();
    Reply<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(c, xcb_query_pointer(c, x_->root()), nullptr));
    if (!reply || !reply->same_screen)
        return std::nullopt;
    return QPointF(reply->root_x, reply->root_y) - primaryOrigin();
}

} // namespace brisklet::platform
