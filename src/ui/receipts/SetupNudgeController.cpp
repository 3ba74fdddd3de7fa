#include "ui/receipts/SetupNudgeController.h"

#include "base/Log.h"
#include "setups/Setup.h"
#include "ui/design/FloatingPanel.h"

#include <QPointer>

namespace brisklet {

namespace {

std::unique_ptr<FloatingSurface> makeNudgePanel(SetupNudgeModel& model) {
    if (!FloatingPanel::canShow())
        return nullptr;
    FloatingPanel::Options options;
    options.source = QUrl(QStringLiteral("qrc:/Brisklet/qml/SetupNudgeView.qml"));
    constexpr int margin = SetupNudgeController::shadowMargin;
    options.size =
        QSize(SetupNudgeController::cardWidth + 2 * margin, SetupNudgeController::cardHeight + 2 * margin);
    options.properties = {{QStringLiteral("model"), QVariant::fromValue(&model)},
                          {QStringLiteral("shadowMargin"), margin}};
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
    : QObject(parent), makeSurface_(std::move(makeSurface)), cards_(scheduler), expiry_(scheduler) {}

SetupNudgeController::~SetupNudgeController() = default;

void SetupNudgeController::show(const Setup& setup, const QRect& visibleFrame) {
    show(setup.id, setup.name, visibleFrame);
}

void SetupNudgeController::show(const QUuid& setupId, const QString& setupName, const QRect& visibleFrame) {
    dismiss();
    auto next = std::make_unique<FadingCards<SetupNudgeModel>::Card>();
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
    // The card, not its shadow's margin, sits 20 in from the right and bottom.
    const QRect placing =
        visibleFrame.isEmpty() ? visibleFrame : visibleFrame.adjusted(0, 0, shadowMargin, shadowMargin);
    cards_.present(std::move(next), placing, fadeInSeconds);
    qCInfo(lcApp).noquote() << QStringLiteral("drift nudge: %1").arg(setupName);

    expiry_.schedule(expirySeconds, [self] {
        if (self)
            self->dismiss();
    });
}

void SetupNudgeController::dismiss() {
    expiry_.cancel();
    cards_.sendAway(this, fadeOutSeconds);
}

} // namespace brisklet
