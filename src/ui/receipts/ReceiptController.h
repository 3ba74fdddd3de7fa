#pragma once

#include "actions/SetupPort.h"
#include "base/PendingWork.h"
#include "ui/design/FloatingSurface.h"
#include "ui/receipts/FadingCards.h"
#include "ui/receipts/ReceiptModel.h"

#include <QObject>
#include <QRect>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace brisklet {

struct Setup;

// The card that tells what a setup run or end did, at the bottom right of the
// screen the user works on. At most one card is current: a new one sends the old
// one fading out. A card ends by "OK", undo, "Close the rest" or, after 20 s, by
// itself; each first fades the card out, then reports. Main thread.
class ReceiptController final : public QObject {
    Q_OBJECT
public:
    using SurfaceFactory = std::function<std::unique_ptr<FloatingSurface>(ReceiptModel& model)>;
    static constexpr double expirySeconds = 20;
    static constexpr double fadeInSeconds = 0.25;
    static constexpr double fadeOutSeconds = 0.2;

    // The app's: Qt timers and the card in a floating panel.
    explicit ReceiptController(QObject* parent = nullptr);
    ReceiptController(Scheduler& scheduler, SurfaceFactory makeSurface, QObject* parent = nullptr);
    ~ReceiptController() override;

    // `visibleFrame`: the screen's area less panels, in root coordinates.
    void showRun(const SetupPort::RunReport& report, const Setup& setup, bool canUndo,
                 std::optional<int> closeOthersCount, const QRect& visibleFrame);
    void showEnd(const SetupPort::EndReport& report, const Setup& setup, const QRect& visibleFrame);
    void show(const ReceiptCard& card, const QRect& visibleFrame);
    // Fades the current card out; with none, only cancels a pending expiry.
    void dismiss();

    // The card on screen, if any (not one that is fading out).
    ReceiptModel* current() const { return cards_.current() ? cards_.current()->model.get() : nullptr; }
    FloatingSurface* currentSurface() const {
        return cards_.current() ? cards_.current()->surface.get() : nullptr;
    }
    bool isExpiryPending() const { return expiry_.isPending(); }
    int fadingCount() const { return cards_.fadingCount(); }

    // Read at each fade; none: the design system's setting.
    std::function<bool()> reduceMotion;

signals:
    void undoRequested();
    void closeOthersRequested();
    void acknowledged();
    void expired();

private:
    bool reducing() const;
    // Dismisses, then reports through `signal`.
    void finish(void (ReceiptController::*signal)());

    SurfaceFactory makeSurface_;
    FadingCards<ReceiptModel> cards_;
    PendingWork expiry_;
};

} // namespace brisklet
