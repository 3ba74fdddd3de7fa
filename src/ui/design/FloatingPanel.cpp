#include "ui/design/FloatingPanel.h"

#include "base/Log.h"
#include "platform/WindowLook.h"
#include "ui/design/DesignSystem.h"

#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QRegion>
#include <QWindow>
#include <QtMath>

namespace brisklet {

bool FloatingPanel::canShow() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
           !QGuiApplication::screens().isEmpty();
}

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

QObject* create(QQmlEngine& engine, QQmlComponent& component, const QVariantMap& properties) {
    QObject* object = component.createWithInitialProperties(properties, engine.rootContext());
    if (!object)
        qCWarning(lcApp).noquote() << "floating panel failed to load:" << component.errorString();
    return object;
}

// Without a compositor a fading panel would darken to black over the desktop
// instead of turning see-through, so it shows and goes at once.
bool canFade() {
    platform::WindowLook* look = DesignSystem::instance().windowLook();
    return !look || look->compositing();
}

// Every live panel, for keeping their levels in order.
QList<QPointer<FloatingPanel>>& livePanels() {
    static QList<QPointer<FloatingPanel>> panels;
    return panels;
}

} // namespace

FloatingPanel::FloatingPanel(const Options& options, QObject* parent)
    : QObject(parent), size_(options.size), level_(options.level), engine_(std::make_unique<QQmlEngine>()) {
    livePanels().append(this);
    // The module's files live under qrc:/Brisklet.
    engine_->addImportPath(QStringLiteral("qrc:/"));
    QQmlComponent windowComponent(engine_.get());
    windowComponent.setData("import QtQuick\nWindow { color: \"transparent\"; visible: false }",
                            QUrl(QStringLiteral("qrc:/Brisklet/FloatingWindow.qml")));
    window_ = qobject_cast<QWindow*>(create(*engine_, windowComponent, {}));
    if (!window_)
        return;
    QSurfaceFormat format = window_->format();
    format.setAlphaBufferSize(8);
    window_->setFormat(format);
    // Unmanaged (override-redirect), never focused, above the rest, click-through.
    window_->setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                      Qt::WindowDoesNotAcceptFocus | Qt::WindowStaysOnTopHint |
                      Qt::WindowTransparentForInput);
    window_->setProperty("_q_showWithoutActivating", true);
    window_->resize(size_);
    DesignSystem::forceAppearance(window_, options.forcedDark);
    if (!options.shape.isEmpty())
        setShape(roundedRegion(options.shape, options.shapeRadius));

    QQmlComponent viewComponent(engine_.get(), options.source);
    QVariantMap properties = options.properties;
    properties.insert(QStringLiteral("parent"), window_->property("contentItem"));
    content_ = create(*engine_, viewComponent, properties);
    if (content_) {
        content_->setParent(window_);
        content_->setProperty("width", size_.width());
        content_->setProperty("height", size_.height());
    }
}

FloatingPanel::~FloatingPanel() {
    livePanels().removeAll(QPointer<FloatingPanel>(this));
    livePanels().removeAll(QPointer<FloatingPanel>());
    if (fade_)
        fade_->stop();
    delete content_;
    delete window_;
}

void FloatingPanel::moveTo(QPoint topLeft) {
    if (window_)
        window_->setPosition(topLeft);
}

void FloatingPanel::setClickThrough(bool through) {
    if (through == clickThrough_ || !window_)
        return;
    clickThrough_ = through;
    window_->setFlag(Qt::WindowTransparentForInput, through);
    applyShape();
}

void FloatingPanel::orderFront() {
    if (!window_)
        return;
    if (fade_)
        fade_->stop();
    setContentOpacity(1);
    applyShape();
    if (!window_->isVisible())
        window_->show();
    raiseInLevel();
}

void FloatingPanel::raiseInLevel() {
    window_->raise();
    QList<FloatingPanel*> above;
    for (const QPointer<FloatingPanel>& panel : livePanels()) {
        if (panel && panel != this && panel->level_ > level_ && panel->isVisible())
            above << panel;
    }
    std::stable_sort(above.begin(), above.end(),
                     [](const FloatingPanel* a, const FloatingPanel* b) { return a->level_ < b->level_; });
    for (FloatingPanel* panel : above)
        panel->window_->raise();
}

void FloatingPanel::fadeIn(double seconds) {
    if (!window_)
        return;
    if (fade_)
        fade_->stop();
    if (seconds <= 0 || !canFade()) {
        orderFront();
        return;
    }
    setContentOpacity(0);
    applyShape();
    if (!window_->isVisible())
        window_->show();
    raiseInLevel();
    animateOpacity(1.0, seconds);
}

void FloatingPanel::fadeOut(double seconds) {
    if (!canFade()) {
        orderOut();
        return;
    }
    animateOpacity(0.0, seconds);
}

void FloatingPanel::animateOpacity(qreal to, double seconds) {
    if (!content_)
        return;
    if (fade_)
        fade_->stop();
    auto* fade = new QPropertyAnimation(content_, "opacity", this);
    fade->setDuration(int(seconds * 1000));
    fade->setEndValue(to);
    fade_ = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void FloatingPanel::fitToContent() {
    auto* item = qobject_cast<QQuickItem*>(content_);
    if (!window_ || !item)
        return;
    item->ensurePolished();
    const QSize wanted(qCeil(item->implicitWidth()), qCeil(item->implicitHeight()));
    if (wanted.isEmpty())
        return;
    size_ = wanted;
    window_->resize(size_);
    item->setSize(size_);
}

void FloatingPanel::shapeTo(const QString& itemName, int radius) {
    auto* root = qobject_cast<QQuickItem*>(content_);
    if (!window_ || !root)
        return;
    root->ensurePolished();
    auto* target = root->findChild<QQuickItem*>(itemName);
    if (!target)
        return;
    target->ensurePolished();
    const QRect box =
        target->mapRectToItem(root, QRectF(0, 0, target->width(), target->height())).toAlignedRect();
    if (!box.isEmpty())
        setShape(roundedRegion(box, radius));
}

void FloatingPanel::setShape(const QRegion& shape) {
    shape_ = shape;
    applyShape();
}

// Under a compositor the window stays whole, so the shadow in its margin is drawn,
// and only the shape takes clicks. Without one the window is cut to the shape, as
// its see-through margin would show black. Asked again at each showing, since a
// compositor may have come or gone.
void FloatingPanel::applyShape() {
    if (!window_ || shape_.isEmpty())
        return;
    platform::WindowLook* look = DesignSystem::instance().windowLook();
    if (!look || !look->compositing()) {
        window_->setMask(shape_);
        return;
    }
    window_->setMask(QRegion());
    // A click-through window takes no input anywhere: the toolkit's flag sees to it.
    if (clickThrough_)
        return;
    const auto id = platform::WindowId(window_->winId());
    // The toolkit's own full input shape, sent with the flag, lands before ours.
    QGuiApplication::sync();
    look->setInputShape(id, std::vector<QRect>(shape_.begin(), shape_.end()));
}

void FloatingPanel::orderOut() {
    if (fade_)
        fade_->stop();
    if (window_)
        window_->hide();
    setContentOpacity(1);
}

bool FloatingPanel::isVisible() const {
    return window_ && window_->isVisible();
}

void FloatingPanel::setContentOpacity(qreal opacity) {
    if (content_)
        content_->setProperty("opacity", opacity);
}

} // namespace brisklet
