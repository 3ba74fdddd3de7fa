#include "ui/onboarding/OnboardingController.h"

#include "base/Log.h"
#include "base/Prefs.h"
#include "base/Scheduler.h"
#include "platform/LoginItem.h"
#include "platform/Permissions.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/LoginItemWording.h"
#include "ui/design/ViewWindow.h"

#include <QEvent>
#include <QGuiApplication>

namespace brisklet {

namespace {
Scheduler& schedulerOf(const OnboardingController::Collaborators& c) {
    return c.scheduler ? *c.scheduler : Scheduler::main();
}
} // namespace

OnboardingController::OnboardingController(Collaborators collaborators, QObject* parent)
    : QObject(parent), c_(collaborators),
      pollTimer_(schedulerOf(collaborators), pollInterval, [this] { refreshPermissions(false); }),
      levelTimer_(schedulerOf(collaborators), levelInterval, [this] { tickLevel(); }) {}

OnboardingController::~OnboardingController() {
    pollTimer_.stop();
    levelTimer_.stop();
    delete window_.data();
}

Scheduler& OnboardingController::scheduler() const {
    return schedulerOf(c_);
}

bool OnboardingController::isVisible() const {
    return window_ ? window_->isVisible() : headlessVisible_;
}

void OnboardingController::show() {
    parkedForPreview_ = false;
    if (isOpen()) {
        // A show during the fade wins: the window stays, at full opacity.
        if (fade_)
            fade_->stop();
        if (window_) {
            window_->setOpacity(1.0);
            window_->showNormal();
            window_->raise();
            window_->requestActivate();
        }
        headlessVisible_ = true;
        return;
    }
    model_.resetForNewWindow();
    refreshPermissions(true);
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        build();
    else
        headlessOpen_ = headlessVisible_ = true;
    startTimers();
    subscribed_ = true;
    qCInfo(lcApp) << "onboarding opened";
}

void OnboardingController::build() {
    auto* view = new QQuickView();
    view->setTitle(QStringLiteral("Welcome to Brisklet"));
    // Closable and resizable, never minimised: it is either in front or done.
    view->setFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMaximizeButtonHint);
    view->setMinimumSize(QSize(minimumWidth, minimumHeight));
    view->resize(width, height);
    ViewWindow::load(*view, QStringLiteral("OnboardingView.qml"),
                     {{QStringLiteral("model"), QVariant::fromValue<QObject*>(&model_)},
                      {QStringLiteral("controller"), QVariant::fromValue<QObject*>(this)}},
                     "onboarding window");
    ViewWindow::centre(*view, QSize(width, height));
    view->installEventFilter(this);
    window_ = view;
    view->show();
    view->raise();
    view->requestActivate();
}

bool OnboardingController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && watched == window_.data())
        windowWillClose();
    return QObject::eventFilter(watched, event);
}

void OnboardingController::close() {
    if (window_)
        window_->close(); // its close event runs windowWillClose
    else if (headlessOpen_)
        windowWillClose();
}

void OnboardingController::windowWillClose() {
    parkedForPreview_ = false;
    pollTimer_.stop();
    levelTimer_.stop();
    subscribed_ = false;
    if (fade_)
        fade_->stop();
    if (window_) {
        window_->removeEventFilter(this);
        window_->deleteLater();
        window_ = nullptr;
    }
    headlessOpen_ = headlessVisible_ = false;
    if (onFinished)
        onFinished();
    qCInfo(lcApp) << "onboarding closed";
}

void OnboardingController::stepAside() {
    if (!isOpen() || !isVisible())
        return;
    parkedForPreview_ = true;
    QPointer<OnboardingController> self(this);
    const auto finish = [self] {
        if (!self || !self->parkedForPreview_ || !self->isOpen())
            return;
        if (self->window_) {
            self->window_->hide();
            self->window_->setOpacity(1.0);
        }
        self->headlessVisible_ = false;
    };
    const bool reduce = DesignSystem::instance().reduceMotion();
    if (window_ && !reduce) {
        if (fade_)
            fade_->stop();
        fade_ = new QPropertyAnimation(window_, "opacity", window_);
        fade_->setDuration(int(fadeSeconds * 1000));
        fade_->setEndValue(0.0);
        fade_->start(QAbstractAnimation::DeleteWhenStopped);
    }
    // The end of the fade runs on the scheduler, so a show() in between can win.
    scheduler().schedule(reduce ? 0.0 : fadeSeconds, finish);
}

void OnboardingController::settleBehind() {
    if (!window_ || !parkedForPreview_)
        return;
    window_->setOpacity(1.0);
    window_->show();
    window_->lower();
}

// A login choice that didn't take is said on the last step, whose box then shows
// what is true; Finish again goes on with that, a new choice tries again.
void OnboardingController::finish() {
    if (c_.loginItem && model_.loginFailure().isEmpty()) {
        const bool wanted = model_.launchAtLogin();
        if (!c_.loginItem->set(wanted)) {
            model_.setLaunchAtLogin(c_.loginItem->isEnabled());
            model_.setLoginFailure(LoginItemWording::failure(wanted));
            return;
        }
    }
    Prefs::setValue(Prefs::Key::onboarded, true);
    close();
}

void OnboardingController::chooseStyle(const QString& style) {
    const OnboardingRules::Style chosen = OnboardingRules::styleFrom(style);
    model_.setStyle(chosen);
    Prefs::setValue(Prefs::Key::activationStyle, OnboardingRules::styleText(chosen));
    if (onWakeConfigChange)
        onWakeConfigChange();
}

void OnboardingController::setClapEnabled(bool on) {
    model_.setClapEnabled(on);
    Prefs::setValue(Prefs::Key::clapWake, on);
    if (onWakeConfigChange)
        onWakeConfigChange();
}

void OnboardingController::allowMicrophone() {
    if (!c_.permissions)
        return;
    if (lastGrants_.microphoneUndetermined)
        c_.permissions->requestMicrophone();
    else
        c_.permissions->openPane(QString::fromLatin1(platform::Permissions::microphonePane));
}

void OnboardingController::allowSpeech() {
    if (!c_.permissions)
        return;
    if (lastGrants_.speechUndetermined)
        c_.permissions->requestSpeech();
    else
        c_.permissions->openPane(QString::fromLatin1(platform::Permissions::speechPane));
}

// Trust granted since the last poll needs nothing; the fresh read shows it.
void OnboardingController::allowAccessibility() {
    QPointer<OnboardingController> self(this);
    refreshPermissions(false, [self](const PermissionGrants& grants) {
        if (self && !grants.accessibility && self->c_.permissions)
            self->c_.permissions->openPane(QString::fromLatin1(platform::Permissions::accessibilityPane));
    });
}

void OnboardingController::relaunch() {
    if (onRelaunch)
        onRelaunch();
}

void OnboardingController::magicUndo() {
    model_.setMagicRanID(std::nullopt);
    if (onMagicUndo)
        onMagicUndo();
}

void OnboardingController::magicRun(const MagicProposal& proposal) {
    model_.clearMagicRunOutcome();
    model_.setMagicRanID(proposal.id());
    if (onMagicRun)
        onMagicRun(proposal);
}

void OnboardingController::runFirstProposal() {
    if (const MagicProposal* first = model_.firstProposal())
        magicRun(MagicProposal(*first)); // the host may replace the list meanwhile
}

void OnboardingController::saveFirstProposal() {
    const MagicProposal* first = model_.firstProposal();
    if (!first || !onMagicSave)
        return;
    const MagicProposal proposal = *first;
    if (const auto storedName = onMagicSave(proposal))
        model_.addMagicSaved(proposal.id(), *storedName);
}

void OnboardingController::refreshPermissions(bool forceCallback,
                                              std::function<void(const PermissionGrants&)> then) {
    forcePending_ = forcePending_ || forceCallback;
    if (then)
        afterCheck_.push_back(std::move(then));
    if (checking_)
        return;
    if (!c_.permissionCheck) {
        applyGrants(PermissionGrants{});
        return;
    }
    checking_ = true;
    QPointer<OnboardingController> self(this);
    c_.permissionCheck->check([self](const PermissionGrants& grants) {
        if (self)
            self->applyGrants(grants);
    });
}

void OnboardingController::applyGrants(const PermissionGrants& grants) {
    checking_ = false;
    lastGrants_ = grants;
    const OnboardingModel::Grants now{grants.microphone, grants.speech, grants.accessibility};
    const bool changed = now != model_.grants();
    model_.setGrants(now);
    model_.setOnDeviceSpeech(grants.onDeviceSpeech);
    const bool force = forcePending_;
    forcePending_ = false;
    auto waiting = std::move(afterCheck_);
    afterCheck_.clear();
    if ((force || changed) && onPermissionsChanged)
        onPermissionsChanged();
    for (const auto& then : waiting)
        then(grants);
}

void OnboardingController::startTimers() {
    pollTimer_.start();
    levelTimer_.start();
}

void OnboardingController::tickLevel() {
    if (model_.step() == OnboardingModel::lastStep)
        model_.setLevel(levelProvider ? levelProvider() : 0.0f);
}

// The reset always writes false: a second flash inside the first one's time ends
// with the first.
void OnboardingController::flash(void (OnboardingModel::*set)(bool), double seconds) {
    (model_.*set)(true);
    QPointer<OnboardingController> self(this);
    scheduler().schedule(seconds, [self, set] {
        if (self)
            (self->model_.*set)(false);
    });
}

void OnboardingController::notePeak() {
    if (subscribed_)
        flash(&OnboardingModel::setPeakFlash, peakFlashSeconds);
}

void OnboardingController::noteWake() {
    if (subscribed_)
        flash(&OnboardingModel::setWakeFlash, wakeFlashSeconds);
}

void OnboardingController::noteClapDemo() {
    if (subscribed_)
        flash(&OnboardingModel::setClapFlash, clapFlashSeconds);
}

void OnboardingController::noteCommandDone(bool success) {
    if (subscribed_ && success && model_.step() == 2)
        model_.setCommandSucceeded(true);
}

} // namespace brisklet
