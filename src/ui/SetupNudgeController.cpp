#include "ui/SetupNudgeController.h"

#include "base/Log.h"
#include "setups/Setup.h"
#include "ui/FloatingPanel.h"
#include "ui/PanelPlacement.h"

#include <QPointer>

namespace brisklet {

namespace {

std::unique_ptr<FloatingSurface> makeNudgePanel(SetupNudgeModel& model) {
    FloatingPanel::Options options;
    options.source = QUrl(QStringLiteral("qrc:/Brisklet/qml/SetupNudgeView.qml"));
    options.size = QSize(SetupNudgeController::cardWidth, SetupNudgeController::cardHeight);
    options.properties = {{QStringLiteral("model"), QVariant::fromValue(&model)}};
    options.forcedDark = false; // the card is always light
    options.level = 3;
    auto panel = std::make_unique<FloatingPanel>(options);
    // A long name takes a second line: the card grows to hold it.
    panel->fitToContent();
    panel->shapeTo(QStringLiteral("card"), 12);
    return panel;
}

} // namespace

SetupNudgeController::SetupNudgeController(QObject* parent)
    : SetupNudgeController(Scheduler::main(), &makeNudgePanel, parent) {}

SetupNudgeController::SetupNudgeController(Scheduler& scheduler, SurfaceFactory makeSurface, QObject* parent)
    : QObject(parent), scheduler_(scheduler), makeSurface_(std::move(makeSurface)), expiry_(scheduler) {}

SetupNudgeController::~SetupNudgeController() = default;

void SetupNudgeController::show(const Setup& setup, const QRect& visibleFrame) {
    show(setup.id, setup.name, visibleFrame);
}

void SetupNudgeController::show(const QUuid& setupId, const QString& setupName, const QRect& visibleFrame) {
    dismiss();
    auto next = std::make_unique<Card>();
    next->setupId = setupId;
    next->model = std::make_unique<SetupNudgeModel>(setupName);
    QPointer<SetupNudgeController> self(this);
    connect(next->model.get(), &SetupNudgeModel::updatePressed, this, [self, setupId] {
        if (!self)
            return;
        self->dismiss();
        emit self->updateRequested(setupId);
    });
    connect(next->model.get(), &SetupNudgeModel::notNowPressed, this, [self] {
        if (!self)
            return;
        self->dismiss();
        emit self->declined();
    });
    if (makeSurface_)
        next->surface = makeSurface_(*next->model);
    if (FloatingSurface* surface = next->surface.get()) {
        if (!visibleFrame.isEmpty())
            surface->moveTo(PanelPlacement::receipt(visibleFrame, surface->size()));
        surface->setClickThrough(false); // it asks a question
        surface->fadeIn(fadeInSeconds);
    }
    current_ = std::move(next);
    qCInfo(lcApp).noquote() << QStringLiteral("drift nudge: %1").arg(setupName);

    expiry_.schedule(expirySeconds, [self] {
        if (self)
            self->dismiss();
    });
}

void SetupNudgeController::dismiss() {
    expiry_.cancel();
    if (!current_)
        return;
    Card* card = current_.get();
    fading_.push_back(std::move(current_));
    // A fading card's buttons answer no more.
    disconnect(card->model.get(), nullptr, this, nullptr);
    if (card->surface) {
        card->surface->setClickThrough(true);
        card->surface->fadeOut(fadeOutSeconds);
    }
    // The card goes after its fade, and never inside its own button's click.
    QPointer<SetupNudgeController> self(this);
    scheduler_.schedule(fadeOutSeconds, [self, card] {
        if (self)
            self->retire(card);
    });
}

void SetupNudgeController::retire(Card* card) {
    const auto it = std::find_if(fading_.begin(), fading_.end(),
                                 [card](const std::unique_ptr<Card>& c) { return c.get() == card; });
    if (it == fading_.end())
        return;
    if ((*it)->surface)
        (*it)->surface->orderOut();
    fading_.erase(it);
}

} // namespace brisklet
