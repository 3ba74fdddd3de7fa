#pragma once

#include "base/PendingWork.h"
#include "ui/design/FloatingSurface.h"
#include "ui/receipts/FadingCards.h"
#include "ui/receipts/SetupNudgeModel.h"

#include <QObject>
#include <QRect>
#include <QUuid>
#include <functional>
#include <memory>
#include <vector>

namespace brisklet {

struct Setup;

// The card that offers to update a setup after its windows were moved around, at
// the bottom right of the screen it is given. It never takes focus, fades in, and
// goes by itself after 25 s. A new card replaces the old one. Main thread.
class SetupNudgeController final : public QObject {
    Q_OBJECT
public:
    using SurfaceFactory = std::function<std::unique_ptr<FloatingSurface>(SetupNudgeModel& model)>;
    static constexpr double expirySeconds = 25;
    static constexpr double fadeInSeconds = 0.25;
    static constexpr double fadeOutSeconds = 0.2;
    static constexpr int cardWidth = 320;
    static constexpr int cardHeight = 96;
    // The panel's room around the card for the card's shadow.
    static constexpr int shadowMargin = 8;

    // The app's: Qt timers and the card in a floating panel.
    explicit SetupNudgeController(QObject* parent = nullptr);
    SetupNudgeController(Scheduler& scheduler, SurfaceFactory makeSurface, QObject* parent = nullptr);
    ~SetupNudgeController() override;

    // `visibleFrame`: the screen's area less panels, in root coordinates.
    void show(const QUuid& setupId, const QString& setupName, const QRect& visibleFrame);
    void show(const Setup& setup, const QRect& visibleFrame);
    // Fades the card out; with none, only cancels a pending expiry.
    void dismiss();

    // The card on screen, if any (not one that is fading out).
    SetupNudgeModel* current() const { return cards_.current() ? cards_.current()->model.get() : nullptr; }
    FloatingSurface* currentSurface() const {
        return cards_.current() ? cards_.current()->surface.get() : nullptr;
    }
    bool isExpiryPending() const { return expiry_.isPending(); }
    int fadingCount() const { return cards_.fadingCount(); }

signals:
    // "Update": the card is already fading out. Carries the id given to show().
    void updateRequested(const QUuid& setupId);
    // "Not now".
    void declined();

private:
    SurfaceFactory makeSurface_;
    FadingCards<SetupNudgeModel> cards_;
    PendingWork expiry_;
};

} // namespace brisklet
