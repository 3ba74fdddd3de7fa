#include "shell/StatusItemController.h"

#include "base/Log.h"
#include "shell/StatusIcon.h"
#include "ui/design/DSPalette.h"
#include "ui/design/DesignSystem.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPalette>
#include <QPointer>
#include <QTimer>

namespace brisklet {

StatusItemController::StatusItemController(Tray tray, QObject* parent)
    : QObject(parent), menu_(std::make_unique<QMenu>()), pick_(new BriskPickController(this)) {
    suppressionTimer_ = new QTimer(this);
    suppressionTimer_->setSingleShot(true);
    suppressionTimer_->setInterval(suppressionTimeoutMs);
    connect(suppressionTimer_, &QTimer::timeout, this, [this] { pick_->suppressed = false; });
    if (tray == Tray::show) {
        tray_ = std::make_unique<QSystemTrayIcon>();
        connect(tray_.get(), &QSystemTrayIcon::activated, this, &StatusItemController::activated);
    }
    buildMenu();
    wirePick();
    setState(IconState::listening);
    // The mark sits on the desktop's panel: it follows the desktop's scheme.
    connect(&DesignSystem::instance(), &DesignSystem::appearanceChanged, this, [this] { setState(state_); });
    if (tray_) {
        tray_->setContextMenu(menu_.get());
        tray_->show();
        if (!QSystemTrayIcon::isSystemTrayAvailable())
            qCInfo(lcApp) << "no system tray on this desktop; Brisklet stays reachable through its window";
    }
}

StatusItemController::~StatusItemController() {
    // The icon refers to the menu: it goes first.
    tray_.reset();
}

void StatusItemController::buildMenu() {
    menu_->addAction(QStringLiteral("Open Brisklet"), this, [this] {
        if (onOpenHome)
            onOpenHome();
    });
    setupsAction_ = menu_->addAction(QStringLiteral("Run a Setup"));
    setupsAction_->setMenu(new QMenu(menu_.get()));
    setupsAction_->setVisible(false);
    menu_->addSeparator();
    pauseAction_ = menu_->addAction(QStringLiteral("Pause Listening"), this, [this] {
        if (onPauseToggle)
            onPauseToggle();
    });
    menu_->addSeparator();
    menu_->addAction(QStringLiteral("Quit Brisklet"), this, [this] {
        if (onQuit)
            onQuit();
        else
            QCoreApplication::quit();
    });
    connect(menu_.get(), &QMenu::aboutToShow, this, [this] {
        menuNeedsUpdate();
        menuWillOpen();
    });
    connect(menu_.get(), &QMenu::aboutToHide, this, &StatusItemController::menuDidClose);
}

void StatusItemController::wirePick() {
    QPointer<StatusItemController> self(this);
    pick_->setupsProvider = [self] {
        QList<PickEntry> entries;
        if (self) {
            for (const StatusSetup& setup : self->offeredSetups())
                entries.append({setup.name, setup.icon, setup.active, setup.id});
        }
        return entries;
    };
    connect(pick_, &BriskPickController::runRequested, this, [this](const QUuid& id, const QString& name) {
        if (onRunSetup)
            onRunSetup(id, name);
    });
    connect(pick_, &BriskPickController::openHomeRequested, this, [this] {
        if (onOpenHome)
            onOpenHome();
    });
}

QList<StatusSetup> StatusItemController::offeredSetups() const {
    QList<StatusSetup> setups = setupsProvider ? setupsProvider() : QList<StatusSetup>();
    if (setups.size() > setupLimit)
        setups.resize(setupLimit);
    return setups;
}

QString StatusItemController::toolTipFor(IconState state) {
    switch (state) {
    case IconState::listening:
        return QStringLiteral("Brisklet \u2014 listening");
    case IconState::needsAttention:
        return QStringLiteral("Brisklet \u2014 needs attention (permissions or microphone)");
    case IconState::paused:
        return QStringLiteral("Brisklet \u2014 paused");
    }
    return {};
}

QString StatusItemController::toolTip() const {
    return toolTipFor(state_);
}

void StatusItemController::setState(IconState state) {
    state_ = state;
    // Light on a dark panel, dark on a light one.
    DesignSystem& design = DesignSystem::instance();
    const QColor color = state == IconState::needsAttention ? QColor(0xff, 0x95, 0x00)
                                                            : design.palette(design.systemDark())->ink;
    icon_ = StatusIcon::make(state == IconState::paused, color);
    if (!tray_)
        return;
    tray_->setIcon(icon_);
    tray_->setToolTip(toolTipFor(state));
}

void StatusItemController::setPaused(bool paused) {
    pauseAction_->setText(paused ? QStringLiteral("Resume Listening") : QStringLiteral("Pause Listening"));
    setState(paused ? IconState::paused : IconState::listening);
}

void StatusItemController::setHealth(bool degraded) {
    if (state_ != IconState::paused)
        setState(degraded ? IconState::needsAttention : IconState::listening);
}

// The submenu is made afresh at each opening; nothing is kept between them.
void StatusItemController::menuNeedsUpdate() {
    const QList<StatusSetup> setups = offeredSetups();
    QMenu* old = setupsAction_->menu();
    auto* submenu = new QMenu(menu_.get());
    const QColor ink = submenu->palette().color(QPalette::WindowText);
    for (const StatusSetup& setup : setups) {
        // A "&" in a name is shown, not taken for a shortcut mark.
        QString title = setup.name;
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* entry = submenu->addAction(StatusIcon::symbol(setup.icon, ink), title);
        connect(entry, &QAction::triggered, this, [this, id = setup.id, name = setup.name] {
            if (onRunSetup)
                onRunSetup(id, name);
        });
    }
    setupsAction_->setMenu(submenu);
    setupsAction_->setVisible(!setups.isEmpty());
    if (old)
        old->deleteLater();
}

void StatusItemController::menuWillOpen() {
    pick_->suppressed = true;
    pick_->cancelPendingShow();
    pick_->hide();
    suppressionTimer_->start();
}

void StatusItemController::menuDidClose() {
    pick_->suppressed = false;
    suppressionTimer_->stop();
}

void StatusItemController::activated(QSystemTrayIcon::ActivationReason reason) {
    if (reason != QSystemTrayIcon::Trigger)
        return;
    // The menu has closed by now even where the tray never said so.
    menuDidClose();
    // Trays that give no geometry: a box the size of an icon under the pointer.
    const QRect geometry = tray_ ? tray_->geometry() : QRect();
    pick_->toggle(geometry.isValid() ? geometry : QRect(QCursor::pos() - QPoint(12, 12), QSize(24, 24)));
}

} // namespace brisklet
