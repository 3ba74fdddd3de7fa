#pragma once

#include "shell/StatusSetup.h"
#include "ui/pick/BriskPickController.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QTimer;

namespace brisklet {

// Brisklet's tray icon and its menu: whether it listens, is paused or needs
// attention, and the entries that open home, run a setup, pause and quit. A left
// click opens the pick panel (trays report no hover). Every action goes to a
// callback that the delegate assigns; until then it does nothing. Main thread.
class StatusItemController final : public QObject {
    Q_OBJECT
public:
    enum class IconState { listening, needsAttention, paused };
    enum class Tray { show, none };

    static constexpr int setupLimit = 8;
    // Some trays never say that the menu closed: the pick panel comes back anyway.
    static constexpr int suppressionTimeoutMs = 30000;

    // `tray` none: the menu and state only, with no icon on the desktop.
    explicit StatusItemController(Tray tray = Tray::show, QObject* parent = nullptr);
    ~StatusItemController() override;

    void setState(IconState state);
    // The pause entry's title and the icon's state.
    void setPaused(bool paused);
    // The watchdog's verdict; a paused icon stays paused.
    void setHealth(bool degraded);

    IconState state() const { return state_; }
    QString toolTip() const;
    // The mark as the tray shows it (also without a tray).
    QIcon icon() const { return icon_; }
    static QString toolTipFor(IconState state);

    QMenu* menu() const { return menu_.get(); }
    QAction* pauseAction() const { return pauseAction_; }
    QAction* setupsAction() const { return setupsAction_; }
    BriskPickController& pick() { return *pick_; }
    // Null without a tray icon.
    QSystemTrayIcon* trayIcon() const { return tray_.get(); }

    std::function<void()> onPauseToggle;
    std::function<void()> onOpenHome;
    std::function<QList<StatusSetup>()> setupsProvider;
    // The setup an entry or a row shows, by id (another may be said alike) and name.
    std::function<void(const QUuid& id, const QString& name)> onRunSetup;
    // Null: quit the application.
    std::function<void()> onQuit;

private:
    void buildMenu();
    void wirePick();
    QList<StatusSetup> offeredSetups() const;
    void menuNeedsUpdate();
    void menuWillOpen();
    void menuDidClose();
    void activated(QSystemTrayIcon::ActivationReason reason);

    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    QAction* pauseAction_ = nullptr;
    QAction* setupsAction_ = nullptr;
    QTimer* suppressionTimer_ = nullptr;
    BriskPickController* pick_ = nullptr;
    IconState state_ = IconState::listening;
    QIcon icon_;
};

} // namespace brisklet
