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

WindowEngine::SortOutcome WindowEngine::sortActive(std::optional<int> count) {
    const Screen active = activeScreen();
    const quint32 d = active.displayID;
    const auto all = screens();
    const auto windows = visibleWindows();
    // Window numbers are reused: a floor belongs only to a window still listed.
    std::erase_if(learnedFloors, [&](const auto& entry) {
        return std::none_of(windows.begin(), windows.end(),
                            [&](const WindowRef& w) { return w.windowID == entry.first; });
    });
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
    std::erase_if(learnedFloors, [&](const auto& entry) {
        return std::none_of(windows.begin(), windows.end(),
                            [&](const WindowRef& w) { return w.windowID == entry.first; });
    });
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

WindowEngine::SortOutcome WindowEngine::executeSort(std::vector<Group> groups) {
    std::erase_if(groups, [](const Group& g) { return g.windows.empty() && g.own.empty(); });
    if (groups.empty())
        return {};
    const double h = primaryHeight();

    struct Slot {
        std::optional<WindowRef> ref;
        std::optional<OwnWindowRef> own;
        int group = 0;
        QRectF cell; // top-left space
    };
    QStringList tiledAround, unfit;
    auto buildSlots = [&] {
        tiledAround.clear();
        unfit.clear();
        std::vector<Slot> plan;
        for (int g = 0; g < static_cast<int>(groups.size()); ++g) {
            const auto cells = WindowGeometry::layoutGroup(groups[g], learnedFloors, h, tiledAround, unfit);
            const size_t others = groups[g].windows.size();
            for (size_t i = 0; i < others; ++i)
                plan.push_back({groups[g].windows[i], std::nullopt, g, cells[i]});
            for (size_t j = 0; j < groups[g].own.size(); ++j)
                plan.push_back({std::nullopt, groups[g].own[j], g, cells[others + j]});
        }
        return plan;
    };
    auto placeOwn = [&](const std::vector<std::pair<platform::OwnWindows::Handle, QRectF>>& pairs,
                        bool animated) {
        if (pairs.empty() || !own_)
            return;
        own_->place(pairs, animated && !own_->reduceMotion() ? 0.28 : 0.0);
    };

    auto plan = buildSlots();

    std::vector<WindowAnimator::Glide> glides;
    std::vector<std::pair<platform::OwnWindows::Handle, QRectF>> ownPairs;
    for (const auto& slot : plan) {
        if (slot.ref) {
            const bool smooth =
                !slot.ref->bundleID || WindowAnimator::animatesSizeSmoothly(slot.ref->bundleID);
            glides.push_back({slot.ref->element, slot.ref->pid, slot.ref->axFrame, slot.cell, smooth});
        } else if (slot.own) {
            ownPairs.push_back({slot.own->window, slot.cell});
        }
    }
    placeOwn(ownPairs, true);
    bool landed;
    if (glides.empty()) {
        clock_.sleep(0.35);
        landed = true;
    } else {
        auto box = std::make_shared<GlideWait>();
        Clock& clock = clock_;
        animator_->glide(std::move(glides), 0.3, 0.03, [box, &clock](std::vector<bool>) {
            std::lock_guard lock(box->mutex);
            box->done = true;
            box->doneAt = clock.now();
            box->cv.notify_all();
        });
        landed = waitForGlide(box, clock_, 3.5);
        // Stop the late glide before anything else sets frames.
        if (!landed)
            animator_->glide({}, 0, 0, {});
    }

    for (int pass = 0; landed && pass < 2; ++pass) {
        bool relayout = false;
        for (const auto& slot : plan) {
            if (!slot.ref)
                continue;
            const auto actual = axFrame(slot.ref->element);
            if (!actual)
                continue;
            const bool wider = slot.cell.width() + landTolerance < actual->width();
            const bool taller = slot.cell.height() + landTolerance < actual->height();
            const quint32 id = slot.ref->windowID;
            const auto found = learnedFloors.find(id);
            const QSizeF known = found != learnedFloors.end() ? found->second : QSizeF(0, 0);
            if (wider || taller) {
                const QSizeF learned(wider ? std::max(known.width(), actual->width()) : known.width(),
                                     taller ? std::max(known.height(), actual->height()) : known.height());
                if (learned != known) {
                    learnedFloors[id] = learned;
                    relayout = true;
                }
            } else if (found != learnedFloors.end()) {
                const QSizeF lowered(std::min(known.width(), actual->width()),
                                     std::min(known.height(), actual->height()));
                if (lowered == known)
                    continue;
                if (lowered.width() < 50 && lowered.height() < 50)
                    learnedFloors.erase(found);
                else
                    found->second = lowered;
            }
        }
        if (!relayout)
            break;
        auto fresh = buildSlots();
        std::vector<std::pair<platform::OwnWindows::Handle, QRectF>> collected;
        for (size_t i = 0; i < fresh.size() && i < plan.size(); ++i) {
            const QRectF& a = plan[i].cell;
            const QRectF& b = fresh[i].cell;
            const bool moved = std::abs(a.x() - b.x()) > 1 || std::abs(a.y() - b.y()) > 1 ||
                               std::abs(a.width() - b.width()) > 1 || std::abs(a.height() - b.height()) > 1;
            if (!moved)
                continue;
            if (fresh[i].ref)
                setAXFrameFitted(fresh[i].ref->element, b);
            else if (fresh[i].own)
                collected.push_back({fresh[i].own->window, b});
        }
        placeOwn(collected, false);
        if (!collected.empty())
            clock_.sleep(0.1);
        plan = std::move(fresh);
    }

    SortOutcome outcome;
    for (const auto& slot : plan) {
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
    outcome.tiledAround = tiledAround;
    outcome.unfit = unfit;
    qCInfo(lcWindows, "sort: %d landed (%d kept their minimum size) of %d planned; around: %s; unfit: %s",
           outcome.landed, outcome.keptMinimum, static_cast<int>(plan.size()),
           qPrintable(tiledAround.join(',')), qPrintable(unfit.join(',')));
    return outcome;
}

} // namespace brisklet
