// Moves of one window or application: halves, maximise, centre, the next display,
// hiding the others and making sure an application shows windows.
#include "windows/WindowEngine.h"

#include "base/Log.h"

#include <algorithm>

namespace brisklet {

using platform::WindowType;

template <typename F>
auto WindowEngine::pollFor(double seconds, double step, F&& probe) -> decltype(probe()) {
    const double deadline = clock_.now() + seconds;
    for (;;) {
        auto result = probe();
        const double now = clock_.now();
        if (!result.empty() || now >= deadline)
            return result;
        clock_.sleep(std::min(step, deadline - now));
    }
}

namespace {
bool isOwnFront(platform::WindowSystem& ws, platform::OwnWindows* own, qint64 ownPid) {
    const auto active = ws.activeWindow();
    if (!active)
        return false;
    if (own && own->owns(*active))
        return true;
    const auto info = ws.window(*active);
    return info && info->pid != 0 && info->pid == ownPid;
}
} // namespace

bool WindowEngine::move(WindowPosition position) {
    if (isOwnFront(windows_, own_, ownPid_))
        return moveOwnFrontWindow(position);
    const auto focused = focusedWindow();
    if (!focused)
        return false;
    const auto s = screen(focused->frame);
    if (!s)
        return false;
    const QRectF target =
        toAX(WindowGeometry::targetRect(position, toCocoa(focused->frame), s->visibleFrame));
    return setAXFrameFitted(focused->element, target);
}

bool WindowEngine::nextDisplay() {
    const auto all = screens();
    if (all.size() < 2)
        return false;
    if (isOwnFront(windows_, own_, ownPid_))
        return ownWindowToNextDisplay();
    const auto focused = focusedWindow();
    if (!focused)
        return false;
    const auto s = WindowGeometry::screen(focused->frame, all);
    if (!s)
        return false;
    const auto rect = WindowGeometry::nextDisplayRect(toCocoa(focused->frame), *s, all);
    if (!rect)
        return false;
    return setAXFrameFitted(focused->element, toAX(*rect));
}

bool WindowEngine::moveOwnFrontWindow(WindowPosition position) {
    if (!own_)
        return false;
    const auto window = own_->front();
    if (!window)
        return false;
    const auto all = screens();
    // The window's own display; else the main one (that of our focused window);
    // else the first. Where other apps' windows or the pointer are plays no part.
    const auto onDisplay = [&](quint32 id) -> std::optional<Screen> {
        for (const auto& s : all)
            if (id != 0 && s.displayID == id)
                return s;
        return std::nullopt;
    };
    std::optional<Screen> found = onDisplay(window->displayID);
    if (!found)
        if (const auto main = own_->focused())
            found = onDisplay(main->displayID);
    const Screen on = found ? *found : all.empty() ? Screen{} : all.front();
    const QRectF target = WindowGeometry::targetRect(position, toCocoa(window->frame), on.visibleFrame);
    own_->place({{window->handle, toAX(target)}}, 0.22);
    return true;
}

bool WindowEngine::ownWindowToNextDisplay() {
    if (!own_)
        return false;
    const auto window = own_->focused();
    if (!window)
        return false;
    const auto all = screens();
    const auto on = std::find_if(all.begin(), all.end(),
                                 [&](const Screen& s) { return s.displayID == window->displayID; });
    if (on == all.end())
        return false;
    const auto rect = WindowGeometry::nextDisplayRect(toCocoa(window->frame), *on, all);
    if (!rect)
        return false;
    own_->place({{window->handle, toAX(*rect)}}, 0);
    return true;
}

void WindowEngine::hideOthers() {
    const auto all = windows_.windows();
    qint64 frontPid = 0;
    QString frontApp;
    if (const auto active = windows_.activeWindow())
        for (const auto& w : all)
            if (w.id == *active) {
                frontPid = w.pid;
                frontApp = w.appId;
            }
    int hidden = 0;
    for (const auto& w : all) {
        if (w.type != WindowType::normal || w.skipTaskbar || w.iconic || WindowGeometry::isExcludedOwner(w))
            continue;
        if (w.pid == ownPid_ || (own_ && own_->owns(w.id)))
            continue;
        if ((frontPid != 0 && w.pid == frontPid) || (!frontApp.isEmpty() && w.appId == frontApp))
            continue;
        if (windows_.iconify(w.id))
            ++hidden;
    }
    qCInfo(lcWindows) << "hide others: iconified" << hidden << "windows";
}

bool WindowEngine::unminimizeWindows(qint64 pid) {
    bool any = false;
    for (const auto& w : windows_.windows())
        if (w.pid == pid && w.iconic && w.type == WindowType::normal)
            any = windows_.deiconify(w.id) || any;
    return any;
}

std::vector<WindowRef> WindowEngine::windowsEnsuringLaunch(const QString& bundleID,
                                                           const std::optional<QString>& url) {
    auto current = [&] {
        std::vector<WindowRef> mine;
        for (auto& w : visibleWindows())
            if (w.bundleID && *w.bundleID == bundleID)
                mine.push_back(std::move(w));
        return mine;
    };
    if (auto now = current(); !now.empty() || bundleID.isEmpty())
        return now;

    std::vector<platform::WindowInfo> running;
    for (const auto& w : windows_.windows())
        if (w.appId == bundleID && w.type == WindowType::normal)
            running.push_back(w);
    if (!running.empty()) {
        const qint64 pid = running.front().pid;
        const bool hidden =
            std::all_of(running.begin(), running.end(), [](const auto& w) { return w.iconic; });
        if (hidden) {
            if (launcher_)
                launcher_->unhide(bundleID);
            else
                for (const auto& w : running)
                    windows_.deiconify(w.id);
            if (auto shown = pollFor(1.0, 0.15, current); !shown.empty())
                return shown;
        }
        if (unminimizeWindows(pid))
            if (auto shown = pollFor(1.5, 0.2, current); !shown.empty())
                return shown;
        // Its windows live on another desktop: starting it again would not help.
        if (!pidsOnCurrentSpace().count(pid) && !axWindows(pid).empty())
            return {};
    }

    if (!launcher_)
        return {};
    QStringList urls;
    if (url && !url->isEmpty() && launcher_->acceptsUrls(bundleID))
        urls << *url;
    auto launched = launcher_->launch(bundleID, urls);
    if (!launched.ok && !urls.isEmpty()) {
        // The app may still start without the page.
        qCWarning(lcWindows) << "couldn't launch" << bundleID << "with" << urls.front() << launched.error
                             << "— starting it alone";
        launched = launcher_->launch(bundleID, {});
    }
    if (!launched.ok) {
        qCWarning(lcWindows) << "couldn't launch" << bundleID << launched.error;
        return {};
    }
    return pollFor(5.0, 0.25, current);
}

} // namespace brisklet
