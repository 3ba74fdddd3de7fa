#include "platform/linux/QtOwnWindows.h"

#include "base/MainThread.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QVariantAnimation>
#include <QWindow>

namespace brisklet::platform {

namespace {

bool isPanel(const QWindow* w) {
    const Qt::WindowType type = w->type();
    if (type == Qt::Tool || type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen ||
        type == Qt::Drawer)
        return true;
    return w->flags().testFlag(Qt::X11BypassWindowManagerHint);
}

bool isTitled(const QWindow* w) {
    return !w->flags().testFlag(Qt::FramelessWindowHint);
}

QWindow* byHandle(OwnWindows::Handle handle) {
    for (QWindow* w : QGuiApplication::topLevelWindows())
        if (w->handle() && static_cast<OwnWindows::Handle>(w->winId()) == handle)
            return w;
    return nullptr;
}

// Logical Qt geometry to pixels in root coordinates.
QRectF pixels(const QRect& r, qreal dpr) {
    return QRectF(r.x() * dpr, r.y() * dpr, r.width() * dpr, r.height() * dpr);
}

} // namespace

QtOwnWindows::QtOwnWindows(WindowSystem& windows, std::function<QPointF()> primaryOrigin)
    : windows_(windows), primaryOrigin_(std::move(primaryOrigin)) {}

namespace {

struct Reader {
    std::vector<Display> displays;
    QPointF origin;

    OwnWindows::Window describe(QWindow* w) const {
        const qreal dpr = w->devicePixelRatio();
        OwnWindows::Window result;
        result.handle = static_cast<OwnWindows::Handle>(w->winId());
        result.frame = pixels(w->frameGeometry(), dpr).translated(-origin);
        const QMargins m = w->frameMargins();
        result.minSize = QSizeF((w->minimumWidth() + m.left() + m.right()) * dpr,
                                (w->minimumHeight() + m.top() + m.bottom()) * dpr);
        // The display whose rectangle is the window's screen; else the one holding its centre.
        if (QScreen* screen = w->screen()) {
            const QRectF rect = pixels(screen->geometry(), screen->devicePixelRatio()).translated(-origin);
            for (const auto& d : displays)
                if (d.frame == rect)
                    result.displayID = d.id;
        }
        if (!result.displayID)
            for (const auto& d : displays)
                if (d.frame.contains(result.frame.center()))
                    result.displayID = d.id;
        return result;
    }
    static bool qualifies(QWindow* w) {
        if (!w->isVisible() || isPanel(w) || !isTitled(w))
            return false;
        const QRect f = w->frameGeometry();
        const qreal dpr = w->devicePixelRatio();
        return f.width() * dpr > 200 && f.height() * dpr > 150;
    }
};

} // namespace

std::vector<OwnWindows::Window> QtOwnWindows::sortable() {
    const Reader reader{windows_.displays(), primaryOrigin_ ? primaryOrigin_() : QPointF()};
    std::vector<Window> result;
    MainThread::runSync([&] {
        remember();
        for (QWindow* w : QGuiApplication::topLevelWindows())
            if (Reader::qualifies(w))
                result.push_back(reader.describe(w));
    });
    return result;
}

std::optional<OwnWindows::Window> QtOwnWindows::focused() {
    const Reader reader{windows_.displays(), primaryOrigin_ ? primaryOrigin_() : QPointF()};
    std::optional<Window> result;
    MainThread::runSync([&] {
        remember();
        QWindow* w = QGuiApplication::focusWindow();
        while (w && w->parent())
            w = w->parent();
        if (w && w->isVisible() && !isPanel(w))
            result = reader.describe(w);
    });
    return result;
}

std::optional<OwnWindows::Window> QtOwnWindows::front() {
    if (auto w = focused(); w)
        return w;
    auto all = sortable();
    if (all.empty())
        return std::nullopt;
    return all.front();
}

std::optional<QRectF> QtOwnWindows::frame(Handle handle) {
    const QPointF origin = primaryOrigin_ ? primaryOrigin_() : QPointF();
    std::optional<QRectF> result;
    MainThread::runSync([&] {
        if (QWindow* w = byHandle(handle))
            result = pixels(w->frameGeometry(), w->devicePixelRatio()).translated(-origin);
    });
    return result;
}

void QtOwnWindows::place(const std::vector<std::pair<Handle, QRectF>>& frames, double duration) {
    if (frames.empty())
        return;
    const QPointF origin = primaryOrigin_ ? primaryOrigin_() : QPointF();
    MainThread::post([frames, duration, origin] {
        for (const auto& [handle, target] : frames) {
            QPointer<QWindow> w = byHandle(handle);
            if (!w)
                continue;
            const qreal dpr = w->devicePixelRatio();
            const QRectF to(target.translated(origin).topLeft() / dpr, target.size() / dpr);
            auto apply = [w](const QRectF& r) {
                if (!w)
                    return;
                const QMargins m = w->frameMargins();
                w->setGeometry(qRound(r.x()) + m.left(), qRound(r.y()) + m.top(),
                               qMax(1, qRound(r.width()) - m.left() - m.right()),
                               qMax(1, qRound(r.height()) - m.top() - m.bottom()));
            };
            if (duration <= 0) {
                apply(to);
                continue;
            }
            auto* animation = new QVariantAnimation(w);
            animation->setDuration(static_cast<int>(duration * 1000));
            animation->setStartValue(QRectF(w->frameGeometry()));
            animation->setEndValue(to);
            animation->setEasingCurve(QEasingCurve::OutCubic);
            QObject::connect(animation, &QVariantAnimation::valueChanged,
                             [apply](const QVariant& v) { apply(v.toRectF()); });
            animation->start(QAbstractAnimation::DeleteWhenStopped);
        }
    });
}

bool QtOwnWindows::reduceMotion() {
    const DesktopAppearance* appearance = appearance_.load();
    return appearance && appearance->reducesMotion();
}

void QtOwnWindows::remember() {
    std::set<WindowId> ids;
    for (QWindow* w : QGuiApplication::topLevelWindows())
        if (w->handle())
            ids.insert(static_cast<WindowId>(w->winId()));
    std::lock_guard lock(knownMutex_);
    known_ = std::move(ids);
}

bool QtOwnWindows::owns(WindowId window) {
    if (window == 0 || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    // The animator's queue asks this while the main thread may be waiting for that
    // queue, so no hop here; our windows also carry our pid, which the engine checks.
    if (MainThread::isCurrent())
        remember();
    std::lock_guard lock(knownMutex_);
    return known_.count(window) > 0;
}

} // namespace brisklet::platform
