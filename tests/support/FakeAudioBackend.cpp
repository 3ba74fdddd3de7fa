#include "support/FakeAudioBackend.h"

#include "base/MainThread.h"

#include <algorithm>
#include <stdexcept>

namespace brisklet::test {

void FakeAudioBackend::setFormat(std::optional<platform::InputFormat> format) {
    std::lock_guard lock(mutex_);
    format_ = format;
}

void FakeAudioBackend::setServerAnswers(bool answers) {
    std::lock_guard lock(mutex_);
    serverAnswers_ = answers;
}

void FakeAudioBackend::switchFormatAfterNextRead(platform::InputFormat next) {
    std::lock_guard lock(mutex_);
    switchTo_ = next;
}

void FakeAudioBackend::failStarts(int count, std::optional<platform::AudioError> error) {
    std::lock_guard lock(mutex_);
    startFailures_ = count;
    startError_ = std::move(error);
}

void FakeAudioBackend::throwOnNextStart(std::string what) {
    std::lock_guard lock(mutex_);
    throwWhat_ = std::move(what);
    throwNext_ = true;
}

bool FakeAudioBackend::push(std::span<const float> samples) {
    // Held during the call, so that removeTap() really means "no more calls".
    std::lock_guard lock(mutex_);
    if (!sink_ || !running_)
        return false;
    sink_(samples);
    return true;
}

void FakeAudioBackend::emitChange(const QString& reason) {
    ChangeHandler handler;
    {
        std::lock_guard lock(mutex_);
        handler = changeHandler_;
    }
    if (handler)
        handler(reason);
}

std::vector<std::string> FakeAudioBackend::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

int FakeAudioBackend::count(const std::string& call) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count(calls_.begin(), calls_.end(), call));
}

void FakeAudioBackend::note(const char* call) {
    calls_.push_back(call);
    if (MainThread::isCurrent())
        ++mainThreadCalls_;
}

int FakeAudioBackend::mainThreadCalls() const {
    std::lock_guard lock(mutex_);
    return mainThreadCalls_;
}

void FakeAudioBackend::clearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

void FakeAudioBackend::setChangeHandler(ChangeHandler handler) {
    std::lock_guard lock(mutex_);
    changeHandler_ = std::move(handler);
}

std::optional<platform::InputFormat> FakeAudioBackend::inputFormat() {
    std::lock_guard lock(mutex_);
    note("format");
    const auto answer = format_;
    if (switchTo_) {
        format_ = switchTo_;
        switchTo_.reset();
    }
    return answer;
}

std::optional<platform::AudioError> FakeAudioBackend::prepareConverter(const platform::InputFormat&) {
    std::lock_guard lock(mutex_);
    note("converter");
    return std::nullopt;
}

std::optional<platform::AudioError> FakeAudioBackend::installTap(Sink sink) {
    std::lock_guard lock(mutex_);
    note("install");
    sink_ = std::move(sink);
    return std::nullopt;
}

std::optional<platform::AudioError> FakeAudioBackend::removeTap() {
    std::lock_guard lock(mutex_);
    note("remove");
    sink_ = nullptr;
    return std::nullopt;
}

std::optional<platform::AudioError> FakeAudioBackend::startEngine() {
    std::lock_guard lock(mutex_);
    note("start");
    if (throwNext_) {
        throwNext_ = false;
        throw std::runtime_error(throwWhat_);
    }
    if (startFailures_ > 0) {
        --startFailures_;
        return startError_;
    }
    running_ = true;
    return std::nullopt;
}

std::optional<platform::AudioError> FakeAudioBackend::stopEngine() {
    std::lock_guard lock(mutex_);
    note("stop");
    running_ = false;
    return std::nullopt;
}

void FakeAudioBackend::setListening(bool listening) {
    std::lock_guard lock(mutex_);
    note(listening ? "listen" : "idle");
}

bool FakeAudioBackend::isRunning() const {
    std::lock_guard lock(mutex_);
    return running_;
}

bool FakeAudioBackend::serverAnswers() const {
    std::lock_guard lock(mutex_);
    return serverAnswers_;
}

void FakeAudioBackend::setBacklog(std::optional<CaptureBacklog> backlog) {
    std::lock_guard lock(mutex_);
    backlog_ = backlog;
}

std::optional<platform::AudioBackend::CaptureBacklog> FakeAudioBackend::captureBacklog() {
    std::lock_guard lock(mutex_);
    return backlog_;
}

} // namespace brisklet::test
