#pragma once

#include "base/PendingWork.h"
#include "base/RepeatingTimer.h"
#include "ui/design/FloatingSurface.h"
#include "ui/pick/BriskPickModel.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace brisklet {

// The quick list of setups under the tray icon. It shows a moment after the
// pointer rests on the icon (or at once on a click: trays report no hover),
// stays while the pointer is on the icon or the panel, goes a moment after it has
// left both, and never shows while the tray menu is open. Each appearance gets a
// panel of its own. Main thread.
class BriskPickController final : public QObject {
    Q_OBJECT
public:
    using SurfaceFactory = std::function<std::unique_ptr<FloatingSurface>(BriskPickModel& model)>;
    static constexpr double showDelay = 0.18;
    static constexpr double hideDelay = 0.35;
    // How often the pointer is looked at while the panel is open from a click.
    static constexpr double pointerPoll = 0.05;

    // The app's: Qt timers, the view in a floating panel, screens and pointer from Qt.
    explicit BriskPickController(QObject* parent = nullptr);
    BriskPickController(Scheduler& scheduler, SurfaceFactory makeSurface, QObject* parent = nullptr);
    ~BriskPickController() override;

    // `anchor`: the tray icon's box in root coordinates; none: the icon is gone.
    void buttonHoverChanged(bool hovering, std::optional<QRect> anchor);
    // A left click on the tray icon: shows at once, or hides a panel on screen.
    void toggle(std::optional<QRect> anchor);
    // Builds and shows the panel (normally through the delayed show or a click).
    void show(std::optional<QRect> anchor);
    // (Re)arms the delayed hide.
    void scheduleHideIfLeft();
    // Takes the panel away at once.
    void hide();
    void cancelPendingShow();
    // The pointer entered (true) or left the panel.
    void setPanelHovered(bool hovered);

    // While true the panel is not shown: the tray menu is open.
    bool suppressed = false;

    bool isShown() const { return bool(current_); }
    bool isButtonHovered() const { return buttonHovered_; }
    bool isPanelHovered() const { return panelHovered_; }
    bool isShowPending() const { return showWork_.isPending(); }
    bool isHidePending() const { return hideWork_.isPending(); }
    // What the panel on screen lists; empty without one.
    QList<PickEntry> shownEntries() const;
    BriskPickModel* model() const { return current_ ? current_->model.get() : nullptr; }
    FloatingSurface* surface() const { return current_ ? current_->surface.get() : nullptr; }

    // The setups to list, in display order; none: nothing to list.
    std::function<QList<PickEntry>()> setupsProvider;
    // The visible frame (root coordinates) of the screen that holds `anchor`.
    std::function<QRect(const QRect& anchor)> visibleFrameProvider;
    // Where the pointer is, in root coordinates.
    std::function<QPoint()> pointerProvider;

signals:
    void runRequested(const QUuid& id, const QString& name);
    void openHomeRequested();

private:
    struct Panel {
        std::unique_ptr<BriskPickModel> model;
        std::unique_ptr<FloatingSurface> surface; // goes first: its view binds to the model
    };
    void watchPointer();
    void pointerMoved();

    Scheduler& scheduler_;
    SurfaceFactory makeSurface_;
    std::unique_ptr<Panel> current_;
    std::vector<std::unique_ptr<Panel>> retired_;
    PendingWork showWork_;
    PendingWork hideWork_;
    RepeatingTimer pointerWatch_;
    PendingWork sweep_;
    std::optional<QRect> anchor_;
    bool buttonHovered_ = false;
    bool panelHovered_ = false;
};

} // namespace brisklet
