#pragma once

#include "platform/SpeechRecognizer.h"

#include <memory>

namespace brisklet::test {

// Passes requests on to a real recogniser and keeps the latest, so a test can wait
// until the recogniser has caught up with the audio of a window.
class RecordingRecognizer final : public platform::SpeechRecognizer {
public:
    explicit RecordingRecognizer(platform::SpeechRecognizer& inner) : inner_(inner) {}
    bool isAvailable() const override { return inner_.isAvailable(); }
    bool isLoading() const override { return inner_.isLoading(); }
    bool supportsOnDeviceRecognition() const override { return inner_.supportsOnDeviceRecognition(); }
    void recognize(std::shared_ptr<platform::RecognitionRequest> request, ResultHandler handler) override {
        last = request;
        inner_.recognize(std::move(request), std::move(handler));
    }
    std::shared_ptr<platform::RecognitionRequest> last;

private:
    platform::SpeechRecognizer& inner_;
};

} // namespace brisklet::test
