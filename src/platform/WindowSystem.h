#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace brisklet::platform {

// A managed top-level window of another client (an X window ID on Linux).
using WindowId = quint32;

// Every rectangle here is in "top-left" space: origin at the top-left corner of the
// primary display, y growing downwards. Window frames are outer frames, decorations
// included and client-side shadows excluded.

struct Display {
    quint32 id = 0; // stable, unique, never 0
    QRectF frame;
    QRectF visibleFrame; // the frame minus panels and docks
    QString name;
};

enum class WindowType { normal, dialog, dock, desktop, other };

struct WindowInfo {
    WindowId id = 0;
    qint64 pid = 0;  // 0 when the owner is unknown (a remote client)
    QString appId;   // desktop ID of the owning application; empty when none matched
    QString appName; // the entry's Name, else the class of WM_CLASS
    QString wmInstance;
    QString wmClass;
    QString title;
    WindowType type = WindowType::normal;
    bool iconic = false;
    bool onCurrentDesktop = true;
    bool skipTaskbar = false;
    std::optional<QRectF> frame; // absent when it could not be read
};

// Held while windows that are about to come should have their startup ids noted.
class StartupIdWatch {
public:
    virtual ~StartupIdWatch() = default;
};

// The windows and displays of the desktop. Any thread; calls may block for a round
// trip to the display server but never wait for the window manager, except where
// said.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // The displays, primary first. Never empty: without any monitor information a
    // screen is made from the whole desktop.
    virtual std::vector<Display> displays() = 0;
    // Every managed client window, front to back, whatever its desktop or state.
    virtual std::vector<WindowInfo> windows() = 0;
    // One window's description; absent when it is gone or not managed.
    virtual std::optional<WindowInfo> window(WindowId id) {
        for (auto& w : windows())
            if (w.id == id)
                return w;
        return std::nullopt;
    }
    // A fresh reading of the window's outer frame; absent when the window is gone.
    virtual std::optional<QRectF> frame(WindowId window) = 0;
    // Leave maximised and full-screen states, then ask for the outer frame. Waits a
    // short moment for the window manager to apply it. False when the window is gone.
    virtual bool setFrame(WindowId window, const QRectF& frame) = 0;
    // Ask for a new top-left corner only (the size stays). False when the window is gone.
    virtual bool setPosition(WindowId window, const QPointF& topLeft) = 0;
    // One quick request without reading back, for animation frames.
    virtual void requestFrame(WindowId window, const QRectF& frame, bool withSize) = 0;
    // Leave maximised and full-screen states (no-op when not in them).
    virtual void unmaximize(WindowId window) = 0;
    // The window that has the keyboard focus; absent for none, the desktop or a dock.
    virtual std::optional<WindowId> activeWindow() = 0;
    virtual bool activate(WindowId window) = 0;
    // Put the window directly above `above` in the stacking order, or above every
    // other window of its layer when absent, leaving the focus where it is. False
    // when the window is gone.
    virtual bool restack(WindowId window, std::optional<WindowId> above) = 0;
    virtual bool iconify(WindowId window) = 0;
    // Map an iconified window again and activate it.
    virtual bool deiconify(WindowId window) = 0;
    // Ask the window's client to close it (politely; nothing is killed).
    virtual bool close(WindowId window) = 0;
    // The mouse pointer, absent when it cannot be read.
    virtual std::optional<QPointF> pointer() = 0;
    // The startup id the window carries itself (never one shared through its client
    // leader); empty for none or a window that is gone. While a watch is held, also
    // the one a window created since it began carried for a moment: a client may take
    // its id off again as the window maps.
    virtual QString startupId(WindowId) { return {}; }
    // Starts noting the startup ids that new windows are given, until the watch goes;
    // null where that can't be done.
    virtual std::unique_ptr<StartupIdWatch> watchStartupIds() { return nullptr; }
};

} // namespace brisklet::platform
