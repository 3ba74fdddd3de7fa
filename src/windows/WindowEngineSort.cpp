// Sorting windows into grids, learning the minimum sizes that windows insist on.
#include "windows/WindowEngine.h"

#include "base/Log.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <set>

namespace brisklet {

using WindowGeometry::Group;

namespace {

// The glide's completion may come after the sort stopped waiting: it touches only
// this box, never the sort's stack.
struct GlideWait {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    double doneAt = 0; // on the sort's clock
};

bool waitForGlide(const std::shared_ptr<GlideWait>& box, Clock& clock, double seconds) {
    const double deadline = clock.now() + seconds;
    // A backstop in real time, for a clock that stands still.
    const auto hardStop = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds + 10.0);
    std::unique_lock lock(box->mutex);
    while (!box->done) {
        if (clock.now() >= deadline || std::chrono::steady_clock::now() >= hardStop)
            return false;
        box->cv.wait_for(lock, std::chrono::milliseconds(5));
    }
    return box->doneAt <= deadline;
}

// Starts the glide and waits up to 3.5 s on the clock for it; a late glide is
// stopped before anything else sets frames.
bool glideAndWait(WindowAnimator& animator, Clock& clock, std::vector<WindowAnimator::Glide> glides) {
    auto box = std::make_shared<GlideWait>();
    animator.glide(std::move(glides), 0.3, 0.03, [box, &clock](std::vector<bool>) {
        std::lock_guard lock(box->mutex);
        box->done = true;
        box->doneAt = clock.now();
        box->cv.notify_all();
    });
    const bool landed = waitForGlide(box, clock, 3.5);
    if (!landed)
        animator.glide({}, 0, 0, {});
    return landed;
}

// Folds the frame a window kept in its cell into its floor. True when the floor
// grew, which calls for another layout.
bool learnFloor(std::map<quint32, QSizeF>& floors, quint32 id, const QRectF& cell, const QRectF& actual) {
    const bool wider = cell.width() + WindowEngine::landTolerance < actual.width();
    const bool taller = cell.height() + WindowEngine::landTolerance < actual.height();
    const auto found = floors.find(id);
    const QSizeF known = found != floors.end() ? found->second : QSizeF(0, 0);
    if (wider || taller) {
        const QSizeF learned(wider ? std::max(known.width(), actual.width()) : known.width(),
                             taller ? std::max(known.height(), actual.height()) : known.height());
        if (learned == known)
            return false;
        floors[id] = learned;
        return true;
    }
    if (found == floors.end())
        return false;
    // It fits a smaller cell now: lower the floor, and drop one too small to matter.
    const QSizeF lowered(std::min(known.width(), actual.width()), std::min(known.height(), actual.height()));
    if (lowered == known)
        return false;
    if (lowered.width() < 50 && lowered.height() < 50)
        floors.erase(found);
    else
        found->second = lowered;
    return false;
}

bool movedNoticeably(const QRectF& a, const QRectF& b) {
    return std::abs(a.x() - b.x()) > 1 || std::abs(a.y() - b.y()) > 1 ||
           std::abs(a.width() - b.width()) > 1 || std::abs(a.height() - b.height()) > 1;
}

} // namespace

std::vector<OwnWindowRef> WindowEngine::ownWindows(std::optional<quint32> onDisplay) {
    std::vector<OwnWindowRef> result;
    if (!own_)
        return result;
    for (const auto& w : own_->sortable())
        if (!onDisplay || (w.displayID != 0 && w.displayID == *onDisplay))
            result.push_back({w.handle, w.frame, w.minSize});
    return result;
}

void WindowEngine::forgetClosedFloors(const std::vector<WindowRef>& windows) {
    // Window numbers are reused: a floor belongs only to a window still listed.
    std::erase_if(learnedFloors, [&](const auto& entry) {
        return std::none_of(windows.begin(), windows.end(),
                            [&](const WindowRef& w) { return w.windowID == entry.first; });
    });
}

WindowEngine::SortOutcome WindowEngine::sortActive(std::optional<int> count) {
    const Screen active = activeScreen();
    const quint32 d = active.displayID;
    const auto all = screens();
    const auto windows = visibleWindows();
    forgetClosedFloors(windows);
    std::vector<WindowRef> candidates;
    for (const auto& w : windows)
        if (auto s = WindowGeometry::screen(w.axFrame, all); s && s->displayID == d)
            candidates.push_back(w);
    auto own = ownWindows(d);
    const int total = static_cast<int>(candidates.size() + own.size());
    const int n = (!count || total < *count) ? total : *count;
    if (n < 1)
        return {};
    Group group;
    const int others = std::min<int>(n, static_cast<int>(candidates.size()));
    group.windows.assign(candidates.begin(), candidates.begin() + others);
    group.own.assign(own.begin(), own.begin() + (n - others));
    group.visible = active.visibleFrame;
    return executeSort({group});
}

WindowEngine::SortOutcome WindowEngine::sortAll() {
    const auto windows = visibleWindows();
    forgetClosedFloors(windows);
    std::vector<platform::OwnWindows::Window> own;
    if (own_)
        own = own_->sortable();
    const auto all = screens();
    std::vector<Group> groups;
    for (const auto& s : all) {
        Group group;
        group.visible = s.visibleFrame;
        for (const auto& w : windows)
            if (auto on = WindowGeometry::screen(w.axFrame, all); on && on->displayID == s.displayID)
                group.windows.push_back(w);
        for (const auto& w : own)
            if (w.displayID != 0 && w.displayID == s.displayID)
                group.own.push_back({w.handle, w.frame, w.minSize});
        if (!group.windows.empty() || !group.own.empty())
            groups.push_back(std::move(group));
    }
    return executeSort(std::move(groups));
}

struct WindowEngine::SortSlot {
    std::optional<WindowRef> ref;
    std::optional<OwnWindowRef> own;
    int group = 0;
    QRectF cell; // top-left space
};

struct WindowEngine::SortPlan {
    std::vector<SortSlot> windows;
    QStringList tiledAround;
    QStringList unfit;
};

WindowEngine::SortOutcome WindowEngine::executeSort(std::vector<Group> groups) {
    std::erase_if(groups, [](const Group& g) { return g.windows.empty() && g.own.empty(); });
    if (groups.empty())
        return {};
    const double h = primaryHeight();
    SortPlan plan = planSort(groups, h);
    if (glideIntoCells(plan.windows)) {
        // Windows that kept a larger size than their cell raise their floors; lay
        // out again around them, twice at most.
        for (int pass = 0; pass < 2 && learnFloors(plan.windows); ++pass) {
            SortPlan fresh = planSort(groups, h);
            moveChangedCells(plan.windows, fresh.windows);
            plan = std::move(fresh);
        }
    }
    return tallySort(plan);
}

// One cell per window, group by group: other applications' windows, then our own.
WindowEngine::SortPlan WindowEngine::planSort(const std::vector<Group>& groups, double height) {
    SortPlan plan;
    for (int g = 0; g < static_cast<int>(groups.size()); ++g) {
        const auto cells =
            WindowGeometry::layoutGroup(groups[g], learnedFloors, height, plan.tiledAround, plan.unfit);
        const size_t others = groups[g].windows.size();
        for (size_t i = 0; i < others; ++i)
            plan.windows.push_back({groups[g].windows[i], std::nullopt, g, cells[i]});
        for (size_t j = 0; j < groups[g].own.size(); ++j)
            plan.windows.push_back({std::nullopt, groups[g].own[j], g, cells[others + j]});
    }
    return plan;
}

// Places our own windows and glides the others into their cells. False when the
// glide did not finish in time.
bool WindowEngine::glideIntoCells(const std::vector<SortSlot>& windows) {
    std::vector<WindowAnimator::Glide> glides;
    OwnPlacements own;
    for (const auto& slot : windows) {
        if (slot.ref) {
            const bool smooth =
                !slot.ref->bundleID || WindowAnimator::animatesSizeSmoothly(slot.ref->bundleID);
            glides.push_back({slot.ref->element, slot.ref->pid, slot.ref->axFrame, slot.cell, smooth});
        } else if (slot.own) {
            own.push_back({slot.own->window, slot.cell});
        }
    }
    placeOwnWindows(own, true);
    if (glides.empty()) {
        clock_.sleep(0.35);
        return true;
    }
    return glideAndWait(*animator_, clock_, std::move(glides));
}

void WindowEngine::placeOwnWindows(const OwnPlacements& placements, bool animated) {
    if (placements.empty() || !own_)
        return;
    own_->place(placements, animated && !own_->reduceMotion() ? 0.28 : 0.0);
}

// True when some floor grew.
bool WindowEngine::learnFloors(const std::vector<SortSlot>& windows) {
    bool grew = false;
    for (const auto& slot : windows) {
        if (!slot.ref)
            continue;
        if (const auto actual = axFrame(slot.ref->element))
            grew = learnFloor(learnedFloors, slot.ref->windowID, slot.cell, *actual) || grew;
    }
    return grew;
}

// Sets at once the windows whose cell moved between two layouts.
void WindowEngine::moveChangedCells(const std::vector<SortSlot>& before, const std::vector<SortSlot>& after) {
    OwnPlacements own;
    for (size_t i = 0; i < after.size() && i < before.size(); ++i) {
        const QRectF& cell = after[i].cell;
        if (!movedNoticeably(before[i].cell, cell))
            continue;
        if (after[i].ref)
            setAXFrameFitted(after[i].ref->element, cell);
        else if (after[i].own)
            own.push_back({after[i].own->window, cell});
    }
    placeOwnWindows(own, false);
    if (!own.empty())
        clock_.sleep(0.1);
}

// Counts the windows that ended at their cell's corner, and those of them that
// kept a larger size.
WindowEngine::SortOutcome WindowEngine::tallySort(const SortPlan& plan) {
    SortOutcome outcome;
    for (const auto& slot : plan.windows) {
        std::optional<QRectF> actual;
        if (slot.ref)
            actual = axFrame(slot.ref->element);
        else if (slot.own && own_)
            actual = own_->frame(slot.own->window);
        if (!actual)
            continue;
        if (std::abs(actual->x() - slot.cell.x()) <= landTolerance &&
            std::abs(actual->y() - slot.cell.y()) <= landTolerance) {
            ++outcome.landed;
            if (actual->width() > slot.cell.width() + landTolerance ||
                actual->height() > slot.cell.height() + landTolerance)
                ++outcome.keptMinimum;
        }
    }
    outcome.tiledAround = plan.tiledAround;
    outcome.unfit = plan.unfit;
    qCInfo(lcWindows, "sort: %d landed (%d kept their minimum size) of %d planned; around: %s; unfit: %s",
           outcome.landed, outcome.keptMinimum, static_cast<int>(plan.windows.size()),
           qPrintable(plan.tiledAround.join(',')), qPrintable(plan.unfit.join(',')));
    return outcome;
}

} // namespace brisklet
