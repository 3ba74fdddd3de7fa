#pragma once

#include "platform/SpeechRecognizer.h"

#include <memory>
#include <vector>

namespace brisklet::test {

// A recogniser driven by the test: it records each request and lets the test send
// partial and final results or errors for it, as the real one would from its thread.
class FakeRecognizer final : public platform::SpeechRecognizer {
public:
    struct Task {
        std::shared_ptr<platform::RecognitionRequest> request;
        ResultHandler handler;
    };

    mutable bool available = true;
    bool onDevice = true;
    mutable bool loading = false;
    // The model finishes loading just after its availability is asked, as a load on
    // another thread may.
    bool loadEndsWhenAsked = false;
    std::vector<Task> tasks;

    bool isAvailable() const override {
        const bool was = available;
        if (loadEndsWhenAsked && loading) {
            loading = false;
            available = true;
        }
        return was;
    }
    bool isLoading() const override { return loading; }
    bool supportsOnDeviceRecognition() const override { return onDevice; }
    void recognize(std::shared_ptr<platform::RecognitionRequest> request, ResultHandler handler) override {
        tasks.push_back({std::move(request), std::move(handler)});
    }

    Task& last() { return tasks.back(); }
    void partial(const QString& text) { last().handler(platform::RecognitionResult{text, false}, {}); }
    void final(const QString& text) { last().handler(platform::RecognitionResult{text, true}, {}); }
    void fail(const QString& error) { last().handler(std::nullopt, error); }
    // Decodes the audio the last request holds and takes its end, as a recogniser
    // does before its final pass; then final() answers (or nothing ever does). Only
    // once the window has ended.
    void takeEnd() {
        auto& request = *last().request;
        if (!request.isEnded())
            return;
        std::vector<float> chunk;
        while (request.next(chunk) == platform::RecognitionRequest::Next::audio)
            request.chunkDone();
    }
};

} // namespace brisklet::test
