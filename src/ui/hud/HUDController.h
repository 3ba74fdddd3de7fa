#pragma once

#include "base/PendingWork.h"
#include "base/RepeatingTimer.h"
#include "flow/HUDPort.h"
#include "ui/design/FloatingSurface.h"
#include "ui/hud/HUDModel.h"

#include <QObject>
#include <QRect>
#include <functional>
#include <memory>
#include <optional>

namespace brisklet {

// Drives the heads-up display: the request flow tells it what to show; it keeps
// the model the view renders, places and shows the panel, hides it by itself after
// each state's time, runs the level meter while listening and holds a pending
// question. Every change is also logged, so each request's road can be followed.
// Main thread.
class HUDController final : public QObject, public HUDPort {
    Q_OBJECT
    Q_PROPERTY(bool visible READ isVisible NOTIFY visibleChanged)
public:
    using SurfaceFactory = std::function<std::unique_ptr<FloatingSurface>(HUDModel& model)>;
    static constexpr QSize panelSize{264, 86};
    static constexpr double fadeSeconds = 0.18;

    // The app's: Qt timers, the view in a floating panel, screens from Qt.
    explicit HUDController(QObject* parent = nullptr);
    HUDController(Scheduler& scheduler, SurfaceFactory makeSurface, QObject* parent = nullptr);
    ~HUDController() override;

    void show(const HUDState& state) override;
    void updateListening(const QString& partial) override;
    void showConfirm(const QString& question, std::function<void()> onRun,
                     std::function<void()> onCancel) override;
    void hide() override;

    // The user's answer to a pending question, as the view's buttons give it.
    void answerConfirm(bool run);

    const HUDState& state() const { return model_.state(); }
    // Shown and not yet hidden (by hide() or by itself).
    bool isVisible() const { return showing_; }
    bool isAwaitingAnswer() const { return model_.isAsking(); }
    HUDModel& model() { return model_; }
    // Made on the first show, then kept.
    FloatingSurface* surface() const { return surface_.get(); }
    int hideGeneration() const { return hideGeneration_; }
    bool isMeterRunning() const { return meter_.isRunning(); }
    // Seconds before a state hides by itself.
    static double autoHideSeconds(HUDState::Kind kind);

    // The microphone's level, 0…1; none: flat bars.
    std::function<float()> levelProvider;
    // The visible frame (root coordinates) of the screen the user works on, if known.
    std::function<std::optional<QRect>()> activeScreenProvider;
    // The visible frame of the screen under the pointer (the fallback).
    std::function<QRect()> pointerScreenProvider;
    // Uniform in 0…1.
    std::function<double()> random;

signals:
    void visibleChanged();

private:
    void place();
    void tickMeter();
    void setShowing(bool showing);

    Scheduler& scheduler_;
    SurfaceFactory makeSurface_;
    HUDModel model_;
    std::unique_ptr<FloatingSurface> surface_;
    PendingWork dismiss_;
    RepeatingTimer meter_;
    int hideGeneration_ = 0;
    bool showing_ = false;
};

} // namespace brisklet
