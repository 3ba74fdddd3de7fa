#include "ui/FloatingPanel.h"

#include "base/Log.h"
#include "ui/Theme.h"

#include <QPropertyAnimation>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QRegion>

namespace brisklet {

namespace {

// A rounded rectangle as a region: the middle band plus the four corner discs.
QRegion roundedRegion(const QRect& r, int radius) {
    radius = std::min({radius, r.width() / 2, r.height() / 2});
    if (radius <= 0)
        return QRegion(r);
    const int d = 2 * radius;
    QRegion region(r.adjusted(radius, 0, -radius, 0));
    region += QRegion(r.adjusted(0, radius, 0, -radius));
    region += QRegion(QRect(r.left(), r.top(), d, d), QRegion::Ellipse);
    region += QRegion(QRect(r.right() - d + 1, r.top(), d, d), QRegion::Ellipse);
    region += QRegion(QRect(r.left(), r.bottom() - d + 1, d, d), QRegion::Ellipse);
    region += QRegion(QRect(r.right() - d + 1, r.bottom() - d + 1, d, d), QRegion::Ellipse);
    return region;
}

} // namespace

FloatingPanel::FloatingPanel(const Options& options, QObject* parent)
    : QObject(parent), size_(options.size), view_(std::make_unique<QQuickView>()) {
    QSurfaceFormat format = view_->format();
    format.setAlphaBufferSize(8);
    view_->setFormat(format);
    // Unmanaged (override-redirect), never focused, above the rest, click-through.
    view_->setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                    Qt::WindowDoesNotAcceptFocus | Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput);
    view_->setProperty("_q_showWithoutActivating", true);
    view_->setColor(Qt::transparent);
    view_->setResizeMode(QQuickView::SizeRootObjectToView);
    view_->resize(size_);
    Theme::force(view_.get(), options.forcedDark);
    // The module's files live under qrc:/Brisklet.
    view_->engine()->addImportPath(QStringLiteral("qrc:/"));
    view_->setInitialProperties(options.properties);
    view_->setSource(options.source);
    if (view_->status() != QQuickView::Ready)
        qCWarning(lcApp).noquote() << "floating panel failed to load:" << QDebug::toString(view_->errors());
    if (!options.shape.isEmpty())
        view_->setMask(roundedRegion(options.shape, options.shapeRadius));
}

FloatingPanel::~FloatingPanel() = default;

void FloatingPanel::moveTo(QPoint topLeft) {
    view_->setPosition(topLeft);
}

void FloatingPanel::setClickThrough(bool through) {
    if (through == clickThrough_)
        return;
    clickThrough_ = through;
    view_->setFlag(Qt::WindowTransparentForInput, through);
}

void FloatingPanel::orderFront() {
    if (fade_)
        fade_->stop();
    setContentOpacity(1);
    if (!view_->isVisible())
        view_->show();
    view_->raise();
}

void FloatingPanel::fadeOut(double seconds) {
    QQuickItem* root = view_->rootObject();
    if (!root)
        return;
    if (fade_)
        fade_->stop();
    auto* fade = new QPropertyAnimation(root, "opacity", this);
    fade->setDuration(int(seconds * 1000));
    fade->setEndValue(0.0);
    fade_ = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void FloatingPanel::orderOut() {
    if (fade_)
        fade_->stop();
    view_->hide();
    setContentOpacity(1);
}

bool FloatingPanel::isVisible() const {
    return view_->isVisible();
}

void FloatingPanel::setContentOpacity(qreal opacity) {
    if (QQuickItem* root = view_->rootObject())
        root->setOpacity(opacity);
}

} // namespace brisklet
