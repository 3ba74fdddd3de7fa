#pragma once

#include "base/Clock.h"
#include "platform/AppLauncher.h"
#include "platform/OwnWindows.h"
#include "platform/WindowSystem.h"

#include <functional>
#include <map>
#include <mutex>
#include <vector>

namespace brisklet::test {

// A desktop in memory: displays with chosen visible frames, windows with owners,
// types, stacking, focus and size limits, and a window manager that may clamp
// sizes, apply moves late or ignore them. It counts what was asked of it. Thread
// safe: the animator's queue and the test talk to it at once.
class FakeDesktop final : public platform::WindowSystem {
public:
    struct Window {
        platform::WindowInfo info; // info.frame is the real frame
        QSizeF minSize;            // 0: none
        QSizeF maxSize;            // 0: none
        double lag = 0;            // reads show the previous frame for this long after a move
        bool ignoresMoves = false; // the window manager never applies moves
        int dropsMoves = 0;        // the window manager drops this many moves first
        bool unreadable = false;   // frame reads fail (the window is half gone)
        double appearsAt = 0;      // listed only from this clock time on
        bool takesFocus = false;   // takes the focus when it comes to be listed
        QString startupId;         // the window's own
    };

    explicit FakeDesktop(Clock& clock) : clock_(clock) {}

    // --- set-up
    void setDisplays(std::vector<platform::Display> displays);
    // One display of w × h at the origin, with `panel` points taken at its top.
    static platform::Display display(quint32 id, const QRectF& frame, double panelTop = 0);
    // Adds a normal window at the back of the stack; returns its ID.
    platform::WindowId addWindow(qint64 pid, const QString& appId, const QRectF& frame,
                                 const QString& title = {});
    platform::WindowId addWindow(Window window);
    void update(platform::WindowId id, const std::function<void(Window&)>& change);
    void raise(platform::WindowId id);
    void remove(platform::WindowId id);
    void setActive(std::optional<platform::WindowId> id);
    void setPointer(std::optional<QPointF> point);
    // Called (without the lock) for every animation frame request.
    void onRequest(std::function<void(platform::WindowId, const QRectF&)> hook);

    // --- inspection
    Window get(platform::WindowId id);
    QRectF frameOf(platform::WindowId id);
    struct Request {
        platform::WindowId window;
        QRectF frame;
        double at;
    };
    std::vector<Request> requests();
    int setFrameCount();
    std::vector<platform::WindowId> iconified();
    std::vector<platform::WindowId> closed();

    // --- platform::WindowSystem
    std::vector<platform::Display> displays() override;
    std::vector<platform::WindowInfo> windows() override;
    std::optional<QRectF> frame(platform::WindowId window) override;
    bool setFrame(platform::WindowId window, const QRectF& frame) override;
    bool setPosition(platform::WindowId window, const QPointF& topLeft) override;
    void requestFrame(platform::WindowId window, const QRectF& frame, bool withSize) override;
    void unmaximize(platform::WindowId) override {}
    std::optional<platform::WindowId> activeWindow() override;
    bool activate(platform::WindowId window) override;
    bool restack(platform::WindowId window, std::optional<platform::WindowId> above) override;
    bool iconify(platform::WindowId window) override;
    bool deiconify(platform::WindowId window) override;
    bool close(platform::WindowId window) override;
    std::optional<QPointF> pointer() override;
    QString startupId(platform::WindowId window) override;

private:
    struct Entry {
        Window w;
        QRectF shown; // what reads report while a move lags
        double movedAt = -1;
    };
    Entry* find(platform::WindowId id);
    void apply(Entry& e, QRectF frame);
    bool listed(const Entry& e) const;

    Clock& clock_;
    std::mutex mutex_;
    std::vector<platform::Display> displays_;
    std::vector<Entry> windows_; // front to back
    std::optional<platform::WindowId> active_;
    std::optional<QPointF> pointer_;
    platform::WindowId nextId_ = 0x400001;
    std::vector<Request> requests_;
    int setFrames_ = 0;
    std::vector<platform::WindowId> iconified_, closed_;
    std::function<void(platform::WindowId, const QRectF&)> hook_;
};

// The program's own windows, kept in memory.
class FakeOwnWindows final : public platform::OwnWindows {
public:
    struct Entry {
        Window window;
        bool focused = false;
        bool sortable = true;
        platform::WindowId xid = 0;
    };
    Handle add(const QRectF& frame, quint32 displayID, QSizeF minSize = {}, bool focused = false);
    void update(Handle handle, const std::function<void(Entry&)>& change);
    std::vector<std::pair<Handle, QRectF>> placed();
    std::vector<double> durations();
    bool reducedMotion = false;

    std::vector<Window> sortable() override;
    std::optional<Window> front() override;
    std::optional<Window> focused() override;
    std::optional<QRectF> frame(Handle window) override;
    void place(const std::vector<std::pair<Handle, QRectF>>& frames, double duration) override;
    bool reduceMotion() override { return reducedMotion; }
    bool owns(platform::WindowId window) override;

private:
    std::mutex mutex_;
    std::vector<Entry> entries_;
    Handle next_ = 1;
    std::vector<std::pair<Handle, QRectF>> placed_;
    std::vector<double> durations_;
};

// Applications that map windows on the fake desktop some time after a launch.
class FakeLauncher final : public platform::AppLauncher {
public:
    FakeLauncher(FakeDesktop& desktop, Clock& clock) : desktop_(desktop), clock_(clock) {}
    struct App {
        bool acceptsUrls = true;
        double delay = 0.5; // until its window appears; negative: never
        QRectF frame{100, 100, 800, 600};
        qint64 pid = 0; // 0: a new pid per launch
        bool fails = false;
        bool failsWithUrls = false; // starting it with an address fails, alone it starts
        bool takesFocus = false;    // its window is the active one once it appears
        bool activates = true;      // false: requests to bring it to the front are refused
        // Whose process the window is: the launched one's, one the launched one
        // started (a wrapper script's program), or an unrelated one's.
        enum class Owner { launched, child, other };
        Owner owner = Owner::launched;
        // What the window's own class or program names: the launched entry, none (a
        // window of the launch's processes then goes by the launch, as the desktop
        // layer names it) or another entry.
        enum class Names { entry, nothing, another };
        Names names = Names::entry;
        platform::WindowType type = platform::WindowType::normal;
        enum class Mark { none, launch, another }; // the startup id its window carries
        Mark startupId = Mark::none;
        // A running instance takes the launch over: this window of its comes to the
        // front (carrying `startupId`) and no new one maps.
        platform::WindowId handsOffTo = 0;
    };
    void install(const QString& id, App app);
    struct Call {
        QString id;
        QStringList urls;
    };
    std::vector<Call> launches();
    std::vector<QString> unhidden();

    Launch launch(const QString& desktopId, const QStringList& urls = {}) override;
    bool acceptsUrls(const QString& desktopId) override;
    bool activate(const QString& desktopId) override;
    bool hide(const QString& desktopId) override;
    bool unhide(const QString& desktopId) override;
    bool quit(const QString& desktopId) override;
    bool startedBy(qint64 pid, qint64 launched) override;

private:
    FakeDesktop& desktop_;
    Clock& clock_;
    std::mutex mutex_;
    std::map<QString, App> apps_;
    std::map<qint64, qint64> parents_;
    std::vector<Call> launches_;
    std::vector<QString> unhidden_;
    qint64 nextPid_ = 5000;
};

} // namespace brisklet::test
