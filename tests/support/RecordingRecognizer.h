#pragma once

#include "platform/SpeechRecognizer.h"

#include <functional>
#include <memory>

namespace brisklet::test {

// Passes requests on to a real recogniser and keeps the latest, so a test can wait
// until the recogniser has caught up with the audio of a window.
class RecordingRecognizer final : public platform::SpeechRecognizer {
public:
    // Sees every result on the recogniser's own thread before it is passed on (set
    // before the window opens; for timing when the recogniser answered).
    using Observer = std::function<void(const std::optional<platform::RecognitionResult>& result)>;

    explicit RecordingRecognizer(platform::SpeechRecognizer& inner) : inner_(inner) {}
    bool isAvailable() const override { return inner_.isAvailable(); }
    bool isLoading() const override { return inner_.isLoading(); }
    bool supportsOnDeviceRecognition() const override { return inner_.supportsOnDeviceRecognition(); }
    void recognize(std::shared_ptr<platform::RecognitionRequest> request, ResultHandler handler) override {
        last = request;
        if (observer)
            handler = [observer = observer, handler = std::move(handler)](
                          std::optional<platform::RecognitionResult> result, QString error) {
                observer(result);
                handler(std::move(result), std::move(error));
            };
        inner_.recognize(std::move(request), std::move(handler));
    }
    std::shared_ptr<platform::RecognitionRequest> last;
    Observer observer;

private:
    platform::SpeechRecognizer& inner_;
};

} // namespace brisklet::test
