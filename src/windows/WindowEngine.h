#pragma once

#include "base/Clock.h"
#include "windows/WindowAnimator.h"
#include "commands/Action.h"
#include "platform/AppLauncher.h"
#include "platform/OwnWindows.h"
#include "platform/WindowSystem.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace brisklet {

// One window of another application.
struct WindowRef {
    qint64 pid = 0;
    platform::WindowId element = 0;
    QRectF axFrame; // top-left space
    QString appName;
    std::optional<QString> bundleID; // desktop ID of its application
    QString title;
    quint32 windowID = 0;
};

// A display. Its frames are in bottom-left space (origin at the primary display's
// bottom-left corner, y growing upwards).
struct Screen {
    quint32 displayID = 0;
    QRectF frame;
    QRectF visibleFrame;
    bool operator==(const Screen&) const = default;
};

// Sees and moves the windows of other applications, and the program's own windows
// through the toolkit. Every operation may block (round trips, short sleeps): call
// them off the main thread, except activeScreen() and the pure helpers.
class WindowEngine {
public:
    WindowEngine(platform::WindowSystem& windows, platform::OwnWindows* own, platform::AppLauncher* launcher,
                 Clock& clock = Clock::system(), WindowAnimator::Timer animatorTimer = {});
    ~WindowEngine();
    WindowEngine(const WindowEngine&) = delete;
    WindowEngine& operator=(const WindowEngine&) = delete;

    WindowAnimator& animator() { return *animator_; }
    platform::WindowSystem& windowSystem() { return windows_; }
    Clock& clock() { return clock_; }
    // Tests pretend to be another process.
    void setOwnPid(qint64 pid) { ownPid_ = pid; }
    qint64 ownPid() const { return ownPid_; }

    // --- coordinates and displays
    std::vector<Screen> screens();
    // The one flip between top-left and bottom-left space (its own inverse).
    QRectF toAX(const QRectF& rect);
    QRectF toCocoa(const QRectF& rect) { return toAX(rect); }
    static QRectF flip(const QRectF& rect, double primaryHeight);
    std::optional<Screen> screen(const QRectF& axRect);
    static std::optional<Screen> screen(const QRectF& axRect, const std::vector<Screen>& screens);
    static quint32 displayID(const Screen& screen) { return screen.displayID; }
    Screen activeScreen();

    // --- reading and setting frames
    std::optional<QRectF> axFrame(platform::WindowId element);
    bool refusesOwnWindow(platform::WindowId element);
    bool setAXFrame(platform::WindowId element, const QRectF& target);
    // The verified set: true when the window ended within 12 of the target, or kept
    // a size of its own and was nudged back on screen.
    bool setAXFrameFitted(platform::WindowId element, const QRectF& target);
    std::optional<QString> title(platform::WindowId element);

    // --- listing
    std::vector<platform::WindowId> axWindows(qint64 pid);
    struct Match {
        platform::WindowId element = 0;
        QRectF frame;
        QString title;
    };
    std::optional<Match> matchAXWindow(const QRectF& bounds, std::vector<platform::WindowId>& pool);
    std::vector<WindowRef> visibleWindows();
    struct Focused {
        platform::WindowId element = 0;
        QRectF frame;
    };
    std::optional<Focused> focusedWindow();
    std::set<qint64> pidsOnCurrentSpace();
    bool stageManagerActive() const { return false; }
    bool axAppearsStale() { return false; }
    static bool isExcludedOwner(const platform::WindowInfo& window);

    // --- moves of one window or application
    static QRectF targetRect(WindowPosition position, const QRectF& current, const QRectF& visible);
    bool move(WindowPosition position);
    bool nextDisplay();
    static std::optional<QRectF> nextDisplayRect(const QRectF& frame, const Screen& on,
                                                 const std::vector<Screen>& screens);
    std::optional<QRectF> nextDisplayRect(const QRectF& frame, const Screen& on) {
        return nextDisplayRect(frame, on, screens());
    }
    void hideOthers();
    bool unminimizeWindows(qint64 pid);
    std::vector<WindowRef> windowsEnsuringLaunch(const QString& bundleID,
                                                 const std::optional<QString>& url = {});

    // --- sorting into grids
    struct SortOutcome {
        int landed = 0;
        int keptMinimum = 0;
        QStringList tiledAround;
        QStringList unfit;
        bool operator==(const SortOutcome&) const = default;
    };
    struct OwnWindowRef {
        platform::OwnWindows::Handle window = 0;
        QRectF axFrame;
        QSizeF minSize;
    };
    SortOutcome sortActive(std::optional<int> count);
    SortOutcome sortAll();
    std::map<quint32, QSizeF> learnedFloors; // by window number; touched only by the sort

    // --- sort geometry (pure; `primaryHeight` is the flip's height)
    static std::vector<QRectF> gridCells(int count, const QRectF& visible, double primaryHeight);
    static std::map<int, QRectF> assignNearest(const std::vector<QRectF>& frames,
                                               const std::vector<QRectF>& cells);
    static std::vector<double> distribute(double total, const std::vector<double>& mins);
    static std::optional<std::vector<QRectF>> minAwareCells(const std::vector<QSizeF>& mins,
                                                            const std::vector<QPointF>& centers,
                                                            const QRectF& visible, double primaryHeight);
    struct Group {
        std::vector<WindowRef> windows;
        std::vector<OwnWindowRef> own;
        QRectF visible; // bottom-left space
    };
    // The cells of one group, one per window (other apps' windows first), appending
    // to the two name lists.
    static std::vector<QRectF> layoutGroup(const Group& group, const std::map<quint32, QSizeF>& floors,
                                           double primaryHeight, QStringList& tiledAround,
                                           QStringList& unfit);

    static constexpr double fitTolerance = 12.0;
    static constexpr double landTolerance = 24.0;

private:
    double primaryHeight();
    std::vector<OwnWindowRef> ownWindows(std::optional<quint32> onDisplay);
    SortOutcome executeSort(std::vector<Group> groups);
    bool moveOwnFrontWindow(WindowPosition position);
    bool ownWindowToNextDisplay();
    std::optional<platform::WindowInfo> info(platform::WindowId element);
    std::optional<Match> matchAXWindow(const QRectF& bounds, std::vector<platform::WindowId>& pool,
                                       const std::map<platform::WindowId, platform::WindowInfo>& infos);
    // Waits until `ready` holds or `seconds` pass on the clock, polling every `step`.
    template <typename F> auto pollFor(double seconds, double step, F&& probe) -> decltype(probe());

    platform::WindowSystem& windows_;
    platform::OwnWindows* own_;
    platform::AppLauncher* launcher_;
    Clock& clock_;
    qint64 ownPid_;
    std::unique_ptr<WindowAnimator> animator_;
};

} // namespace brisklet
