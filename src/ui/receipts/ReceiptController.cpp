#include "ui/receipts/ReceiptController.h"

#include "base/Log.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/FloatingPanel.h"

#include <QPointer>
#include <QQuickItem>

namespace brisklet {

namespace {

std::unique_ptr<FloatingSurface> makeReceiptPanel(ReceiptModel& model) {
    if (!FloatingPanel::canShow())
        return nullptr;
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
    : QObject(parent), makeSurface_(std::move(makeSurface)), cards_(scheduler), expiry_(scheduler) {}

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
    auto next = std::make_unique<FadingCards<ReceiptModel>::Card>();
    next->model = std::make_unique<ReceiptModel>(card);
    connect(next->model.get(), &ReceiptModel::undoPressed, this,
            [this] { finish(&ReceiptController::undoRequested); });
    connect(next->model.get(), &ReceiptModel::sweepPressed, this,
            [this] { finish(&ReceiptController::closeOthersRequested); });
    connect(next->model.get(), &ReceiptModel::okPressed, this,
            [this] { finish(&ReceiptController::acknowledged); });
    if (makeSurface_)
        next->surface = makeSurface_(*next->model);
    cards_.present(std::move(next), visibleFrame, reducing() ? 0 : fadeInSeconds);
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
    cards_.sendAway(this, reducing() ? 0 : fadeOutSeconds);
}

bool ReceiptController::reducing() const {
    return reduceMotion ? reduceMotion() : DesignSystem::instance().reduceMotion();
}

} // namespace brisklet
