#include "voice/SoundClassifier.h"

#include "base/Log.h"

#include <algorithm>

namespace brisklet {

SoundClassifier::SoundClassifier(std::unique_ptr<platform::SoundAnalyzer> analyzer, Clock& clock)
    : analyzer_(std::move(analyzer)), clock_(clock) {
    if (!analyzer_) {
        qCCritical(lcClap) << "sound analyser unavailable (none installed) — DSP-only clap detection";
        return;
    }
    analyzerName_ = analyzer_->name();
    const QStringList known = analyzer_->knownClassifications();
    qCInfo(lcClap).noquote() << QStringLiteral("%1 knows %2 classes").arg(analyzerName_).arg(known.size());
    for (const QString& label : known) {
        if (isClapLabel(label))
            clapIdentifiers_.insert(label);
        if (isSpeechLabel(label))
            speechIdentifiers_.insert(label);
    }
    QStringList clapSorted(clapIdentifiers_.begin(), clapIdentifiers_.end());
    clapSorted.sort();
    qCInfo(lcClap).noquote() << "clap-family identifiers:" << clapSorted.join(QStringLiteral(", "));

    QString error;
    available_ = analyzer_->start([this](const auto& result) { handleResult(result); },
                                  [this](const QString& description) { handleFailure(description); }, &error);
    if (!available_)
        qCCritical(lcClap).noquote()
            << QStringLiteral("%1 unavailable (%2) — DSP-only clap detection").arg(analyzerName_, error);
}

SoundClassifier::~SoundClassifier() {
    stop();
}

void SoundClassifier::stop() {
    if (analyzer_)
        analyzer_->stop();
}

void SoundClassifier::analyze(std::span<const float> samples, std::int64_t position) {
    if (available_)
        analyzer_->analyze(samples, position);
}

bool SoundClassifier::isClapLabel(const QString& label) {
    const QString lower = label.toLower();
    for (const char* word : {"clap", "applause", "finger_snap"})
        if (lower.contains(QLatin1String(word)))
            return true;
    return false;
}

bool SoundClassifier::isSpeechLabel(const QString& label) {
    return label.toLower().contains(QLatin1String("speech"));
}

void SoundClassifier::handleResult(const std::vector<platform::SoundAnalyzer::Classification>& result) {
    double clap = 0;
    double speech = 0;
    for (const auto& c : result) {
        if (clapIdentifiers_.contains(c.identifier))
            clap = std::max(clap, c.confidence);
        if (speechIdentifiers_.contains(c.identifier))
            speech = std::max(speech, c.confidence);
    }
    const double now = clock_.now();
    {
        std::lock_guard guard(lock_);
        if (clap > minConfidence)
            recentHits_.push_back({now, clap});
        if (speech > minConfidence)
            recentSpeech_.push_back({now, speech});
        auto stale = [now](const Hit& hit) { return now - hit.time > keepSeconds; };
        std::erase_if(recentHits_, stale);
        std::erase_if(recentSpeech_, stale);
    }
    if (clap > minConfidence) {
        BK_DETAIL(lcClap).noquote() << QString::asprintf("clap-family confidence %.*f", 3, clap);
    }
}

void SoundClassifier::handleFailure(const QString& description) {
    qCCritical(lcClap).noquote() << QStringLiteral("%1 stream error: %2").arg(analyzerName_, description);
}

std::optional<double> SoundClassifier::best(const std::vector<Hit>& hits, double window, double now) {
    std::optional<double> top;
    for (const Hit& hit : hits)
        if (now - hit.time <= window)
            top = std::max(top.value_or(hit.confidence), hit.confidence);
    return top;
}

std::optional<double> SoundClassifier::bestClap(double window, double now) const {
    std::lock_guard guard(lock_);
    return best(recentHits_, window, now);
}

std::optional<double> SoundClassifier::bestSpeech(double window, double now) const {
    std::lock_guard guard(lock_);
    return best(recentSpeech_, window, now);
}

std::vector<SoundClassifier::Hit> SoundClassifier::recentHits() const {
    std::lock_guard guard(lock_);
    return recentHits_;
}

std::vector<SoundClassifier::Hit> SoundClassifier::recentSpeech() const {
    std::lock_guard guard(lock_);
    return recentSpeech_;
}

} // namespace brisklet
