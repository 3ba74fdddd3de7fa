#pragma once

#include "base/Clock.h"
#include "commands/Action.h"
#include "platform/AppLauncher.h"
#include "platform/OwnWindows.h"
#include "platform/WindowSystem.h"
#include "windows/WindowAnimator.h"
#include "windows/WindowGeometry.h"

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

// Sees and moves the windows of other applications, and the program's own windows
// through the toolkit. Every operation may block (round trips, short sleeps): call
// them off the main thread, except activeScreen(). The pure geometry it uses lives
// in WindowGeometry.
class WindowEngine final {
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
    // The flip between top-left and bottom-left space on the current displays (its
    // own inverse).
    QRectF toAX(const QRectF& rect);
    QRectF toCocoa(const QRectF& rect) { return toAX(rect); }
    std::optional<Screen> screen(const QRectF& axRect);
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

    // --- moves of one window or application
    bool move(WindowPosition position);
    bool nextDisplay();
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
    SortOutcome sortActive(std::optional<int> count);
    SortOutcome sortAll();
    std::map<quint32, QSizeF> learnedFloors; // by window number; touched only by the sort

    static constexpr double fitTolerance = 12.0;
    static constexpr double landTolerance = 24.0;

private:
    double primaryHeight();
    void forgetClosedFloors(const std::vector<WindowRef>& windows);
    std::vector<OwnWindowRef> ownWindows(std::optional<quint32> onDisplay);
    SortOutcome executeSort(std::vector<WindowGeometry::Group> groups);
    // The steps of a sort, in WindowEngineSort.cpp.
    struct SortSlot;
    struct SortPlan;
    using OwnPlacements = std::vector<std::pair<platform::OwnWindows::Handle, QRectF>>;
    SortPlan planSort(const std::vector<WindowGeometry::Group>& groups, double primaryHeight);
    bool glideIntoCells(const std::vector<SortSlot>& windows);
    void placeOwnWindows(const OwnPlacements& placements, bool animated);
    bool learnFloors(const std::vector<SortSlot>& windows);
    void moveChangedCells(const std::vector<SortSlot>& before, const std::vector<SortSlot>& after);
    SortOutcome tallySort(const SortPlan& plan);
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
