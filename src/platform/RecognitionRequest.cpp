#include "platform/RecognitionRequest.h"

namespace brisklet::platform {

RecognitionRequest::RecognitionRequest(QStringList contextualStrings, SpeechShapes shapes)
    : contextual_(std::move(contextualStrings)), shapes_(std::move(shapes)) {}

void RecognitionRequest::append(std::span<const float> samples) {
    if (samples.empty())
        return;
    {
        std::lock_guard lock(mutex_);
        if (ended_ || cancelled_)
            return;
        chunks_.emplace_back(samples.begin(), samples.end());
    }
    wake_.notify_one();
}

void RecognitionRequest::endAudio() {
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
    }
    wake_.notify_all();
}

void RecognitionRequest::cancel() {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        chunks_.clear();
    }
    wake_.notify_all();
}

bool RecognitionRequest::isEnded() const {
    std::lock_guard lock(mutex_);
    return ended_;
}

bool RecognitionRequest::isCancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

RecognitionRequest::Next RecognitionRequest::next(std::vector<float>& out) {
    std::unique_lock lock(mutex_);
    taken_ = true;
    wake_.wait(lock, [this] { return cancelled_ || ended_ || !chunks_.empty(); });
    if (cancelled_)
        return Next::cancelled;
    if (chunks_.empty())
        return Next::ended;
    out = std::move(chunks_.front());
    chunks_.pop_front();
    ++inFlight_;
    return Next::audio;
}

void RecognitionRequest::chunkDone() {
    std::lock_guard lock(mutex_);
    if (inFlight_ > 0)
        --inFlight_;
    ++progress_;
}

void RecognitionRequest::markProgress() {
    std::lock_guard lock(mutex_);
    ++progress_;
}

std::size_t RecognitionRequest::progress() const {
    std::lock_guard lock(mutex_);
    return progress_;
}

std::size_t RecognitionRequest::backlog() const {
    std::lock_guard lock(mutex_);
    return chunks_.size() + inFlight_;
}

bool RecognitionRequest::isFinalPending() const {
    std::lock_guard lock(mutex_);
    return ended_ && !cancelled_ && (taken_ || !chunks_.empty() || inFlight_ > 0);
}

} // namespace brisklet::platform
