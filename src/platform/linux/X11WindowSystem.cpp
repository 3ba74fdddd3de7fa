#include "platform/linux/X11WindowSystem.h"

#include "platform/linux/X11Connection.h"
#include "platform/linux/X11StartupIds.h"

#include <QList>
#include <algorithm>
#include <array>
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

// The desktop the user is on; nothing when the window manager does not say.
std::optional<uint32_t> currentDesktop(X11Connection& x) {
    auto reply = x.property(x.root(), x.atom(Atom::currentDesktop), XCB_ATOM_CARDINAL, 1);
    const auto values = X11Connection::cardinals(reply.get());
    if (values.empty())
        return std::nullopt;
    return values[0];
}

// The properties describe() reads of every window, in the order they are asked.
namespace field {
enum : size_t {
    pid,
    wmClass,
    netName,
    name,
    type,
    transient,
    state,
    icccmState,
    desktop,
    frame,
    gtkFrame,
    gtkApp,
    count
};
} // namespace field

struct PropertyAsk {
    xcb_atom_t property = 0;
    xcb_atom_t type = 0;
    uint32_t length = 0; // in 32-bit units
};
using PropertyAsks = std::array<PropertyAsk, field::count>;

PropertyAsks propertyAsks(const X11Connection& x) {
    const auto a = [&x](Atom n) { return x.atom(n); };
    PropertyAsks asks;
    asks[field::pid] = {a(Atom::wmPid), XCB_ATOM_CARDINAL, 1};
    asks[field::wmClass] = {XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256};
    asks[field::netName] = {a(Atom::wmName), a(Atom::utf8), 1024};
    asks[field::name] = {XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 1024};
    asks[field::type] = {a(Atom::windowType), XCB_ATOM_ATOM, 16};
    asks[field::transient] = {XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 1};
    asks[field::state] = {a(Atom::wmState), XCB_ATOM_ATOM, 64};
    asks[field::icccmState] = {a(Atom::icccmWmState), a(Atom::icccmWmState), 2};
    asks[field::desktop] = {a(Atom::wmDesktop), XCB_ATOM_CARDINAL, 1};
    asks[field::frame] = {a(Atom::frameExtents), XCB_ATOM_CARDINAL, 4};
    asks[field::gtkFrame] = {a(Atom::gtkFrameExtents), XCB_ATOM_CARDINAL, 4};
    asks[field::gtkApp] = {a(Atom::gtkAppId), a(Atom::utf8), 256};
    return asks;
}

struct WindowCookies {
    std::array<xcb_get_property_cookie_t, field::count> properties;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t position;
};

struct WindowReplies {
    std::array<Reply<xcb_get_property_reply_t>, field::count> properties;
    Reply<xcb_get_geometry_reply_t> geometry;
    Reply<xcb_translate_coordinates_reply_t> position;

    const xcb_get_property_reply_t* operator[](size_t f) const { return properties[f].get(); }
};

WindowCookies askAbout(X11Connection& x, xcb_window_t w, const PropertyAsks& asks) {
    auto* c = x.get();
    WindowCookies k;
    for (size_t f = 0; f < field::count; ++f)
        k.properties[f] = xcb_get_property(c, 0, w, asks[f].property, asks[f].type, 0, asks[f].length);
    k.geometry = xcb_get_geometry(c, w);
    k.position = xcb_translate_coordinates(c, w, x.root(), 0, 0);
    return k;
}

WindowReplies collect(X11Connection& x, const WindowCookies& k) {
    auto* c = x.get();
    WindowReplies r;
    for (size_t f = 0; f < field::count; ++f)
        r.properties[f].reset(xcb_get_property_reply(c, k.properties[f], nullptr));
    r.geometry.reset(xcb_get_geometry_reply(c, k.geometry, nullptr));
    r.position.reset(xcb_translate_coordinates_reply(c, k.position, nullptr));
    return r;
}

QByteArray text(const xcb_get_property_reply_t* r) {
    if (!r || r->format != 8)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
}

QString title(const X11Connection& x, const xcb_get_property_reply_t* netName,
              const xcb_get_property_reply_t* name) {
    const QByteArray utf8Title = text(netName);
    if (!utf8Title.isEmpty())
        return QString::fromUtf8(utf8Title);
    if (name && name->type == x.atom(Atom::utf8))
        return QString::fromUtf8(text(name));
    return QString::fromLatin1(text(name));
}

// The first type we know decides; no type means normal, or dialog when transient.
WindowType windowType(const X11Connection& x, const xcb_get_property_reply_t* types,
                      const xcb_get_property_reply_t* transient) {
    static constexpr std::pair<Atom, WindowType> known[] = {
        {Atom::typeNormal, WindowType::normal},     {Atom::typeDialog, WindowType::dialog},
        {Atom::typeDock, WindowType::dock},         {Atom::typeDesktop, WindowType::desktop},
        {Atom::typeUtility, WindowType::other},     {Atom::typeSplash, WindowType::other},
        {Atom::typeToolbar, WindowType::other},     {Atom::typeMenu, WindowType::other},
        {Atom::typeNotification, WindowType::other}};
    for (uint32_t t : X11Connection::cardinals(types))
        for (const auto& [atom, type] : known)
            if (t == x.atom(atom))
                return type;
    return X11Connection::cardinals(transient).empty() ? WindowType::normal : WindowType::dialog;
}

bool onDesktop(const xcb_get_property_reply_t* desktop, std::optional<uint32_t> current) {
    const auto desks = X11Connection::cardinals(desktop);
    return desks.empty() || !current || desks[0] == 0xFFFFFFFFu || desks[0] == *current;
}

// What the replies say of one window; nothing when it went away while we asked.
std::optional<WindowInfo> readWindow(const X11Connection& x, xcb_window_t id, const WindowReplies& r,
                                     std::optional<uint32_t> desktop, QPointF origin) {
    if (!r.geometry)
        return std::nullopt;
    WindowInfo info;
    info.id = id;
    const auto pids = X11Connection::cardinals(r[field::pid]);
    info.pid = pids.empty() ? 0 : pids[0];
    const QList<QByteArray> instanceAndClass = text(r[field::wmClass]).split('\0');
    if (instanceAndClass.size() >= 2) {
        info.wmInstance = QString::fromLatin1(instanceAndClass[0]);
        info.wmClass = QString::fromLatin1(instanceAndClass[1]);
    }
    info.title = title(x, r[field::netName], r[field::name]);
    info.type = windowType(x, r[field::type], r[field::transient]);
    const auto states = X11Connection::cardinals(r[field::state]);
    auto has = [&](Atom atom) {
        return std::find(states.begin(), states.end(), x.atom(atom)) != states.end();
    };
    const auto icccm = X11Connection::cardinals(r[field::icccmState]);
    info.iconic = has(Atom::stateHidden) || (!icccm.empty() && icccm[0] == XCB_ICCCM_WM_STATE_ICONIC);
    info.skipTaskbar = has(Atom::stateSkipTaskbar);
    info.onCurrentDesktop = onDesktop(r[field::desktop], desktop);
    if (auto outer = outerFrame(r.position.get(), r.geometry.get(), extents(r[field::frame]),
                                extents(r[field::gtkFrame])))
        info.frame = outer->translated(-origin);
    info.appId = QString::fromUtf8(text(r[field::gtkApp]));
    return info;
}

// Clients that do not name their process: ask the server who they are, all at once.
void askServerForPids(X11Connection& x, std::vector<WindowInfo>& windows,
                      const std::vector<size_t>& unnamed) {
    auto* c = x.get();
    std::vector<xcb_res_query_client_ids_cookie_t> cookies;
    for (size_t idx : unnamed) {
        xcb_res_client_id_spec_t client{windows[idx].id, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        cookies.push_back(xcb_res_query_client_ids(c, 1, &client));
    }
    for (size_t n = 0; n < unnamed.size(); ++n) {
        Reply<xcb_res_query_client_ids_reply_t> r(xcb_res_query_client_ids_reply(c, cookies[n], nullptr));
        if (!r)
            continue;
        for (auto it = xcb_res_query_client_ids_ids_iterator(r.get()); it.rem;
             xcb_res_client_id_value_next(&it)) {
            if (it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID &&
                xcb_res_client_id_value_value_length(it.data) >= 1) {
                windows[unnamed[n]].pid = *xcb_res_client_id_value_value(it.data);
                break;
            }
        }
    }
}

// The application behind each window; without a resolver, its WM_CLASS.
void nameApps(std::vector<WindowInfo>& windows, const X11WindowSystem::IdentityResolver& resolver) {
    for (auto& info : windows) {
        const QString gtkAppId = info.appId;
        if (resolver) {
            const auto identity = resolver({info.pid, info.wmInstance, info.wmClass, gtkAppId});
            info.appId = identity.id;
            info.appName = identity.name;
        } else {
            info.appId = !gtkAppId.isEmpty() ? gtkAppId : info.wmInstance;
            info.appName = info.wmClass;
        }
    }
}

} // namespace

X11WindowSystem::X11WindowSystem(const QByteArray& display, QRect fallbackScreen)
    : display_(display), x_(std::make_unique<X11Connection>(display, fallbackScreen)) {}

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
    const QPointF o = primaryOrigin();
    const auto desktop = currentDesktop(*x_);
    // Every request of every window goes out first; then the replies come back.
    const auto asks = propertyAsks(*x_);
    std::vector<WindowCookies> cookies;
    cookies.reserve(stack.size());
    for (xcb_window_t w : stack)
        cookies.push_back(askAbout(*x_, w, asks));
    std::vector<WindowInfo> result;
    std::vector<size_t> withoutPid;
    for (size_t i = 0; i < stack.size(); ++i) {
        auto info = readWindow(*x_, stack[i], collect(*x_, cookies[i]), desktop, o);
        if (!info)
            continue;
        if (!info->pid)
            withoutPid.push_back(result.size());
        result.push_back(std::move(*info));
    }
    if (x_->hasRes() && !withoutPid.empty())
        askServerForPids(*x_, result, withoutPid);
    nameApps(result, resolver_);
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

bool X11WindowSystem::restack(WindowId window, std::optional<WindowId> above) {
    auto* ewmh = x_->ewmh();
    if (!ewmh)
        return false;
    // _NET_RESTACK_WINDOW as a pager sends it (source 2): the window manager restacks
    // the frame, which a plain raise of the reparented client would not.
    return x_->request(window, [&] {
        xcb_ewmh_request_restack_window(ewmh, x_->screenNumber(), window, above.value_or(XCB_NONE),
                                        XCB_STACK_MODE_ABOVE);
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

QString X11WindowSystem::startupId(WindowId window) {
    if (!x_->isConnected())
        return {};
    // The window's own property only: a browser's client leader carries the id of
    // the launch that started the process, which every window of it shares.
    auto reply = x_->property(window, x_->atom(Atom::startupId), XCB_GET_PROPERTY_TYPE_ANY, 256);
    if (const QString id = QString::fromUtf8(text(reply.get())); !id.isEmpty())
        return id;
    std::lock_guard lock(watchesMutex_);
    for (const auto& watch : watches_)
        if (const auto notes = watch.lock())
            if (QString id = notes->of(window); !id.isEmpty())
                return id;
    return {};
}

std::unique_ptr<StartupIdWatch> X11WindowSystem::watchStartupIds() {
    if (!x_->isConnected())
        return nullptr;
    auto watch = X11StartupIdWatch::start(display_);
    if (!watch)
        return nullptr;
    std::lock_guard lock(watchesMutex_);
    std::erase_if(watches_, [](const auto& w) { return w.expired(); });
    watches_.push_back(watch->notes());
    return watch;
}

} // namespace brisklet::platform
