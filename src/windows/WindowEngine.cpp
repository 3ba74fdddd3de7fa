#include "windows/WindowEngine.h"

#include "base/Log.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace brisklet {

using platform::WindowId;
using platform::WindowInfo;
using platform::WindowType;

namespace {

bool within(double a, double b, double tolerance) {
    return std::abs(a - b) <= tolerance;
}

bool fits(const QRectF& a, const QRectF& b) {
    const double t = WindowEngine::fitTolerance;
    return within(a.x(), b.x(), t) && within(a.y(), b.y(), t) && within(a.width(), b.width(), t) &&
           within(a.height(), b.height(), t);
}

bool unchanged(const QRectF& a, const QRectF& b) {
    return within(a.x(), b.x(), 1) && within(a.y(), b.y(), 1) && within(a.width(), b.width(), 1) &&
           within(a.height(), b.height(), 1);
}

} // namespace

WindowEngine::WindowEngine(platform::WindowSystem& windows, platform::OwnWindows* own,
                           platform::AppLauncher* launcher, Clock& clock, WindowAnimator::Timer animatorTimer)
    : windows_(windows), own_(own), launcher_(launcher), clock_(clock), ownPid_(::getpid()) {
    animator_ = std::make_unique<WindowAnimator>(*this, clock_, std::move(animatorTimer));
}

WindowEngine::~WindowEngine() = default;

// --- coordinates and displays

std::vector<Screen> WindowEngine::screens() {
    const auto displays = windows_.displays();
    std::vector<Screen> result;
    if (displays.empty())
        return result;
    const double h = displays.front().frame.y() + displays.front().frame.height();
    result.reserve(displays.size());
    for (const auto& d : displays)
        result.push_back({d.id, WindowGeometry::flip(d.frame, h), WindowGeometry::flip(d.visibleFrame, h)});
    return result;
}

double WindowEngine::primaryHeight() {
    const auto displays = windows_.displays();
    if (displays.empty())
        return 0;
    return displays.front().frame.y() + displays.front().frame.height();
}

QRectF WindowEngine::toAX(const QRectF& rect) {
    return WindowGeometry::flip(rect, primaryHeight());
}

std::optional<Screen> WindowEngine::screen(const QRectF& axRect) {
    return WindowGeometry::screen(axRect, screens());
}

Screen WindowEngine::activeScreen() {
    const auto all = screens();
    if (all.empty())
        return {};
    if (auto focused = focusedWindow())
        if (auto s = WindowGeometry::screen(focused->frame, all))
            return *s;
    if (auto p = windows_.pointer()) {
        const QPointF cocoa(p->x(), WindowGeometry::primaryHeight(all) - p->y());
        for (const auto& s : all)
            if (s.frame.contains(cocoa))
                return s;
    }
    // The display of our own focused window serves as the "main" one.
    if (own_)
        if (auto w = own_->focused())
            for (const auto& s : all)
                if (s.displayID == w->displayID)
                    return s;
    return all.front();
}

// --- reading and setting frames

std::optional<QRectF> WindowEngine::axFrame(WindowId element) {
    return windows_.frame(element);
}

std::optional<WindowInfo> WindowEngine::info(WindowId element) {
    return windows_.window(element);
}

std::optional<QString> WindowEngine::title(WindowId element) {
    if (auto w = info(element))
        return w->title;
    return std::nullopt;
}

bool WindowEngine::refusesOwnWindow(WindowId element) {
    bool refused = own_ && own_->owns(element);
    if (!refused)
        if (auto w = info(element))
            refused = w->pid != 0 && w->pid == ownPid_;
    if (refused)
        qCCritical(lcWindows) << "refused AX frame set on Brisklet's own window (crash guard)";
    return refused;
}

bool WindowEngine::setAXFrame(WindowId element, const QRectF& target) {
    if (refusesOwnWindow(element))
        return false;
    if (!std::isfinite(target.x()) || !std::isfinite(target.y()) || !std::isfinite(target.width()) ||
        !std::isfinite(target.height()))
        return false;
    return windows_.setFrame(element, target);
}

bool WindowEngine::setAXFrameFitted(WindowId element, const QRectF& target) {
    const std::optional<QRectF> before = axFrame(element);
    const bool ok = setAXFrame(element, target);
    std::optional<QRectF> read = axFrame(element);
    if (!read)
        return ok;
    QRectF current = *read;
    if (fits(current, target))
        return true;

    clock_.sleep(0.12);
    setAXFrame(element, target);
    if (auto again = axFrame(element))
        current = *again;
    if (fits(current, target))
        return true;

    // Some windows report the old frame for a while although the move was taken.
    if (before && ok && unchanged(current, *before)) {
        clock_.sleep(0.2);
        if (auto again = axFrame(element))
            current = *again;
        if (unchanged(current, *before))
            return true;
    }

    if (within(current.width(), target.width(), fitTolerance) &&
        within(current.height(), target.height(), fitTolerance))
        return within(current.x(), target.x(), fitTolerance) && within(current.y(), target.y(), fitTolerance);

    // The application kept a size of its own: keep it, but bring it back on screen.
    double x = target.x();
    double y = target.y();
    if (auto s = screen(target)) {
        const QRectF v = toAX(s->visibleFrame);
        if (target.x() + current.width() > v.x() + v.width())
            x = std::max(v.x(), v.x() + v.width() - current.width());
        if (target.y() + current.height() > v.y() + v.height())
            y = std::max(v.y(), v.y() + v.height() - current.height());
    }
    if (!refusesOwnWindow(element))
        windows_.setPosition(element, QPointF(x, y));
    if (auto again = axFrame(element))
        current = *again;
    return within(current.x(), x, fitTolerance) && within(current.y(), y, fitTolerance);
}

// --- listing

std::vector<WindowId> WindowEngine::axWindows(qint64 pid) {
    std::vector<WindowId> result;
    if (pid == 0)
        return result;
    for (const auto& w : windows_.windows())
        if (w.pid == pid)
            result.push_back(w.id);
    return result;
}

std::optional<WindowEngine::Match> WindowEngine::matchAXWindow(const QRectF& bounds,
                                                               std::vector<WindowId>& pool) {
    // One listing gives the types and titles of the whole pool.
    std::map<WindowId, WindowInfo> infos;
    for (auto& w : windows_.windows())
        infos.emplace(w.id, w);
    return matchAXWindow(bounds, pool, infos);
}

std::optional<WindowEngine::Match> WindowEngine::matchAXWindow(const QRectF& bounds,
                                                               std::vector<WindowId>& pool,
                                                               const std::map<WindowId, WindowInfo>& infos) {
    int unreadable = 0;
    std::vector<WindowId> sizeOnly;
    for (auto it = pool.begin(); it != pool.end(); ++it) {
        const auto frame = axFrame(*it);
        if (!frame) {
            ++unreadable;
            continue;
        }
        if (std::abs(frame->width() - bounds.width()) > 5 || std::abs(frame->height() - bounds.height()) > 5)
            continue;
        const auto found = infos.find(*it);
        if (found != infos.end() && found->second.type != WindowType::normal)
            continue;
        if (std::abs(frame->x() - bounds.x()) <= 5 && std::abs(frame->y() - bounds.y()) <= 5) {
            Match m{*it, *frame, found != infos.end() ? found->second.title : QString()};
            pool.erase(it);
            return m;
        }
        sizeOnly.push_back(*it);
    }
    if (sizeOnly.size() == 1 && unreadable == 0) {
        const WindowId candidate = sizeOnly.front();
        if (auto frame = axFrame(candidate)) {
            std::erase(pool, candidate);
            const auto found = infos.find(candidate);
            return Match{candidate, *frame, found != infos.end() ? found->second.title : QString()};
        }
    }
    return std::nullopt;
}

std::vector<WindowRef> WindowEngine::visibleWindows() {
    const auto all = windows_.windows();
    std::map<qint64, std::vector<WindowId>> pools;
    std::map<WindowId, WindowInfo> infos;
    for (const auto& w : all)
        infos.emplace(w.id, w);
    std::vector<WindowRef> result;
    for (const auto& w : all) {
        if (!w.onCurrentDesktop || w.iconic || !w.frame)
            continue;
        if (w.type != WindowType::normal)
            continue;
        if (w.pid == 0 || w.pid == ownPid_)
            continue;
        if (!(w.frame->width() > 200 && w.frame->height() > 150))
            continue;
        if (WindowGeometry::isExcludedOwner(w))
            continue;
        auto pool = pools.find(w.pid);
        if (pool == pools.end()) {
            // Only windows shown here may pair: a minimised twin with the same
            // frame in front would otherwise take the visible one's place.
            std::vector<WindowId> ids;
            for (const auto& other : all)
                if (other.pid == w.pid && other.onCurrentDesktop && !other.iconic)
                    ids.push_back(other.id);
            pool = pools.emplace(w.pid, std::move(ids)).first;
        }
        if (pool->second.empty())
            continue;
        auto match = matchAXWindow(*w.frame, pool->second, infos);
        if (!match)
            continue;
        WindowRef ref;
        ref.pid = w.pid;
        ref.element = match->element;
        ref.axFrame = match->frame;
        ref.appName = w.appName;
        if (!w.appId.isEmpty())
            ref.bundleID = w.appId;
        ref.title = match->title;
        ref.windowID = w.id;
        result.push_back(std::move(ref));
    }
    return result;
}

std::optional<WindowEngine::Focused> WindowEngine::focusedWindow() {
    const auto active = windows_.activeWindow();
    if (!active)
        return std::nullopt;
    const auto frame = axFrame(*active);
    if (!frame)
        return std::nullopt;
    return Focused{*active, *frame};
}

std::set<qint64> WindowEngine::pidsOnCurrentSpace() {
    std::set<qint64> pids;
    for (const auto& w : windows_.windows())
        if (w.onCurrentDesktop && !w.iconic && w.type == WindowType::normal && w.pid != 0)
            pids.insert(w.pid);
    return pids;
}

} // namespace brisklet
