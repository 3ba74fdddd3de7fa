#include "voice/SpeechController.h"

#include "base/Log.h"
#include "base/Text.h"

#include <algorithm>

namespace brisklet {

QString SpeechController::modeName(Mode mode) {
    switch (mode) {
    case Mode::hold:
        return QStringLiteral("hold");
    case Mode::timed:
        return QStringLiteral("timed");
    case Mode::open:
        return QStringLiteral("open");
    }
    return QStringLiteral("timed");
}

SpeechController::SpeechController(platform::SpeechRecognizer* recognizer, Scheduler& scheduler)
    : recognizer_(recognizer), scheduler_(scheduler), self_(std::make_shared<SpeechController*>(this)) {}

SpeechController::~SpeechController() {
    self_.reset();
    teardown();
}

QString SpeechController::normalize(const QString& text) {
    return Text::normalize(text);
}

bool SpeechController::isListening() const {
    std::lock_guard lock(lock_);
    return listening_;
}

SpeechController::Window SpeechController::window() const {
    return {isListening(), mode_, startTime_, !bestTranscript_.isEmpty(), now()};
}

void SpeechController::start(Mode mode, PartialHandler onPartial, Completion completion,
                             std::vector<float> openingSound) {
    // A model still loading takes the request and decodes it once it is ready. Loading
    // is asked first: a load that ends between the two questions is then seen ready.
    if (!recognizer_ || !(recognizer_->isLoading() || recognizer_->isAvailable())) {
        qCCritical(lcSpeech, "speech recognizer unavailable or not authorized");
        if (completion)
            completion(std::nullopt);
        return;
    }
    if (!recognizer_->supportsOnDeviceRecognition()) {
        qCCritical(lcSpeech, "on-device recognition unavailable — refusing to capture");
        if (completion)
            completion(std::nullopt);
        return;
    }
    if (completion_)
        qCInfo(lcSpeech, "previous session still finalizing — dropping it for the new wake");

    teardown();
    const int gen = ++generation_;
    mode_ = mode;

    QStringList context;
    if (vocabularyProvider)
        context = vocabularyProvider();
    platform::SpeechShapes shapes;
    if (shapesProvider)
        shapes = shapesProvider();
    auto request = std::make_shared<platform::RecognitionRequest>(std::move(context), std::move(shapes));
    request->setOpeningSound(std::move(openingSound));

    onPartial_ = std::move(onPartial);
    completion_ = std::move(completion);
    bestTranscript_.clear();
    startTime_ = lastChange_ = now();
    endAudioSent_ = false;

    {
        std::lock_guard lock(lock_);
        std::vector<float> history = takeHistory();
        // What came after the mark is the window's own start; the room is what came before.
        const std::size_t since = sinceOpening_.value_or(0);
        const std::size_t opening = std::min(since, history.size());
        sinceOpening_.reset();
        const auto split = history.end() - std::ptrdiff_t(opening);
        const auto roomFrom = split - std::min<std::ptrdiff_t>(split - history.begin(), preRollSamples);
        request->setPreRoll(std::vector<float>(roomFrom, split));
        if (opening > 0)
            request->append(std::span<const float>(&*split, opening));
        // Where the chime went out, as noted at its play; else it was played just now,
        // after what the window holds already.
        if (!request->openingSound().empty()) {
            // (What a long wait pushed out of the history is not the window's.)
            if (openingSoundPlayed_)
                request->setOpeningSoundAt(
                    openingSoundPlayed_->sample - std::min(openingSoundPlayed_->sample, since - opening),
                    openingSoundPlayed_->backlogIncluded);
            else
                request->setOpeningSoundAt(opening);
        }
        openingSoundPlayed_.reset();
        request_ = request;
        windowRoute_ = request->openingSoundBacklogIncluded() && chimeRoute ? chimeRoute() : QString();
        if (windowRoute_ != chimeRoute_) {
            chimeRoute_ = windowRoute_;
            chimeFound_.clear();
        }
        request->setOpeningSoundHeardLately(!windowRoute_.isEmpty() &&
                                            std::find(chimeFound_.begin(), chimeFound_.end(), true) !=
                                                chimeFound_.end());
        listening_ = true;
    }

    // Results come on the recogniser's thread; handle them on ours.
    std::weak_ptr<SpeechController*> weak = self_;
    Scheduler* scheduler = &scheduler_;
    recognizer_->recognize(
        request, [weak, scheduler, gen](std::optional<platform::RecognitionResult> result, QString error) {
            scheduler->schedule(0, [weak, gen, result = std::move(result), error = std::move(error)] {
                if (auto self = weak.lock())
                    (*self)->handleResult(gen, result, error);
            });
        });

    tickTimer_ = std::make_unique<RepeatingTimer>(scheduler_, tickInterval, [weak, gen] {
        if (auto self = weak.lock())
            (*self)->tick(gen);
    });
    tickTimer_->start();

    qCInfo(lcSpeech, "listening window opened (%s)", qUtf8Printable(modeName(mode)));
}

void SpeechController::handleResult(int gen, std::optional<platform::RecognitionResult> result,
                                    const QString& error) {
    if (gen != generation_ || !completion_)
        return;
    if (result) {
        if (result->text != bestTranscript_) {
            bestTranscript_ = result->text;
            lastChange_ = now();
            // A reading without words once the microphone has closed, or as the final
            // (the recogniser refusing what it heard), is nothing to show: the words
            // shown while the user spoke stay what was heard.
            const bool wordless = normalize(bestTranscript_).isEmpty();
            if (onPartial_ && !(wordless && (result->isFinal || endAudioSent_)))
                onPartial_(bestTranscript_);
        }
        if (result->isFinal) {
            finish(gen);
            return;
        }
    }
    if (!error.isEmpty()) {
        qCCritical(lcSpeech, "recognition failed: %s", qUtf8Printable(error));
        finish(gen);
    }
}

void SpeechController::tick(int gen) {
    if (gen != generation_ || !isListening())
        return;
    const double t = now();
    const double elapsed = t - startTime_;
    const double quiet = t - lastChange_;
    const bool empty = bestTranscript_.isEmpty();
    // A small tolerance: tick times are sums of 0.2 s steps.
    constexpr double eps = 1e-6;

    switch (mode_) {
    case Mode::hold:
        if (elapsed >= holdLimit - eps)
            endListeningWindow(gen);
        return; // only the key release ends a hold otherwise
    case Mode::timed:
        if (elapsed >= timedLimit - eps) {
            endListeningWindow(gen);
            return;
        }
        break;
    case Mode::open:
        if (elapsed >= openLimit - eps || (empty && elapsed >= openEmptyLimit - eps)) {
            endListeningWindow(gen);
            return;
        }
        break;
    }
    if (!empty && quiet >= silenceEnd - eps) {
        endListeningWindow(gen);
        return;
    }
    if (!empty && quiet >= quickMatchQuiet - eps && quickMatch && quickMatch(normalize(bestTranscript_)))
        endListeningWindow(gen);
}

void SpeechController::endListeningWindow(int gen) {
    if (gen != generation_ || endAudioSent_)
        return;
    endAudioSent_ = true;
    std::shared_ptr<platform::RecognitionRequest> request;
    {
        std::lock_guard lock(lock_);
        listening_ = false;
        request = request_;
    }
    if (request)
        request->endAudio();
    qCInfo(lcSpeech, "listening window closed (%s)",
           bestTranscript_.isEmpty() ? "no speech" : "speech captured");

    endedAt_ = progressAt_ = now();
    progressSeen_ = request ? request->progress() : 0;
    std::weak_ptr<SpeechController*> weak = self_;
    scheduler_.schedule(finishDelay, [weak, gen] {
        if (auto self = weak.lock())
            (*self)->finishAfterEnd(gen, true);
    });
    // The bound for a decoder that stands still holds to the moment, whatever the ticks.
    scheduler_.schedule(finalWaitLimit, [weak, gen] {
        if (auto self = weak.lock())
            (*self)->finishAfterEnd(gen, false);
    });
}

// A recogniser that still owes its final (audio not yet decoded, or its final pass
// running) is waited for: a partial may be the phrase cut short, and would run the
// wrong thing. While decoding moves on the final is on its way, so a loaded machine
// makes the answer later, not lost; once it stands still past the bound, a miss is
// better than a wrong action.
void SpeechController::finishAfterEnd(int gen, bool again) {
    if (gen != generation_ || !completion_)
        return;
    std::shared_ptr<platform::RecognitionRequest> request;
    {
        std::lock_guard lock(lock_);
        request = request_;
    }
    if (!request || !request->isFinalPending()) {
        finish(gen);
        return;
    }
    const double t = now();
    if (request->progress() != progressSeen_ || recognizer_->isLoading()) {
        progressSeen_ = request->progress();
        progressAt_ = t;
    }
    constexpr double eps = 1e-6;
    const double waited = t - endedAt_;
    const bool stalled = t - progressAt_ >= stallLimit - eps;
    if (waited >= finalProgressLimit - eps || (waited >= finalWaitLimit - eps && stalled)) {
        qCWarning(lcSpeech,
                  "no final transcript %.1f s after the end of audio (decoding %s) — nothing taken from this "
                  "window",
                  waited, stalled ? "stood still" : "still moving");
        complete(QString());
        return;
    }
    if (!again)
        return;
    // Looked at again each tick until the final comes.
    std::weak_ptr<SpeechController*> weak = self_;
    scheduler_.schedule(tickInterval, [weak, gen] {
        if (auto self = weak.lock())
            (*self)->finishAfterEnd(gen, true);
    });
}

void SpeechController::finish(int gen) {
    if (gen != generation_ || !completion_)
        return;
    complete(normalize(bestTranscript_));
}

void SpeechController::complete(const QString& text) {
    Completion completion = std::move(completion_);
    completion_ = nullptr;
    teardown();
    if (text.isEmpty())
        qCInfo(lcSpeech, "final transcript ready (empty)");
    else
        qCInfo(lcSpeech, "final transcript ready (%lld chars)", static_cast<long long>(text.size()));
    if (text.isEmpty())
        completion(std::nullopt);
    else
        completion(text);
}

void SpeechController::teardown() {
    tickTimer_.reset();
    std::shared_ptr<platform::RecognitionRequest> request;
    {
        std::lock_guard lock(lock_);
        listening_ = false;
        request = std::move(request_);
        request_.reset();
    }
    // The recognition task lives as long as its request: cancelling one stops the other.
    if (request)
        request->cancel();
    // Whether the route heard its chime this time, once the recogniser has looked.
    if (request && !windowRoute_.isEmpty() && windowRoute_ == chimeRoute_) {
        if (const std::optional<bool> found = request->openingSoundFound()) {
            chimeFound_.push_back(*found);
            if (chimeFound_.size() > chimeWindowsKept)
                chimeFound_.pop_front();
        }
    }
    windowRoute_.clear();
    onPartial_ = nullptr;
    completion_ = nullptr;
    mode_ = Mode::timed;
}

void SpeechController::releaseToOpenEnded() {
    if (mode_ != Mode::hold || !isListening())
        return;
    mode_ = Mode::open;
    startTime_ = now();
    qCInfo(lcSpeech, "listening window now hands-free (tap)");
}

void SpeechController::cancel() {
    if (!completion_)
        return;
    qCInfo(lcSpeech, "listening cancelled");
    teardown();
}

void SpeechController::appendAudio(std::span<const float> samples) {
    std::shared_ptr<platform::RecognitionRequest> request;
    {
        std::lock_guard lock(lock_);
        if (!listening_ || !request_) {
            remember(samples);
            return;
        }
        request = request_;
    }
    // Appended outside the lock; the request itself drops audio after its end.
    request->append(samples);
}

void SpeechController::markOpening() {
    std::lock_guard lock(lock_);
    sinceOpening_ = 0;
    openingSoundPlayed_.reset();
}

// The window's taken count first, then the backlog: a chunk handed over between the
// two is counted in neither, which expects the chime a little early, never late.
void SpeechController::openingSoundPlayed() {
    std::size_t taken = 0;
    {
        std::lock_guard lock(lock_);
        if (!sinceOpening_)
            return;
        taken = *sinceOpening_;
    }
    const std::optional<std::int64_t> backlog = captureBacklog ? captureBacklog() : std::nullopt;
    openingSoundPlayed_ =
        PlayedAt{taken + std::size_t(std::max<std::int64_t>(0, backlog.value_or(0))), backlog.has_value()};
}

// Called with lock_ held.
void SpeechController::remember(std::span<const float> samples) {
    constexpr std::size_t kept = preRollSamples + openingKeptSamples;
    if (history_.size() != kept)
        history_.assign(kept, 0.0f);
    for (float s : samples.last(std::min(samples.size(), kept))) {
        history_[historyAt_] = s;
        historyAt_ = (historyAt_ + 1) % kept;
    }
    historyFilled_ = std::min(kept, historyFilled_ + samples.size());
    if (sinceOpening_)
        *sinceOpening_ += samples.size();
}

// Called with lock_ held: the remembered audio, oldest first, and forgotten.
std::vector<float> SpeechController::takeHistory() {
    const std::size_t kept = history_.size();
    std::vector<float> out;
    out.reserve(historyFilled_);
    for (std::size_t i = kept - historyFilled_; i < kept; ++i)
        out.push_back(history_[(historyAt_ + i) % kept]);
    historyFilled_ = 0;
    return out;
}

} // namespace brisklet
