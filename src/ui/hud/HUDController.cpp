#include "ui/hud/HUDController.h"

#include "base/Log.h"
#include "ui/design/FloatingPanel.h"
#include "ui/design/PanelPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <QRandomGenerator>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace brisklet {

namespace {

QRect screenUnderPointer() {
    std::vector<PanelPlacement::Screen> screens;
    int primary = -1;
    const auto all = QGuiApplication::screens();
    for (QScreen* screen : all) {
        if (screen == QGuiApplication::primaryScreen())
            primary = int(screens.size());
        screens.push_back({screen->geometry(), screen->availableGeometry()});
    }
    return PanelPlacement::underPointer(screens, QCursor::pos(), primary);
}

std::unique_ptr<FloatingSurface> makeHUDPanel(HUDModel& model) {
    // Nothing to draw on: the states still come and go.
    if (!FloatingPanel::canShow())
        return nullptr;
    FloatingPanel::Options options;
    options.source = QUrl(QStringLiteral("qrc:/Brisklet/qml/HUDView.qml"));
    options.size = HUDController::panelSize;
    options.properties = {{QStringLiteral("model"), QVariant::fromValue(&model)}};
    options.level = 25;
    options.forcedDark = true;
    // The pill: 7 in from every edge, fully rounded.
    options.shape = QRect(QPoint(0, 0), HUDController::panelSize).adjusted(7, 7, -7, -7);
    options.shapeRadius = (HUDController::panelSize.height() - 14) / 2;
    return std::make_unique<FloatingPanel>(options);
}

} // namespace

HUDController::HUDController(QObject* parent) : HUDController(Scheduler::main(), &makeHUDPanel, parent) {
    pointerScreenProvider = &screenUnderPointer;
    random = [] { return QRandomGenerator::global()->generateDouble(); };
}

HUDController::HUDController(Scheduler& scheduler, SurfaceFactory makeSurface, QObject* parent)
    : QObject(parent), scheduler_(scheduler), makeSurface_(std::move(makeSurface)), dismiss_(scheduler),
      meter_(scheduler, 1.0 / 30, [this] { tickMeter(); }) {}

HUDController::~HUDController() = default;

double HUDController::autoHideSeconds(HUDState::Kind kind) {
    switch (kind) {
    case HUDState::Kind::done:
    case HUDState::Kind::miss:
    case HUDState::Kind::info:
        return 1.2;
    case HUDState::Kind::confirm:
        return 10;
    case HUDState::Kind::listening:
    case HUDState::Kind::heard:
    case HUDState::Kind::executing:
        break;
    }
    return 40;
}

void HUDController::show(const HUDState& state) {
    model_.setState(state);
    if (!surface_ && makeSurface_)
        surface_ = makeSurface_(model_);
    place();
    dismiss_.cancel();
    ++hideGeneration_;
    const bool asks = state.kind == HUDState::Kind::confirm;
    if (!asks)
        model_.clearConfirm(); // a pending question is dropped unanswered
    if (surface_) {
        surface_->setClickThrough(!asks);
        surface_->orderFront();
    }
    if (state.kind == HUDState::Kind::listening) {
        if (!meter_.isRunning())
            meter_.start();
    } else {
        meter_.stop();
    }
    QPointer<HUDController> self(this);
    dismiss_.schedule(autoHideSeconds(state.kind), [self] {
        if (self)
            self->hide();
    });
    qCInfo(lcApp).noquote()
        << QStringLiteral("hud: %1 “%2”").arg(QLatin1String(kindName(state.kind)), state.text);
    setShowing(true);
}

void HUDController::updateListening(const QString& partial) {
    if (model_.state().kind != HUDState::Kind::listening)
        return;
    model_.setState(HUDState::listening(partial));
}

void HUDController::showConfirm(const QString& question, std::function<void()> onRun,
                                std::function<void()> onCancel) {
    QPointer<HUDController> self(this);
    model_.setConfirm(
        [self, onRun = std::move(onRun)] {
            auto run = onRun; // clearing drops this closure
            if (self)
                self->model_.clearConfirm();
            if (run)
                run();
        },
        [self, onCancel = std::move(onCancel)] {
            auto cancel = onCancel;
            if (self) {
                self->model_.clearConfirm();
                self->hide();
            }
            if (cancel)
                cancel();
        });
    show(HUDState::confirm(question));
}

void HUDController::answerConfirm(bool run) {
    if (run)
        model_.confirmRun();
    else
        model_.confirmCancel();
}

void HUDController::hide() {
    meter_.stop();
    dismiss_.cancel();
    const bool wasShowing = showing_;
    setShowing(false);
    if (wasShowing)
        qCInfo(lcApp) << "hud: hidden";
    if (!surface_)
        return;
    surface_->setClickThrough(true);
    if (!surface_->isVisible())
        return;
    const int generation = ++hideGeneration_;
    // The fade takes its time even under Reduce Motion.
    surface_->fadeOut(fadeSeconds);
    QPointer<HUDController> self(this);
    scheduler_.schedule(fadeSeconds, [self, generation] {
        // A show during the fade has taken the panel over.
        if (self && self->hideGeneration_ == generation && self->surface_)
            self->surface_->orderOut();
    });
}

void HUDController::place() {
    if (!surface_)
        return;
    std::optional<QRect> frame = activeScreenProvider ? activeScreenProvider() : std::nullopt;
    if (!frame || frame->isEmpty())
        frame = pointerScreenProvider ? pointerScreenProvider() : QRect();
    if (frame->isEmpty())
        return;
    surface_->moveTo(PanelPlacement::hud(*frame, surface_->size()));
}

void HUDController::tickMeter() {
    const double level = levelProvider ? double(levelProvider()) * 9 : 0;
    const double v = std::min(std::pow(std::max(level, 0.0), 0.7), 1.0);
    const double r = 0.75 + 0.4 * (random ? random() : 0.5);
    QList<qreal> bars = model_.bars();
    if (!bars.isEmpty())
        bars.removeLast();
    bars.prepend(std::max(v * r, HUDModel::barFloor));
    model_.setBars(bars);
}

void HUDController::setShowing(bool showing) {
    if (showing_ == showing)
        return;
    showing_ = showing;
    emit visibleChanged();
}

} // namespace brisklet
