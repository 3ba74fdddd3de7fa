#include "ui/ReceiptController.h"

#include "base/Log.h"
#include "ui/DesignSystem.h"
#include "ui/FloatingPanel.h"
#include "ui/PanelPlacement.h"

#include <QPointer>
#include <QQuickItem>

namespace brisklet {

namespace {

std::unique_ptr<FloatingSurface> makeReceiptPanel(ReceiptModel& model) {
    FloatingPanel::Options options;
    options.source = QUrl(QStringLiteral("qrc:/Brisklet/qml/ReceiptView.qml"));
    options.size = QSize(model.cardWidth(), model.panelHeight());
    options.properties = {{QStringLiteral("model"), QVariant::fromValue(&model)}};
    options.level = 3;
    auto panel = std::make_unique<FloatingPanel>(options);
    // Shaped to the card, whose height follows its text.
    panel->shapeTo(QStringLiteral("card"), 14);
    return panel;
}

} // namespace

ReceiptController::ReceiptController(QObject* parent)
    : ReceiptController(Scheduler::main(), &makeReceiptPanel, parent) {}

ReceiptController::ReceiptController(Scheduler& scheduler, SurfaceFactory makeSurface, QObject* parent)
    : QObject(parent), scheduler_(scheduler), makeSurface_(std::move(makeSurface)), expiry_(scheduler) {}

ReceiptController::~ReceiptController() = default;

void ReceiptController::showRun(const SetupPort::RunReport& report, const Setup& setup, bool canUndo,
                                std::optional<int> closeOthersCount, const QRect& visibleFrame) {
    show(ReceiptWording::forRun(report, setup, canUndo, closeOthersCount), visibleFrame);
}

void ReceiptController::showEnd(const SetupPort::EndReport& report, const Setup& setup,
                                const QRect& visibleFrame) {
    show(ReceiptWording::forEnd(report, setup), visibleFrame);
}

void ReceiptController::show(const ReceiptCard& card, const QRect& visibleFrame) {
    dismiss();
    auto next = std::make_unique<Card>();
    next->model = std::make_unique<ReceiptModel>(card);
    connect(next->model.get(), &ReceiptModel::undoPressed, this,
            [this] { finish(&ReceiptController::undoRequested); });
    connect(next->model.get(), &ReceiptModel::sweepPressed, this,
            [this] { finish(&ReceiptController::closeOthersRequested); });
    connect(next->model.get(), &ReceiptModel::okPressed, this,
            [this] { finish(&ReceiptController::acknowledged); });
    if (makeSurface_)
        next->surface = makeSurface_(*next->model);
    if (FloatingSurface* surface = next->surface.get()) {
        if (!visibleFrame.isEmpty())
            surface->moveTo(PanelPlacement::receipt(visibleFrame, surface->size()));
        surface->setClickThrough(false);
        surface->fadeIn(reducing() ? 0 : fadeInSeconds);
    }
    current_ = std::move(next);
    qCInfo(lcApp).noquote() << QStringLiteral("receipt: %1").arg(card.title);

    QPointer<ReceiptController> self(this);
    expiry_.schedule(expirySeconds, [self] {
        if (self)
            self->finish(&ReceiptController::expired);
    });
}

void ReceiptController::finish(void (ReceiptController::*signal)()) {
    dismiss();
    emit(this->*signal)();
}

void ReceiptController::dismiss() {
    expiry_.cancel();
    if (!current_)
        return;
    Card* card = current_.get();
    fading_.push_back(std::move(current_));
    // A fading card's buttons answer no more.
    if (card->model)
        disconnect(card->model.get(), nullptr, this, nullptr);
    const bool reduce = reducing();
    if (card->surface) {
        card->surface->setClickThrough(true);
        if (reduce)
            card->surface->orderOut();
        else
            card->surface->fadeOut(fadeOutSeconds);
    }
    // The card goes after its fade, and never inside its own button's click.
    QPointer<ReceiptController> self(this);
    scheduler_.schedule(reduce ? 0 : fadeOutSeconds, [self, card] {
        if (self)
            self->retire(card);
    });
}

void ReceiptController::retire(Card* card) {
    const auto it = std::find_if(fading_.begin(), fading_.end(),
                                 [card](const std::unique_ptr<Card>& c) { return c.get() == card; });
    if (it == fading_.end())
        return;
    if ((*it)->surface)
        (*it)->surface->orderOut();
    fading_.erase(it);
}

bool ReceiptController::reducing() const {
    return reduceMotion ? reduceMotion() : DesignSystem::instance().reduceMotion();
}

} // namespace brisklet
