#include "ui/home/HomeWindowController.h"

#include "base/AppState.h"
#include "base/Log.h"
#include "commands/AppIndex.h"
#include "commands/CommandRegistry.h"
#include "platform/WindowLook.h"
#include "setups/SetupStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/ViewWindow.h"
#include "ui/home/HomePane.h"
#include "ui/setups/SetupsPaneModel.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPropertyAnimation>
#include <QQuickItem>
#include <QQuickView>
#include <algorithm>

namespace brisklet {

HomeWindowController::HomeWindowController(CommandRegistry& registry, AppIndex* appIndex, SetupStore& setups,
                                           AppState& appState, QObject* parent)
    : QObject(parent), registry_(registry), appIndex_(appIndex), setups_(setups), appState_(appState),
      setupsPane_(new SetupsPaneModel(setups, appIndex, Clock::system(), this)) {
    // The callbacks are read when the user acts, so later assignments count.
    connect(setupsPane_, &SetupsPaneModel::runRequested, this, [this](const Setup& setup) {
        if (onRunSetup)
            onRunSetup(setup);
    });
    connect(setupsPane_, &SetupsPaneModel::endRequested, this, [this](const Setup& setup) {
        if (onEndSetup)
            onEndSetup(setup);
    });
    connect(setupsPane_, &SetupsPaneModel::updateRequested, this, [this](const Setup& setup) {
        if (onUpdateSetup)
            onUpdateSetup(setup);
    });
    connect(setupsPane_, &SetupsPaneModel::captureRequested, this, &HomeWindowController::captureSetup);
    settings_.level = [this] { return level(); };
    settings_.sensitivityChanged = [this](double stored) { changeSensitivity(stored); };
    settings_.wakeConfigChanged = [this] { changeWakeConfig(); };
    settings_.runOnboarding = [this] { runOnboarding(); };
    connect(&DesignSystem::instance(), &DesignSystem::appearanceChanged, this,
            &HomeWindowController::markTitleBar);
}

HomeWindowController::~HomeWindowController() {
    delete window_.data();
}

bool HomeWindowController::isVisible() const {
    return window_ ? window_->isVisible() : headlessVisible_;
}

void HomeWindowController::show() {
    ++shown_;
    parkedForPreview_ = false;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        headlessVisible_ = true;
        return;
    }
    if (window_) {
        // A show during the fade wins: the window stays, at full opacity.
        if (fade_)
            fade_->stop();
        window_->setOpacity(1.0);
        bringForward();
        return;
    }
    build();
    bringForward();
}

void HomeWindowController::setSetupEditor(QObject* editor) {
    if (setupEditor_)
        disconnect(setupEditor_, &QObject::destroyed, this, nullptr);
    setupEditor_ = editor;
    // An editor that goes first (at quit) is no longer offered to the window.
    if (editor) {
        connect(editor, &QObject::destroyed, this, [this] {
            setupEditor_ = nullptr;
            emit setupEditorChanged();
        });
    }
    emit setupEditorChanged();
}

void HomeWindowController::build() {
    auto* view = new QQuickView();
    view->setTitle(QStringLiteral("Brisklet"));
    if (!icon_.isNull())
        view->setIcon(icon_);
    view->setMinimumSize(QSize(minimumWidth, minimumHeight));
    view->resize(width, height);
    ViewWindow::load(*view, QStringLiteral("HomeView.qml"),
                     {{QStringLiteral("home"), QVariant::fromValue<QObject*>(this)}}, "home window");
    ViewWindow::centre(*view, QSize(width, height));
    view->installEventFilter(this);
    window_ = view;
    markTitleBar();
    qCInfo(lcApp) << "home window built";
}

void HomeWindowController::markTitleBar() {
    platform::WindowLook* look = DesignSystem::instance().windowLook();
    if (window_ && look)
        look->setDarkTitleBar(platform::WindowId(window_->winId()), DesignSystem::instance().isDark());
}

// Closing drops the window; the next show builds a new one on the Home pane.
bool HomeWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && watched == window_.data()) {
        parkedForPreview_ = false;
        window_->deleteLater();
        window_ = nullptr;
    }
    return QObject::eventFilter(watched, event);
}

void HomeWindowController::bringForward() {
    if (!window_)
        return;
    window_->showNormal();
    window_->raise();
    window_->requestActivate();
}

void HomeWindowController::stepAside() {
    if (!window_ || !window_->isVisible())
        return;
    parkedForPreview_ = true;
    QPointer<HomeWindowController> self(this);
    QPointer<QQuickView> view(window_);
    const auto finish = [self, view] {
        if (!self || !view || !self->parkedForPreview_ || self->window_ != view)
            return;
        view->hide();
        view->setOpacity(1.0);
    };
    if (DesignSystem::instance().reduceMotion()) {
        finish();
        return;
    }
    if (fade_)
        fade_->stop();
    fade_ = new QPropertyAnimation(window_, "opacity", window_);
    fade_->setDuration(180);
    fade_->setEndValue(0.0);
    connect(fade_, &QPropertyAnimation::finished, this, finish);
    fade_->start(QAbstractAnimation::DeleteWhenStopped);
}

std::optional<Setup> HomeWindowController::setupOf(const QString& id) const {
    const auto uuid = SetupJson::parseId(id);
    return uuid ? setups_.setup(*uuid) : std::nullopt;
}

void HomeWindowController::runSetup(const QString& id) {
    if (const auto setup = setupOf(id); setup && onRunSetup)
        onRunSetup(*setup);
}

void HomeWindowController::endSetup(const QString& id) {
    if (const auto setup = setupOf(id); setup && onEndSetup)
        onEndSetup(*setup);
}

void HomeWindowController::captureSetup() {
    if (onCaptureSetup)
        onCaptureSetup();
}

void HomeWindowController::runOnboarding() {
    if (onRunOnboarding)
        onRunOnboarding();
}

void HomeWindowController::changeSensitivity(double value) {
    if (onSensitivityChange)
        onSensitivityChange(value);
}

void HomeWindowController::changeWakeConfig() {
    if (onWakeConfigChange)
        onWakeConfigChange();
}

void HomeWindowController::chooseMenuCommand(int command) {
    if (onMenuCommand)
        onMenuCommand(command);
}

void HomeWindowController::refreshWindowEntries() {
    const QVariantList entries = windowEntriesProvider ? windowEntriesProvider() : QVariantList();
    if (entries == windowEntries_)
        return;
    windowEntries_ = entries;
    emit windowEntriesChanged();
}

void HomeWindowController::setMenus(const QVariantList& menus) {
    if (menus_ == menus)
        return;
    menus_ = menus;
    emit menusChanged();
}

void HomeWindowController::showPane(const QString& pane) {
    show();
    if (window_ && window_->rootObject())
        window_->rootObject()->setProperty("pane", pane);
}

void HomeWindowController::hide() {
    if (window_)
        window_->hide();
    headlessVisible_ = false;
}

void HomeWindowController::minimize() {
    if (window_)
        window_->showMinimized();
}

void HomeWindowController::toggleZoom() {
    if (!window_)
        return;
    if (window_->windowStates() & Qt::WindowMaximized)
        window_->showNormal();
    else
        window_->showMaximized();
}

void HomeWindowController::sendKeys(const QKeySequence& keys) {
    QQuickItem* target = window_ ? window_->activeFocusItem() : nullptr;
    if (!target || keys.isEmpty())
        return;
    const QKeyCombination chord = keys[0];
    QKeyEvent press(QEvent::KeyPress, chord.key(), chord.keyboardModifiers());
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, chord.key(), chord.keyboardModifiers());
    QCoreApplication::sendEvent(target, &release);
}

float HomeWindowController::level() const {
    return levelProvider ? levelProvider() : 0.0f;
}

QStringList HomeWindowController::appNames() const {
    QStringList names;
    if (appIndex_) {
        for (const auto& app : *appIndex_->snapshot())
            names << app.name;
    }
    // Plain code-unit order, as the sheet lists them.
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.compare(b) < 0; });
    return names;
}

QObject* HomeWindowController::registryObject() const {
    return &registry_;
}

QObject* HomeWindowController::setupsObject() const {
    return &setups_;
}

QObject* HomeWindowController::appStateObject() const {
    return &appState_;
}

QObject* HomeWindowController::setupsPaneObject() const {
    return setupsPane_;
}

QVariantList HomeWindowController::panes() {
    QVariantList list;
    for (HomePane pane : allHomePanes())
        list << QVariantMap{{QStringLiteral("name"), rawValue(pane)},
                            {QStringLiteral("symbol"), symbolName(pane)}};
    return list;
}

} // namespace brisklet
