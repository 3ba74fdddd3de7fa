#include "support/FakeDesktop.h"

#include <algorithm>

namespace brisklet::test {

using platform::WindowId;

void FakeDesktop::setDisplays(std::vector<platform::Display> displays) {
    std::lock_guard lock(mutex_);
    displays_ = std::move(displays);
}

platform::Display FakeDesktop::display(quint32 id, const QRectF& frame, double panelTop) {
    return {id, frame, frame.adjusted(0, panelTop, 0, 0), QStringLiteral("D%1").arg(id)};
}

WindowId FakeDesktop::addWindow(qint64 pid, const QString& appId, const QRectF& frame, const QString& title) {
    Window w;
    w.info.pid = pid;
    w.info.appId = appId;
    w.info.appName = appId.isEmpty() ? QString() : appId.left(1).toUpper() + appId.mid(1);
    w.info.wmInstance = appId;
    w.info.wmClass = w.info.appName;
    w.info.title = title;
    w.info.frame = frame;
    return addWindow(std::move(w));
}

WindowId FakeDesktop::addWindow(Window window) {
    std::lock_guard lock(mutex_);
    if (window.info.id == 0)
        window.info.id = nextId_++;
    Entry e{window, window.info.frame.value_or(QRectF()), -1};
    windows_.push_back(e);
    return window.info.id;
}

FakeDesktop::Entry* FakeDesktop::find(WindowId id) {
    for (auto& e : windows_)
        if (e.w.info.id == id)
            return &e;
    return nullptr;
}

void FakeDesktop::update(WindowId id, const std::function<void(Window&)>& change) {
    std::lock_guard lock(mutex_);
    if (auto* e = find(id)) {
        change(e->w);
        e->shown = e->w.info.frame.value_or(QRectF());
    }
}

void FakeDesktop::raise(WindowId id) {
    std::lock_guard lock(mutex_);
    auto it =
        std::find_if(windows_.begin(), windows_.end(), [&](const Entry& e) { return e.w.info.id == id; });
    if (it != windows_.end())
        std::rotate(windows_.begin(), it, it + 1);
}

void FakeDesktop::remove(WindowId id) {
    std::lock_guard lock(mutex_);
    std::erase_if(windows_, [&](const Entry& e) { return e.w.info.id == id; });
    if (active_ == id)
        active_.reset();
}

void FakeDesktop::setActive(std::optional<WindowId> id) {
    std::lock_guard lock(mutex_);
    active_ = id;
}

void FakeDesktop::setPointer(std::optional<QPointF> point) {
    std::lock_guard lock(mutex_);
    pointer_ = point;
}

void FakeDesktop::onRequest(std::function<void(WindowId, const QRectF&)> hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

FakeDesktop::Window FakeDesktop::get(WindowId id) {
    std::lock_guard lock(mutex_);
    auto* e = find(id);
    return e ? e->w : Window{};
}

QRectF FakeDesktop::frameOf(WindowId id) {
    return get(id).info.frame.value_or(QRectF());
}

std::vector<FakeDesktop::Request> FakeDesktop::requests() {
    std::lock_guard lock(mutex_);
    return requests_;
}

int FakeDesktop::setFrameCount() {
    std::lock_guard lock(mutex_);
    return setFrames_;
}

std::vector<WindowId> FakeDesktop::iconified() {
    std::lock_guard lock(mutex_);
    return iconified_;
}

std::vector<WindowId> FakeDesktop::closed() {
    std::lock_guard lock(mutex_);
    return closed_;
}

bool FakeDesktop::listed(const Entry& e) const {
    return clock_.now() >= e.w.appearsAt;
}

std::vector<platform::Display> FakeDesktop::displays() {
    std::lock_guard lock(mutex_);
    return displays_;
}

std::vector<platform::WindowInfo> FakeDesktop::windows() {
    std::lock_guard lock(mutex_);
    std::vector<platform::WindowInfo> result;
    for (const auto& e : windows_) {
        if (!listed(e))
            continue;
        auto info = e.w.info;
        if (e.w.unreadable)
            info.frame.reset();
        else
            info.frame = e.shown;
        if (e.movedAt >= 0 && clock_.now() >= e.movedAt + e.w.lag)
            info.frame = e.w.info.frame;
        result.push_back(info);
    }
    return result;
}

std::optional<QRectF> FakeDesktop::frame(WindowId window) {
    std::lock_guard lock(mutex_);
    auto* e = find(window);
    if (!e || e->w.unreadable || !listed(*e))
        return std::nullopt;
    if (e->movedAt >= 0 && clock_.now() < e->movedAt + e->w.lag)
        return e->shown;
    e->shown = e->w.info.frame.value_or(QRectF());
    return e->shown;
}

void FakeDesktop::apply(Entry& e, QRectF f) {
    if (e.w.ignoresMoves)
        return;
    if (e.w.dropsMoves > 0) {
        --e.w.dropsMoves;
        return;
    }
    // The window manager enforces the size limits.
    double w = f.width(), h = f.height();
    if (e.w.minSize.width() > 0)
        w = std::max(w, e.w.minSize.width());
    if (e.w.minSize.height() > 0)
        h = std::max(h, e.w.minSize.height());
    if (e.w.maxSize.width() > 0)
        w = std::min(w, e.w.maxSize.width());
    if (e.w.maxSize.height() > 0)
        h = std::min(h, e.w.maxSize.height());
    if (e.w.lag > 0 && e.movedAt < 0)
        e.shown = e.w.info.frame.value_or(QRectF());
    e.w.info.frame = QRectF(f.x(), f.y(), w, h);
    if (e.w.lag > 0)
        e.movedAt = clock_.now();
    else
        e.shown = *e.w.info.frame;
}

bool FakeDesktop::setFrame(WindowId window, const QRectF& frame) {
    std::lock_guard lock(mutex_);
    ++setFrames_;
    auto* e = find(window);
    if (!e)
        return false;
    apply(*e, frame);
    return true;
}

bool FakeDesktop::setPosition(WindowId window, const QPointF& topLeft) {
    std::lock_guard lock(mutex_);
    auto* e = find(window);
    if (!e)
        return false;
    const QRectF current = e->w.info.frame.value_or(QRectF());
    apply(*e, QRectF(topLeft, current.size()));
    return true;
}

void FakeDesktop::requestFrame(WindowId window, const QRectF& frame, bool withSize) {
    std::function<void(WindowId, const QRectF&)> hook;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back({window, frame, clock_.now()});
        if (auto* e = find(window)) {
            const QRectF current = e->w.info.frame.value_or(QRectF());
            apply(*e, withSize ? frame : QRectF(frame.topLeft(), current.size()));
        }
        hook = hook_;
    }
    if (hook)
        hook(window, frame);
}

std::optional<WindowId> FakeDesktop::activeWindow() {
    std::lock_guard lock(mutex_);
    // As a window manager does: a new window takes the focus when it maps, not before.
    for (Entry& e : windows_) {
        if (e.w.takesFocus && listed(e)) {
            e.w.takesFocus = false;
            active_ = e.w.info.id;
        }
    }
    return active_;
}

bool FakeDesktop::activate(WindowId window) {
    std::lock_guard lock(mutex_);
    auto* e = find(window);
    if (!e)
        return false;
    e->w.info.iconic = false;
    active_ = window;
    return true;
}

bool FakeDesktop::restack(WindowId window, std::optional<WindowId> above) {
    std::lock_guard lock(mutex_);
    auto it =
        std::find_if(windows_.begin(), windows_.end(), [&](const Entry& e) { return e.w.info.id == window; });
    if (it == windows_.end())
        return false;
    Entry moved = std::move(*it);
    windows_.erase(it);
    auto sibling = above ? std::find_if(windows_.begin(), windows_.end(),
                                        [&](const Entry& e) { return e.w.info.id == *above; })
                         : windows_.begin();
    windows_.insert(sibling == windows_.end() ? windows_.begin() : sibling, std::move(moved));
    return true;
}

bool FakeDesktop::iconify(WindowId window) {
    std::lock_guard lock(mutex_);
    auto* e = find(window);
    if (!e)
        return false;
    e->w.info.iconic = true;
    iconified_.push_back(window);
    if (active_ == window)
        active_.reset();
    return true;
}

// Mapping a window again brings it to the front, as activating does.
bool FakeDesktop::deiconify(WindowId window) {
    return activate(window);
}

bool FakeDesktop::close(WindowId window) {
    std::lock_guard lock(mutex_);
    if (!find(window))
        return false;
    closed_.push_back(window);
    std::erase_if(windows_, [&](const Entry& e) { return e.w.info.id == window; });
    return true;
}

std::optional<QPointF> FakeDesktop::pointer() {
    std::lock_guard lock(mutex_);
    return pointer_;
}

QString FakeDesktop::startupId(WindowId window) {
    std::lock_guard lock(mutex_);
    const auto* e = find(window);
    return e && listed(*e) ? e->w.startupId : QString();
}

// --- own windows

FakeOwnWindows::Handle FakeOwnWindows::add(const QRectF& frame, quint32 displayID, QSizeF minSize,
                                           bool focused) {
    std::lock_guard lock(mutex_);
    Entry e;
    e.window = {next_++, frame, minSize, displayID};
    e.focused = focused;
    entries_.push_back(e);
    return e.window.handle;
}

void FakeOwnWindows::update(Handle handle, const std::function<void(Entry&)>& change) {
    std::lock_guard lock(mutex_);
    for (auto& e : entries_)
        if (e.window.handle == handle)
            change(e);
}

std::vector<std::pair<FakeOwnWindows::Handle, QRectF>> FakeOwnWindows::placed() {
    std::lock_guard lock(mutex_);
    return placed_;
}

std::vector<double> FakeOwnWindows::durations() {
    std::lock_guard lock(mutex_);
    return durations_;
}

std::vector<platform::OwnWindows::Window> FakeOwnWindows::sortable() {
    std::lock_guard lock(mutex_);
    std::vector<Window> result;
    for (const auto& e : entries_)
        if (e.sortable)
            result.push_back(e.window);
    return result;
}

std::optional<platform::OwnWindows::Window> FakeOwnWindows::front() {
    if (auto f = focused())
        return f;
    auto all = sortable();
    if (all.empty())
        return std::nullopt;
    return all.front();
}

std::optional<platform::OwnWindows::Window> FakeOwnWindows::focused() {
    std::lock_guard lock(mutex_);
    for (const auto& e : entries_)
        if (e.focused)
            return e.window;
    return std::nullopt;
}

std::optional<QRectF> FakeOwnWindows::frame(Handle window) {
    std::lock_guard lock(mutex_);
    for (const auto& e : entries_)
        if (e.window.handle == window)
            return e.window.frame;
    return std::nullopt;
}

void FakeOwnWindows::place(const std::vector<std::pair<Handle, QRectF>>& frames, double duration) {
    std::lock_guard lock(mutex_);
    for (const auto& [handle, rect] : frames) {
        placed_.push_back({handle, rect});
        for (auto& e : entries_)
            if (e.window.handle == handle) {
                const QSizeF min = e.window.minSize;
                e.window.frame = QRectF(rect.topLeft(), QSizeF(std::max(rect.width(), min.width()),
                                                               std::max(rect.height(), min.height())));
            }
    }
    durations_.push_back(duration);
}

bool FakeOwnWindows::owns(platform::WindowId window) {
    std::lock_guard lock(mutex_);
    return window != 0 &&
           std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.xid == window; });
}

// --- launcher

void FakeLauncher::install(const QString& id, App app) {
    std::lock_guard lock(mutex_);
    apps_[id] = app;
}

std::vector<FakeLauncher::Call> FakeLauncher::launches() {
    std::lock_guard lock(mutex_);
    return launches_;
}

std::vector<QString> FakeLauncher::unhidden() {
    std::lock_guard lock(mutex_);
    return unhidden_;
}

platform::AppLauncher::Launch FakeLauncher::launch(const QString& desktopId, const QStringList& urls) {
    App app;
    qint64 pid, owner;
    {
        std::lock_guard lock(mutex_);
        launches_.push_back({desktopId, urls});
        auto it = apps_.find(desktopId);
        if (it == apps_.end())
            return {false, 0, QStringLiteral("no such application"), {}};
        app = it->second;
        if (app.fails || (app.failsWithUrls && !urls.isEmpty()))
            return {false, 0, QStringLiteral("exec failed"), {}};
        pid = app.pid ? app.pid : nextPid_++;
        owner = app.owner == App::Owner::launched ? pid : nextPid_++;
        if (app.owner == App::Owner::child)
            parents_[owner] = pid;
    }
    const QString startupId = QStringLiteral("launch-%1").arg(launches().size());
    const QString mark = app.startupId == App::Mark::launch    ? startupId
                         : app.startupId == App::Mark::another ? QStringLiteral("another-launch")
                                                               : QString();
    if (app.handsOffTo) {
        desktop_.update(app.handsOffTo, [&](FakeDesktop::Window& w) { w.startupId = mark; });
        desktop_.activate(app.handsOffTo);
    } else if (app.delay >= 0) {
        FakeDesktop::Window w;
        w.info.pid = owner;
        using Names = App::Names;
        const bool byLaunch = app.names == Names::nothing && app.owner != App::Owner::other;
        w.info.appId = app.names == Names::entry || byLaunch ? desktopId
                       : app.names == Names::another         ? QStringLiteral("org.example.Other")
                                                             : QString();
        w.info.appName = desktopId;
        w.info.title = urls.isEmpty() ? desktopId : urls.front();
        w.info.type = app.type;
        w.info.frame = app.frame;
        w.appearsAt = clock_.now() + app.delay;
        w.takesFocus = app.takesFocus;
        w.startupId = mark;
        desktop_.addWindow(w);
    }
    return {true, pid, {}, startupId};
}

bool FakeLauncher::acceptsUrls(const QString& desktopId) {
    std::lock_guard lock(mutex_);
    auto it = apps_.find(desktopId);
    return it != apps_.end() && it->second.acceptsUrls;
}

bool FakeLauncher::activate(const QString& desktopId) {
    {
        std::lock_guard lock(mutex_);
        const auto it = apps_.find(desktopId);
        if (it != apps_.end() && !it->second.activates)
            return false;
    }
    for (const auto& w : desktop_.windows())
        if (w.appId == desktopId)
            return desktop_.activate(w.id);
    return false;
}

bool FakeLauncher::hide(const QString& desktopId) {
    bool any = false;
    for (const auto& w : desktop_.windows())
        if (w.appId == desktopId)
            any = desktop_.iconify(w.id) || any;
    return any;
}

bool FakeLauncher::unhide(const QString& desktopId) {
    {
        std::lock_guard lock(mutex_);
        unhidden_.push_back(desktopId);
    }
    bool any = false;
    for (const auto& w : desktop_.windows())
        if (w.appId == desktopId && w.iconic)
            any = desktop_.deiconify(w.id) || any;
    return any;
}

bool FakeLauncher::startedBy(qint64 pid, qint64 launched) {
    std::lock_guard lock(mutex_);
    while (pid > 0 && pid != launched) {
        const auto parent = parents_.find(pid);
        pid = parent == parents_.end() ? 0 : parent->second;
    }
    return pid > 0;
}

bool FakeLauncher::quit(const QString& desktopId) {
    bool any = false;
    for (const auto& w : desktop_.windows())
        if (w.appId == desktopId)
            any = desktop_.close(w.id) || any;
    return any;
}

} // namespace brisklet::test
