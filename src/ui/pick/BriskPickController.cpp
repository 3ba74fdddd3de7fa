#include "ui/pick/BriskPickController.h"

#include "base/Log.h"
#include "ui/design/FloatingPanel.h"
#include "ui/design/PanelPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

namespace brisklet {

namespace {

std::unique_ptr<FloatingSurface> makePickPanel(BriskPickModel& model) {
    if (!FloatingPanel::canShow())
        return nullptr;
    FloatingPanel::Options options;
    options.source = QUrl(QStringLiteral("qrc:/Brisklet/qml/BriskPickView.qml"));
    options.size = QSize(244, 120);
    options.properties = {{QStringLiteral("model"), QVariant::fromValue(&model)}};
    options.level = 101;
    auto panel = std::make_unique<FloatingPanel>(options);
    // The list's own height; the corners outside the card are cut away.
    panel->fitToContent();
    panel->shapeTo(QStringLiteral("card"), 14);
    return panel;
}

QRect screenHolding(const QRect& anchor) {
    QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace

BriskPickController::BriskPickController(QObject* parent)
    : BriskPickController(Scheduler::main(), &makePickPanel, parent) {
    visibleFrameProvider = &screenHolding;
    pointerProvider = [] { return QCursor::pos(); };
}

BriskPickController::BriskPickController(Scheduler& scheduler, SurfaceFactory makeSurface, QObject* parent)
    : QObject(parent), scheduler_(scheduler), makeSurface_(std::move(makeSurface)), showWork_(scheduler),
      hideWork_(scheduler), pointerWatch_(scheduler, pointerPoll, [this] { pointerMoved(); }),
      sweep_(scheduler) {}

BriskPickController::~BriskPickController() = default;

void BriskPickController::buttonHoverChanged(bool hovering, std::optional<QRect> anchor) {
    buttonHovered_ = hovering;
    if (!hovering) {
        showWork_.cancel();
        scheduleHideIfLeft();
        return;
    }
    if (isShown())
        return;
    QPointer<BriskPickController> self(this);
    showWork_.schedule(showDelay, [self, anchor] {
        if (self && self->buttonHovered_ && !self->suppressed)
            self->show(anchor);
    });
}

void BriskPickController::toggle(std::optional<QRect> anchor) {
    if (isShown()) {
        hide();
        return;
    }
    if (suppressed)
        return;
    // A click can't be a fly-over: no delay.
    buttonHovered_ = true;
    showWork_.cancel();
    hideWork_.cancel();
    show(anchor);
    if (isShown())
        watchPointer();
}

void BriskPickController::show(std::optional<QRect> anchor) {
    const QList<PickEntry> entries = setupsProvider ? setupsProvider() : QList<PickEntry>();
    // "Open Brisklet" alone is no list.
    if (entries.isEmpty() || !anchor)
        return;
    hide();
    auto next = std::make_unique<Panel>();
    next->model = std::make_unique<BriskPickModel>(entries);
    BriskPickModel* model = next->model.get();
    connect(model, &BriskPickModel::runPressed, this, [this](const QUuid& id, const QString& name) {
        hide();
        emit runRequested(id, name);
    });
    connect(model, &BriskPickModel::openHomePressed, this, [this] {
        hide();
        emit openHomeRequested();
    });
    connect(model, &BriskPickModel::hoverChanged, this, &BriskPickController::setPanelHovered);
    if (makeSurface_)
        next->surface = makeSurface_(*model);
    if (FloatingSurface* surface = next->surface.get()) {
        const QRect frame = visibleFrameProvider ? visibleFrameProvider(*anchor) : QRect();
        surface->moveTo(PanelPlacement::pick(*anchor, surface->size(), frame));
        surface->setClickThrough(false);
        surface->orderFront();
    }
    anchor_ = anchor;
    current_ = std::move(next);
}

void BriskPickController::scheduleHideIfLeft() {
    QPointer<BriskPickController> self(this);
    hideWork_.schedule(hideDelay, [self] {
        if (self && !self->buttonHovered_ && !self->panelHovered_)
            self->hide();
    });
}

void BriskPickController::hide() {
    panelHovered_ = false;
    pointerWatch_.stop();
    if (!current_)
        return;
    // The panel answers no more; it is dropped later, never inside its own click.
    disconnect(current_->model.get(), nullptr, this, nullptr);
    if (current_->surface)
        current_->surface->orderOut();
    retired_.push_back(std::move(current_));
    QPointer<BriskPickController> self(this);
    sweep_.schedule(0, [self] {
        if (self)
            self->retired_.clear();
    });
}

void BriskPickController::cancelPendingShow() {
    showWork_.cancel();
}

void BriskPickController::setPanelHovered(bool hovered) {
    panelHovered_ = hovered;
    if (hovered)
        hideWork_.cancel();
    else
        scheduleHideIfLeft();
}

QList<PickEntry> BriskPickController::shownEntries() const {
    return current_ ? current_->model->entries() : QList<PickEntry>();
}

void BriskPickController::watchPointer() {
    if (pointerProvider && anchor_)
        pointerWatch_.start();
}

// Trays say nothing when the pointer leaves the icon: look where it is.
void BriskPickController::pointerMoved() {
    if (!pointerProvider || !anchor_ || !isShown()) {
        pointerWatch_.stop();
        return;
    }
    const bool inside = anchor_->contains(pointerProvider());
    if (inside != buttonHovered_)
        buttonHoverChanged(inside, anchor_);
}

} // namespace brisklet
