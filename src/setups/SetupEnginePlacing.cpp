// Where a run's windows go and how they are brought forward.
#include "setups/SetupEngine.h"
#include "setups/SetupEngineRun.h"

#include "base/Log.h"
#include "platform/AppLauncher.h"
#include "platform/OwnWindows.h"
#include "windows/DisplayArrangement.h"
#include "windows/WindowMatching.h"

#include <QDateTime>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace brisklet {

namespace {

// Where a glide's completion leaves its results. Shared, because the completion may
// come after the run stopped waiting for it.
struct GlideBox {
    std::mutex mutex;
    std::condition_variable cv;
    std::optional<std::vector<bool>> results;
};

} // namespace

std::optional<SetupEngine::Placement>
SetupEngine::placement(const SetupFrame& frame, const std::vector<QRectF>& visibleFrames, int& cascadeSlot) {
    if (visibleFrames.empty())
        return std::nullopt;
    auto on = [&](const QRectF& v) {
        return QRectF(v.x() + frame.rx * v.width(), v.y() + frame.ry * v.height(), frame.rw * v.width(),
                      frame.rh * v.height());
    };
    if (frame.displayIndex >= 0 && static_cast<size_t>(frame.displayIndex) < visibleFrames.size())
        return Placement{on(visibleFrames[static_cast<size_t>(frame.displayIndex)]), false};
    const QRectF& first = visibleFrames.front();
    const QRectF rect = DisplayArrangement::cascaded(on(first), cascadeSlot, first);
    cascadeSlot += 1;
    return Placement{rect, true};
}

std::optional<QRectF> SetupEngine::targetAXRect(const SetupFrame& frame, Run& run) {
    const auto placed = placement(frame, run.visibleFrames, run.cascadeSlot);
    if (!placed)
        return std::nullopt;
    if (placed->cascaded)
        run.cascadedCount += 1;
    return windows_.toAX(placed->rect);
}

QString SetupEngine::cascadeNote(int count) {
    return QString::number(count) + QStringLiteral(" window") +
           (count == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(" belong") +
           (count == 1 ? QStringLiteral("s") : QString()) +
           QStringLiteral(" on a display that isn't connected — placed on your main screen.");
}

QStringList SetupEngine::surfaceOrder(const std::vector<SetupItem>& items) {
    QStringList reversed;
    for (auto it = items.rbegin(); it != items.rend(); ++it)
        if (!reversed.contains(it->bundleID))
            reversed << it->bundleID;
    std::reverse(reversed.begin(), reversed.end());
    return reversed;
}

void SetupEngine::pairWindows(const Group& group, const std::vector<WindowRef>& windows, Run& run) {
    std::vector<const SetupItem*> framed;
    for (const auto& item : group.items)
        if (item.frame)
            framed.push_back(&item);
    if (framed.empty())
        return;
    std::vector<WindowMatching::LiveWindow> live;
    for (const auto& w : windows)
        live.push_back({w.title, w.axFrame});
    std::vector<QString> slotTitles;
    for (const auto* item : framed)
        slotTitles.push_back(item->title);
    const QString appName = group.items.front().appName;
    for (const auto& pair : WindowMatching::pair(live, slotTitles)) {
        const auto target = targetAXRect(*framed[static_cast<size_t>(pair.slot)]->frame, run);
        if (!target)
            continue;
        const WindowRef& w = windows[static_cast<size_t>(pair.win)];
        run.pending.push_back({w.element, w.pid, w.axFrame, *target, group.bundleID, w.title, appName});
        run.itemWindows.emplace_back(framed[static_cast<size_t>(pair.slot)]->id, w.element);
    }
}

bool SetupEngine::reduceMotion() {
    return c_.own && c_.own->reduceMotion();
}

// Glides the first `count` placements and waits for them; nothing when the glide
// didn't answer in time with one result each.
std::vector<bool> SetupEngine::glide(const std::vector<PendingPlacement>& pending, int count) {
    std::vector<WindowAnimator::Glide> glides;
    for (int i = 0; i < count; ++i) {
        const auto& p = pending[static_cast<size_t>(i)];
        glides.push_back({p.element, p.pid, p.from, p.target, WindowAnimator::animatesSizeSmoothly(p.bid)});
    }
    auto box = std::make_shared<GlideBox>();
    animator_->glide(std::move(glides), glideDuration, glideStagger, [box](std::vector<bool> results) {
        std::lock_guard lock(box->mutex);
        box->results = std::move(results);
        box->cv.notify_all();
    });
    const double deadline = clock_.now() + glideWait;
    // A backstop in real time, for a clock that stands still.
    const auto hardStop = std::chrono::steady_clock::now() + std::chrono::duration<double>(glideWait + 10.0);
    std::unique_lock lock(box->mutex);
    while (!box->results) {
        if (clock_.now() >= deadline || std::chrono::steady_clock::now() >= hardStop)
            break;
        box->cv.wait_for(lock, std::chrono::milliseconds(5));
    }
    if (box->results && static_cast<int>(box->results->size()) == count)
        return *box->results;
    lock.unlock();
    // Too late: stop it before the frames are set directly, so it can't fight them.
    animator_->glide({}, 0, 0, {});
    qCWarning(lcWindows) << "setup glide didn't finish in time — setting frames directly";
    return {};
}

void SetupEngine::placePending(Run& run) {
    const auto& pending = run.pending;
    std::vector<bool> results(pending.size(), false);
    const int glideCount = reduceMotion() ? 0 : std::min(static_cast<int>(pending.size()), maxGlides);
    for (size_t i = static_cast<size_t>(glideCount); i < pending.size(); ++i)
        results[i] = windows_.setAXFrameFitted(pending[i].element, pending[i].target);
    if (glideCount > 0) {
        auto glided = glide(pending, glideCount);
        for (int i = 0; i < glideCount; ++i) {
            const auto& p = pending[static_cast<size_t>(i)];
            results[static_cast<size_t>(i)] = glided.empty() ? windows_.setAXFrameFitted(p.element, p.target)
                                                             : glided[static_cast<size_t>(i)];
        }
    }
    QStringList failedApps;
    for (size_t i = 0; i < pending.size(); ++i) {
        if (results[i]) {
            run.report.placed += 1;
            run.applied.push_back({pending[i].bid, pending[i].title, pending[i].target});
        } else if (!failedApps.contains(pending[i].appName)) {
            failedApps << pending[i].appName;
        }
    }
    for (const auto& name : failedApps)
        run.report.notes << QStringLiteral("Couldn't place a ") + name + QStringLiteral(" window.");
}

// --- bringing forward

void SetupEngine::bringForward(const Setup& setup, Run& run) {
    const QStringList order = surfaceOrder(setup.items);
    const bool stage = c_.stageManagerActive && c_.stageManagerActive();
    if (stage && !order.isEmpty())
        run.report.notes << QStringLiteral("Stage Manager is on — apps were brought forward one by one.");
    if (order.isEmpty() || !c_.launcher)
        return;

    bool unhid = false;
    for (const auto& id : order)
        if (isHidden(id)) {
            c_.launcher->unhide(id);
            unhid = true;
        }
    if (unhid)
        clock_.sleep(0.2);

    std::map<QString, std::vector<WindowRef>> visible;
    if (!stage)
        for (auto& w : windows_.visibleWindows())
            visible[w.bundleID.value_or(QString())].push_back(std::move(w));
    const auto spacePids = windows_.pidsOnCurrentSpace();

    // The windows are restacked, which leaves the focus alone; only the last item's
    // window is activated, so the focus moves once instead of window by window.
    std::optional<platform::WindowId> below;
    std::optional<platform::WindowId> lastRaised;
    for (const auto& id : order) {
        lastRaised.reset();
        const auto pids = instancePids(id);
        if (pids.empty())
            continue;
        if (isHidden(id))
            c_.launcher->unhide(id);
        else if (!spacePids.contains(pids.front()))
            continue;
        if (stage) {
            c_.launcher->activate(id);
            clock_.sleep(0.12);
            continue;
        }
        for (const auto element : windowsToRaise(id, setup.items, run, visible))
            if (windows_.windowSystem().restack(element, below))
                below = lastRaised = element;
    }
    bringLastAppToFront(order.back(), spacePids, lastRaised);
}

// The app's windows in its items' order, so that the last item's ends on top; an
// app whose items got no window of their own shows its front one.
std::vector<platform::WindowId>
SetupEngine::windowsToRaise(const QString& bundleID, const std::vector<SetupItem>& items, const Run& run,
                            const std::map<QString, std::vector<WindowRef>>& visible) {
    std::vector<platform::WindowId> chosen;
    for (const auto& item : items) {
        if (item.bundleID != bundleID)
            continue;
        for (const auto& [id, window] : run.itemWindows)
            if (id == item.id && std::find(chosen.begin(), chosen.end(), window) == chosen.end()) {
                chosen.push_back(window);
                break;
            }
    }
    if (chosen.empty())
        if (const auto found = visible.find(bundleID); found != visible.end() && !found->second.empty())
            chosen.push_back(found->second.front().element);
    return chosen;
}

void SetupEngine::bringLastAppToFront(const QString& bundleID, const std::set<qint64>& spacePids,
                                      std::optional<platform::WindowId> raised) {
    auto& ws = windows_.windowSystem();
    const auto active = ws.activeWindow();
    // The focus may sit in a window of the app that others cover.
    if (raised) {
        if (active != raised)
            ws.activate(*raised);
        return;
    }
    if (active)
        if (const auto info = ws.window(*active); info && info->appId == bundleID)
            return;
    const auto pids = instancePids(bundleID);
    if (!pids.empty() && spacePids.contains(pids.front()))
        c_.launcher->activate(bundleID);
}

} // namespace brisklet
