#include "flow/RequestFlow.h"

#include "base/AppState.h"
#include "base/Log.h"
#include "base/Prefs.h"
#include "base/Scheduler.h"
#include "base/Text.h"
#include "voice/Chime.h"
#include "voice/ClapDetector.h"
#include "voice/SoundClassifier.h"
#include "voice/SpeechController.h"

#include <QPointer>

namespace brisklet {

namespace {
const QString kGrantSpeech =
    QStringLiteral("Grant Speech Recognition in Brisklet \u2192 Settings \u2192 Permissions");
const QString kAsking = QStringLiteral("Asking\u2026");
const QString kNothingChanged = QStringLiteral("Okay \u2014 nothing was changed");
const QString kNoInternet =
    QStringLiteral("No internet \u2014 Ask needs a connection. Everyday commands still work.");
const QString kAskTrouble =
    QStringLiteral("Ask is having trouble right now \u2014 everyday commands still work.");
} // namespace

RequestFlow::RequestFlow(Parts parts, QObject* parent) : QObject(parent), p_(std::move(parts)) {}

Scheduler& RequestFlow::scheduler() {
    return p_.scheduler ? *p_.scheduler : Scheduler::main();
}

// --- listening

void RequestFlow::openWindow(Opening how) {
    if (paused_.load() || !p_.speech || p_.speech->isListening())
        return;
    const bool loading = p_.speechLoading && p_.speechLoading();
    if (!loading && (!p_.speechAuthorized || !p_.speechAuthorized())) {
        p_.hud->show(HUDState::info(kGrantSpeech));
        return;
    }
    // The window is the microphone's from here on, chime and all, however long it
    // takes to start on a busy machine.
    p_.speech->markOpening();
    if (how == Opening::hold) {
        p_.appState->setListening(true);
        emit listeningStarted();
    } else {
        emit listeningStarted();
        p_.appState->setListening(true);
    }
    // The chime after the microphone has been told to turn to its listening pace; the
    // stretch it was gathering comes through all the same. Where the chime lands in
    // the window is noted at once, with what the capture still holds.
    std::vector<float> chime = p_.chime ? p_.chime->play() : std::vector<float>();
    if (!chime.empty())
        p_.speech->openingSoundPlayed();
    p_.hud->show(HUDState::listening(QString()));
    shownPartial_.clear();
    QPointer<RequestFlow> self(this);
    p_.speech->start(
        how == Opening::hold ? SpeechController::Mode::hold : SpeechController::Mode::timed,
        [self](const QString& partial) {
            if (!self)
                return;
            self->shownPartial_ = partial;
            self->p_.hud->updateListening(partial);
        },
        [self](std::optional<QString> text) {
            if (self)
                self->handleTranscript(text);
        },
        std::move(chime));
}

void RequestFlow::handleWake(WakeSource) {
    openWindow(Opening::wake);
}

void RequestFlow::endCurrentWindow() {
    p_.speech->endListeningWindow(p_.speech->generation());
}

void RequestFlow::cancelWindow() {
    p_.speech->cancel();
    p_.appState->setListening(false);
    p_.hud->hide();
}

SpeechController::Window RequestFlow::window() const {
    // Without a recogniser nothing listens: a press opens nothing, a release ends nothing.
    return p_.speech ? p_.speech->window() : SpeechController::Window{};
}

void RequestFlow::wakeKeyDown() {
    if (paused_.load()) {
        gesture_.reset();
        return;
    }
    perform(gesture_.pressed(window()));
}

void RequestFlow::wakeKeyUp(double heldFor) {
    perform(gesture_.released(window(), heldFor));
}

void RequestFlow::holdCancel() {
    perform(gesture_.cancelled(window()));
}

void RequestFlow::perform(WakeKeyGesture::Step step) {
    switch (step) {
    case WakeKeyGesture::Step::none:
        break;
    case WakeKeyGesture::Step::openHold:
        openWindow(Opening::hold);
        break;
    case WakeKeyGesture::Step::openEnded:
        p_.speech->releaseToOpenEnded();
        break;
    case WakeKeyGesture::Step::endWindow:
        endCurrentWindow();
        break;
    case WakeKeyGesture::Step::cancelHold:
        cancelWindow();
        break;
    }
}

void RequestFlow::handleTranscript(const std::optional<QString>& text) {
    p_.appState->setListening(false);
    if (text && !text->isEmpty()) {
        p_.hud->show(HUDState::heard(*text));
        QPointer<RequestFlow> self(this);
        const QString heard = *text;
        scheduler().schedule(handOffDelay, [self, heard] {
            if (self)
                self->dispatch(heard);
        });
        return;
    }
    // A final without words after words were shown is the recogniser refusing what it
    // heard: the miss says what the user saw it hear, unlike a hold in which nobody spoke.
    p_.hud->show(HUDState::miss(shownPartial_));
}

void RequestFlow::updateClapMode() {
    const bool on = Prefs::boolValue(Prefs::Key::clapWake);
    clapModeActive_.store(on);
    qCInfo(lcApp).noquote() << QStringLiteral("clap pipeline %1").arg(on ? "active" : "idle");
}

void RequestFlow::startPipelineIfPermitted() {
    if (paused_.load())
        return;
    if (p_.microphoneAuthorized && p_.microphoneAuthorized()) {
        if (p_.startAudio)
            p_.startAudio();
    } else {
        qCInfo(lcApp).noquote() << QStringLiteral("microphone not yet authorized \u2014 audio pipeline idle");
    }
}

void RequestFlow::togglePause() {
    const bool nowPaused = !paused_.load();
    paused_.store(nowPaused);
    emit pauseChanged(nowPaused);
    if (!nowPaused) {
        startPipelineIfPermitted();
        if (p_.watchdog)
            p_.watchdog->check();
    } else {
        if (p_.speech && p_.speech->isListening())
            cancelWindow();
        gesture_.reset();
        if (p_.stopAudio)
            p_.stopAudio();
    }
    qCInfo(lcApp).noquote() << QStringLiteral("listening %1").arg(nowPaused ? "paused" : "resumed");
}

// --- audio processing thread

void RequestFlow::feedClapAndClassifier(std::span<const float> samples, std::int64_t position) {
    if (!clapModeActive_.load() && !onboardingClapPreview_.load())
        return;
    if (p_.detector)
        p_.detector->process(samples, position);
    if (p_.classifier && p_.classifier->available())
        p_.classifier->analyze(samples, position);
}

void RequestFlow::feedSpeech(std::span<const float> samples) {
    // The controller takes its request under its own lock and appends after
    // letting go of it; a request that has ended drops the audio.
    if (p_.speech)
        p_.speech->appendAudio(samples);
}

void RequestFlow::onDoubleClap(double) {
    if (onboardingClapPreview_.load())
        emit clapDemoHeard();
    if (!Prefs::boolValue(Prefs::Key::clapWake))
        return;
    if (p_.wake)
        p_.wake->clapDetected();
}

// --- dispatch

void RequestFlow::dispatch(const QString& text) {
    const Plan plan = p_.match ? p_.match(text) : Plan{};
    if (!plan.empty()) {
        performActions(plan);
        return;
    }
    if (!p_.ask || !p_.ask->isEnabled()) {
        p_.hud->show(HUDState::miss(text));
        return;
    }
    p_.hud->show(HUDState::executing(kAsking));
    QPointer<RequestFlow> self(this);
    p_.ask->plan(text, [self, text](const AskResult& result) {
        if (self)
            self->handleAskResult(text, result);
    });
}

void RequestFlow::performActions(const Plan& plan) {
    p_.hud->show(HUDState::executing(planSummary(plan)));
    runPlan(plan);
}

void RequestFlow::runPlan(const Plan& plan) {
    if (!p_.executor) {
        qCCritical(lcApp) << "no executor to run the plan";
        return;
    }
    QPointer<RequestFlow> self(this);
    p_.executor->performPlan(plan, [self](const PlanRunner::Outcome& outcome) {
        if (!self)
            return;
        if (outcome.success)
            self->p_.appState->recordCommand();
        self->p_.hud->show(outcome.success ? HUDState::done(outcome.message)
                                           : HUDState::info(outcome.message));
    });
}

void RequestFlow::handleAskResult(const QString& text, const AskResult& result) {
    if (result.plan) {
        const Plan plan = *result.plan;
        if (const auto question = confirmQuestion(plan, text)) {
            QPointer<RequestFlow> self(this);
            p_.hud->showConfirm(
                *question,
                [self, plan] {
                    if (self)
                        self->performActions(plan);
                },
                [self] {
                    if (self)
                        self->p_.hud->show(HUDState::info(kNothingChanged));
                });
            return;
        }
        p_.hud->show(HUDState::executing(planSummary(plan)));
        runPlan(plan);
        return;
    }
    switch (result.error) {
    case AskError::network:
        p_.hud->show(HUDState::info(kNoInternet));
        break;
    case AskError::server:
        p_.hud->show(HUDState::info(kAskTrouble));
        break;
    case AskError::serviceUnavailable:
    case AskError::disabled:
    case AskError::noKey:
    case AskError::badPlan:
        p_.hud->show(HUDState::miss(text));
        break;
    }
}

std::optional<QString> RequestFlow::confirmQuestion(const Plan& plan, const QString& phrase) {
    const QString p = QLatin1Char(' ') + Text::normalize(phrase) + QLatin1Char(' ');
    const auto said = [&](const QString& name) {
        return p.contains(QLatin1Char(' ') + Text::normalize(name) + QLatin1Char(' '));
    };
    for (const Action& action : plan) {
        switch (action.kind) {
        case Action::Kind::quitApp:
            if (!said(action.name))
                return QStringLiteral("Quit ") + action.name + QLatin1Char('?');
            break;
        case Action::Kind::runSetup:
            if (!said(action.name))
                return QStringLiteral("Run your \u201C") + action.name + QStringLiteral("\u201D setup?");
            break;
        case Action::Kind::endSetup:
            if (!said(action.name))
                return QStringLiteral("End \u201C") + action.name +
                       QStringLiteral("\u201D and close its apps?");
            break;
        default:
            break;
        }
    }
    return std::nullopt;
}

} // namespace brisklet
