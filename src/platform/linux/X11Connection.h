#pragma once

#include "platform/WindowSystem.h"

#include <QByteArray>
#include <QPointF>
#include <QRect>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

namespace brisklet::platform {

// Hands each event that comes in on a connection to `handle`, on a thread of its
// own, until it goes or the connection breaks.
class X11EventThread final {
public:
    X11EventThread(xcb_connection_t* connection, std::function<void(const xcb_generic_event_t&)> handle);
    ~X11EventThread();
    X11EventThread(const X11EventThread&) = delete;
    X11EventThread& operator=(const X11EventThread&) = delete;

private:
    void run(xcb_connection_t* connection, const std::function<void(const xcb_generic_event_t&)>& handle);

    int stopFd_ = -1;
    std::thread thread_;
};

// A connection of our own (never Qt's) to one X display: its root window, the atoms
// we use, EWMH, which extensions the server offers, and the display layout, which a
// second connection watches for RandR and root property changes.
class X11Connection final {
public:
    enum class Atom {
        clientListStacking,
        clientList,
        wmDesktop,
        currentDesktop,
        wmState,
        stateHidden,
        stateMaxVert,
        stateMaxHorz,
        stateFullscreen,
        stateSkipTaskbar,
        icccmWmState,
        windowType,
        typeNormal,
        typeDialog,
        typeDock,
        typeDesktop,
        typeUtility,
        typeSplash,
        typeToolbar,
        typeMenu,
        typeNotification,
        wmPid,
        wmName,
        utf8,
        activeWindow,
        frameExtents,
        gtkFrameExtents,
        strutPartial,
        strut,
        workarea,
        changeState,
        gtkAppId,
        supportingWmCheck,
        startupId,
        count
    };

    // xcb hands out replies from malloc.
    struct FreeReply {
        void operator()(void* p) const { std::free(p); }
    };
    template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

    // `display` empty: $DISPLAY. `fallbackScreen` is the desktop reported when no X
    // display can be reached.
    X11Connection(const QByteArray& display, QRect fallbackScreen);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    // Null when no display could be reached.
    xcb_connection_t* get() const { return conn_; }
    bool isConnected() const { return conn_ != nullptr; }
    xcb_window_t root() const { return root_; }
    int screenNumber() const { return screenNumber_; }
    xcb_atom_t atom(Atom a) const { return atoms_[static_cast<int>(a)]; }
    // Null when there is no display or its EWMH atoms could not be read.
    xcb_ewmh_connection_t* ewmh() { return ewmhReady_ ? &ewmh_ : nullptr; }
    // Whether the server can tell which process a client is (XRes).
    bool hasRes() const { return hasRes_; }

    Reply<xcb_get_property_reply_t> property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                             uint32_t length);
    // A property's 32-bit values; empty for none or another format.
    static std::vector<uint32_t> cardinals(const xcb_get_property_reply_t* reply);
    bool exists(xcb_window_t window);
    // Drops the events and errors that have come in: we select no events here, and
    // errors about windows that went away meanwhile are expected.
    void drain();

    // Sends what `send` writes about `window`, flushes and drains. False, and
    // nothing sent, without a display or when the window has gone: requests about
    // it would only come back as errors.
    template <typename Send> bool request(xcb_window_t window, Send&& send) {
        if (!conn_ || !exists(window))
            return false;
        send();
        xcb_flush(conn_);
        drain();
        return true;
    }

    // The displays in top-left space, primary first; never empty.
    std::vector<Display> displays();
    // The top-left corner of the primary display in root coordinates.
    QPointF primaryOrigin();

private:
    std::shared_ptr<const std::vector<Display>> snapshot();
    void rebuildDisplays();
    void startWatch();
    void take(const xcb_generic_event_t& event);

    QByteArray displayName_;
    xcb_connection_t* conn_ = nullptr;
    xcb_ewmh_connection_t ewmh_{};
    bool ewmhReady_ = false;
    xcb_window_t root_ = 0;
    int screenNumber_ = 0;
    QRect rootRect_;
    QRect fallback_;
    xcb_atom_t atoms_[static_cast<int>(Atom::count)] = {};
    bool hasRes_ = false;
    bool hasRandr_ = false;

    // Display snapshot, rebuilt when the watch says something changed.
    std::mutex displayMutex_;
    std::shared_ptr<const std::vector<Display>> displayCache_;
    QPointF origin_;
    std::atomic<bool> displaysDirty_{true};

    // The watch of RandR and root property changes, on a connection of its own.
    xcb_connection_t* events_ = nullptr;
    const xcb_query_extension_reply_t* randrEvents_ = nullptr;
    std::unique_ptr<X11EventThread> watcher_;
};

} // namespace brisklet::platform
