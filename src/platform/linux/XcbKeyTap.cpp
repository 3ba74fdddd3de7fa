#include "platform/linux/XcbKeyTap.h"

#include "base/Log.h"

#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <optional>
#include <poll.h>
#include <pthread.h>
#include <set>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xinput.h>
// xkb.h names a field "explicit", a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

namespace brisklet::platform {

namespace {

template <typename T> struct Freer {
    void operator()(T* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, Freer<T>>;

constexpr XcbKeyTap::KeyName keyTable[] = {
    {54, "RWIN", 134},  {61, "RALT", 108},  {58, "LALT", 64},   {55, "LWIN", 133},
    {105, "FK13", 191}, {107, "FK14", 192}, {113, "FK15", 193}, {106, "FK16", 194},
};

constexpr uint8_t badAccess = 10;

xcb_window_t rootOf(xcb_connection_t* c, int screenNumber) {
    auto it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    return it.data ? it.data->root : 0;
}

bool hasExtension(xcb_connection_t* c, const char* name) {
    auto cookie = xcb_query_extension(c, static_cast<uint16_t>(std::strlen(name)), name);
    Reply<xcb_query_extension_reply_t> reply(xcb_query_extension_reply(c, cookie, nullptr));
    return reply && reply->present;
}

} // namespace

// Everything the tap's thread owns.
struct XcbKeyTap::Session {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    uint8_t xiOpcode = 0;
    uint8_t xkbEvent = 0;          // the response type of XKB's events
    int code = 0;                  // the settings' code of the watched key
    xcb_keycode_t wakeKeycode = 0; // grabbed, or 0
    std::set<xcb_keycode_t> modifiers;
    bool grabActive = false;         // our grab holds the keyboard, frozen after each event
    bool wakePhysicallyDown = false; // to tell auto-repeats from presses
    // The server stamps events in milliseconds that wrap after 49 days: the last stamp
    // seen, and the count that runs on past a wrap.
    std::optional<xcb_timestamp_t> lastStamp;
    int64_t stampMs = 0;

    // An event's server time in seconds. Events may come a little out of order
    // (raw and core ones), so each step is taken as the nearer way round.
    double seconds(xcb_timestamp_t stamp) {
        stampMs = lastStamp ? stampMs + static_cast<int32_t>(stamp - *lastStamp) : stamp;
        lastStamp = stamp;
        return static_cast<double>(stampMs) / 1000.0;
    }

    xcb_keycode_t resolve(int settingsCode) {
        const KeyName* entry = keyNameFor(settingsCode);
        if (!entry)
            return 0;
        auto cookie = xcb_xkb_get_names(c, XCB_XKB_ID_USE_CORE_KBD, XCB_XKB_NAME_DETAIL_KEY_NAMES);
        Reply<xcb_xkb_get_names_reply_t> reply(xcb_xkb_get_names_reply(c, cookie, nullptr));
        if (reply) {
            xcb_xkb_get_names_value_list_t list{};
            xcb_xkb_get_names_value_list_unpack(xcb_xkb_get_names_value_list(reply.get()), reply->nTypes,
                                                reply->indicators, reply->virtualMods, reply->groupNames,
                                                reply->nKeys, reply->nKeyAliases, reply->nRadioGroups,
                                                reply->which, &list);
            for (int i = 0; list.keyNames && i < reply->nKeys; ++i)
                if (std::strncmp(list.keyNames[i].name, entry->xkbName, 4) == 0)
                    return static_cast<xcb_keycode_t>(reply->firstKey + i);
        }
        return static_cast<xcb_keycode_t>(entry->fallbackKeycode);
    }

    void readModifiers() {
        modifiers.clear();
        Reply<xcb_get_modifier_mapping_reply_t> reply(
            xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
        if (!reply)
            return;
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply.get());
        const int count = xcb_get_modifier_mapping_keycodes_length(reply.get());
        for (int i = 0; i < count; ++i)
            if (codes[i])
                modifiers.insert(codes[i]);
    }

    void ungrab() {
        if (grabActive) {
            xcb_allow_events(c, XCB_ALLOW_ASYNC_KEYBOARD, XCB_CURRENT_TIME);
            grabActive = false;
        }
        if (wakeKeycode)
            xcb_ungrab_key(c, wakeKeycode, root, XCB_MOD_MASK_ANY);
        wakeKeycode = 0;
        wakePhysicallyDown = false;
        xcb_flush(c);
    }

    // Grab the key for `settingsCode`; false with the reason when that fails.
    bool grab(int settingsCode, QString* error) {
        ungrab();
        code = settingsCode;
        const xcb_keycode_t keycode = resolve(settingsCode);
        if (!keycode) {
            if (error)
                *error = QStringLiteral("no key for code %1").arg(settingsCode);
            return false;
        }
        auto cookie = xcb_grab_key_checked(c, 0, root, XCB_MOD_MASK_ANY, keycode, XCB_GRAB_MODE_ASYNC,
                                           XCB_GRAB_MODE_SYNC);
        Reply<xcb_generic_error_t> failure(xcb_request_check(c, cookie));
        if (failure) {
            if (error)
                *error = failure->error_code == badAccess
                             ? QStringLiteral("keycode %1 is grabbed by another program").arg(keycode)
                             : QStringLiteral("X error %1 grabbing keycode %2")
                                   .arg(failure->error_code)
                                   .arg(keycode);
            // Grab nothing rather than part of the key's modifier combinations.
            xcb_ungrab_key(c, keycode, root, XCB_MOD_MASK_ANY);
            xcb_flush(c);
            return false;
        }
        wakeKeycode = keycode;
        return true;
    }

    // Detectable auto-repeat (a held key repeats as presses with no releases
    // between) and word of keymap changes; the reason when XKB is missing.
    QString useXkb() {
        Reply<xcb_xkb_use_extension_reply_t> xkb(
            xcb_xkb_use_extension_reply(c, xcb_xkb_use_extension(c, 1, 0), nullptr));
        if (!xkb || !xkb->supported)
            return QStringLiteral("the X server has no XKB");
        const uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
        free(xcb_xkb_per_client_flags_reply(
            c, xcb_xkb_per_client_flags(c, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0), nullptr));
        // An XKB client hears of keymap changes through XKB's own events.
        xkbEvent = xcb_get_extension_data(c, &xcb_xkb_id)->first_event;
        const uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
        xcb_xkb_select_events(c, XCB_XKB_ID_USE_CORE_KBD, events, 0, events, 0xff, 0xff, nullptr);
        return {};
    }

    // Raw key events of every keyboard, to follow keys our grab doesn't catch.
    QString selectRawKeys() {
        const xcb_query_extension_reply_t* xi = xcb_get_extension_data(c, &xcb_input_id);
        Reply<xcb_input_xi_query_version_reply_t> version(
            xi && xi->present
                ? xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr)
                : nullptr);
        if (!version || version->major_version < 2 ||
            (version->major_version == 2 && version->minor_version < 1))
            return QStringLiteral("the X server has no XInput 2.1");
        xiOpcode = xi->major_opcode;
        struct {
            xcb_input_event_mask_t head;
            uint32_t mask;
        } select{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                 XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE};
        xcb_input_xi_select_events(c, root, 1, &select.head);
        return {};
    }

    // Everything on the fresh connection up to the grab; the reason when it fails.
    QString open(int screen) {
        root = rootOf(c, screen);
        QString why = useXkb();
        if (why.isEmpty())
            why = selectRawKeys();
        if (why.isEmpty()) {
            readModifiers();
            if (!grab(code, &why) && why.isEmpty())
                why = QStringLiteral("the key could not be grabbed");
        }
        return why;
    }
};

const XcbKeyTap::KeyName* XcbKeyTap::keyNameFor(int code) {
    for (const auto& entry : keyTable)
        if (entry.code == code)
            return &entry;
    return nullptr;
}

XcbKeyTap::~XcbKeyTap() {
    stop();
}

bool XcbKeyTap::isTrusted() {
    int screen = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screen);
    bool trusted = false;
    if (c && !xcb_connection_has_error(c)) {
        const xcb_window_t root = rootOf(c, screen);
        static const char wmCheck[] = "_NET_SUPPORTING_WM_CHECK";
        Reply<xcb_intern_atom_reply_t> atom(
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof(wmCheck) - 1, wmCheck), nullptr));
        bool wm = false;
        if (atom && atom->atom != XCB_ATOM_NONE) {
            Reply<xcb_get_property_reply_t> prop(xcb_get_property_reply(
                c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr));
            wm = prop && xcb_get_property_value_length(prop.get()) >= 4;
        }
        trusted = wm && hasExtension(c, "XTEST") && hasExtension(c, "XInputExtension");
    }
    if (c)
        xcb_disconnect(c);
    return trusted;
}

bool XcbKeyTap::start(int keyCode, Handlers handlers, QString* error) {
    stop();
    handlers_ = std::move(handlers);
    stopRequested_ = false;
    eventFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (eventFd_ < 0) {
        if (error)
            *error = QStringLiteral("no event descriptor");
        return false;
    }

    auto session = std::make_unique<Session>();
    session->code = keyCode;
    std::promise<QString> ready; // empty: running
    auto result = ready.get_future();
    thread_ = std::thread([this, s = session.release(), &ready]() mutable {
        std::unique_ptr<Session> owned(s);
        pthread_setname_np(pthread_self(), "bk.wakekey");
        int screen = 0;
        s->c = xcb_connect(nullptr, &screen);
        if (!s->c || xcb_connection_has_error(s->c)) {
            if (s->c)
                xcb_disconnect(s->c);
            ready.set_value(QStringLiteral("can't connect to the X display"));
            return;
        }
        if (const QString why = s->open(screen); !why.isEmpty()) {
            xcb_disconnect(s->c);
            ready.set_value(why);
            return;
        }
        xcb_flush(s->c);
        session_ = s;
        running_ = true;
        ready.set_value(QString());
        qCInfo(lcApp) << "event tap installed (X11 key grab)";
        run(s);
        session_ = nullptr;
        qCInfo(lcApp) << "event tap run loop exited";
    });
    const QString why = result.get();
    threadId_ = thread_.get_id();
    if (!why.isEmpty()) {
        thread_.join();
        close(eventFd_);
        eventFd_ = -1;
        if (error)
            *error = why;
        return false;
    }
    return true;
}

void XcbKeyTap::wakeThread() {
    const uint64_t one = 1;
    [[maybe_unused]] auto written = write(eventFd_, &one, sizeof one);
}

void XcbKeyTap::post(std::function<void()> work) {
    if (!running_ || std::this_thread::get_id() == threadId_) {
        work();
        return;
    }
    {
        std::lock_guard guard(commandsLock_);
        commands_.push_back(std::move(work));
    }
    wakeThread();
}

bool XcbKeyTap::setWakeKey(int keyCode, QString* error) {
    if (!running_) {
        if (error)
            *error = QStringLiteral("the key tap is not running");
        return false;
    }
    auto done = std::make_shared<std::promise<QString>>();
    auto result = done->get_future();
    post([this, keyCode, done] {
        QString why;
        if (!session_->grab(keyCode, &why) && why.isEmpty())
            why = QStringLiteral("the key could not be grabbed");
        xcb_flush(session_->c);
        done->set_value(why);
    });
    // The command runs unless the tap dies first; don't wait forever then.
    if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        if (error)
            *error = QStringLiteral("the key tap did not answer");
        return false;
    }
    const QString why = result.get();
    if (!why.isEmpty() && error)
        *error = why;
    return why.isEmpty();
}

void XcbKeyTap::stop() {
    if (thread_.joinable()) {
        stopRequested_ = true;
        wakeThread();
        thread_.join();
    }
    running_ = false;
    threadId_ = {};
    {
        std::lock_guard guard(commandsLock_);
        commands_.clear();
    }
    if (eventFd_ >= 0) {
        close(eventFd_);
        eventFd_ = -1;
    }
}

KeyTap::Verdict XcbKeyTap::deliver(const Event& event) {
    return handlers_.onEvent ? handlers_.onEvent(event) : Verdict::pass;
}

// A key our grab caught; the keyboard stays frozen until we answer.
void XcbKeyTap::onGrabbedKey(Session* s, const xcb_key_press_event_t* key, bool press) {
    const bool isWake = key->detail == s->wakeKeycode;
    Event out{press ? Event::Type::down : Event::Type::up,
              isWake,
              s->modifiers.contains(key->detail),
              false,
              false,
              s->seconds(key->time)};
    if (isWake && press) {
        out.isRepeat = s->wakePhysicallyDown;
        s->wakePhysicallyDown = true;
    } else if (isWake) {
        s->wakePhysicallyDown = false;
    }
    const Verdict verdict = deliver(out);
    uint8_t mode = XCB_ALLOW_REPLAY_KEYBOARD;
    if (verdict == Verdict::swallow)
        mode = press ? XCB_ALLOW_SYNC_KEYBOARD : XCB_ALLOW_ASYNC_KEYBOARD;
    s->grabActive = mode == XCB_ALLOW_SYNC_KEYBOARD;
    xcb_allow_events(s->c, mode, XCB_CURRENT_TIME);
    xcb_flush(s->c);
}

void XcbKeyTap::onRawKey(Session* s, const xcb_ge_generic_event_t* ge) {
    if (ge->extension != s->xiOpcode || s->grabActive)
        return; // while our grab holds the keyboard, the grabbed events tell it all
    if (ge->event_type != XCB_INPUT_RAW_KEY_PRESS && ge->event_type != XCB_INPUT_RAW_KEY_RELEASE)
        return;
    auto* rawKey = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(ge);
    const auto keycode = static_cast<xcb_keycode_t>(rawKey->detail);
    const bool press = ge->event_type == XCB_INPUT_RAW_KEY_PRESS;
    const bool isWake = keycode == s->wakeKeycode;
    if (isWake && press)
        return; // a press of the wake key only counts when our grab caught it
    if (isWake)
        s->wakePhysicallyDown = false;
    deliver({press ? Event::Type::down : Event::Type::up, isWake, s->modifiers.contains(keycode), false, true,
             s->seconds(rawKey->time)});
}

// The keyboard map changed: the key may sit elsewhere now.
void XcbKeyTap::onKeymapChange(Session* s) {
    s->readModifiers();
    if (s->resolve(s->code) == s->wakeKeycode)
        return;
    QString why;
    if (!s->grab(s->code, &why))
        qCCritical(lcApp).noquote() << "key grab failed — keyboard wake unavailable (key taken "
                                       "by another program?)"
                                    << why;
}

// Events may already sit in xcb's queue after a round trip: drain them all.
void XcbKeyTap::drainEvents(Session* s) {
    while (xcb_generic_event_t* raw = xcb_poll_for_event(s->c)) {
        std::unique_ptr<xcb_generic_event_t, Freer<xcb_generic_event_t>> event(raw);
        const uint8_t kind = event->response_type & 0x7f;
        if (kind == XCB_KEY_PRESS || kind == XCB_KEY_RELEASE)
            onGrabbedKey(s, reinterpret_cast<xcb_key_press_event_t*>(event.get()), kind == XCB_KEY_PRESS);
        else if (kind == XCB_GE_GENERIC)
            onRawKey(s, reinterpret_cast<xcb_ge_generic_event_t*>(event.get()));
        else if (kind == XCB_MAPPING_NOTIFY || (s->xkbEvent && kind == s->xkbEvent))
            onKeymapChange(s);
    }
}

void XcbKeyTap::runPostedWork() {
    uint64_t count = 0;
    [[maybe_unused]] auto got = read(eventFd_, &count, sizeof count);
    std::deque<std::function<void()>> work;
    {
        std::lock_guard guard(commandsLock_);
        work.swap(commands_);
    }
    for (auto& item : work)
        item();
}

void XcbKeyTap::run(Session* s) {
    const int xfd = xcb_get_file_descriptor(s->c);
    while (!stopRequested_) {
        drainEvents(s);
        if (xcb_connection_has_error(s->c)) {
            qCInfo(lcApp) << "event tap lost its X connection";
            // Still "running" while the owner hears of it, so that nothing it posts
            // meanwhile runs beside the handler on another thread.
            if (handlers_.onLost)
                handlers_.onLost();
            running_ = false;
            break;
        }
        xcb_flush(s->c);

        pollfd fds[2] = {{xfd, POLLIN, 0}, {eventFd_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN)
            runPostedWork();
    }

    if (!xcb_connection_has_error(s->c)) {
        s->ungrab();
        xcb_flush(s->c);
    }
    running_ = false;
    xcb_disconnect(s->c);
}

} // namespace brisklet::platform
