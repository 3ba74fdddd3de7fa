#pragma once

#include "platform/RecognitionRequest.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace brisklet::platform {

struct RecognitionResult {
    QString text; // the transcript as recognised, not normalised
    bool isFinal = false;
    bool operator==(const RecognitionResult&) const = default;
};

// On-device speech recognition (US English). Results arrive on the recogniser's own
// thread; a receiver hops to its own thread itself.
class SpeechRecognizer {
public:
    // A result, an error text (empty: none), or both. After a final result or an
    // error nothing more comes; after cancel() nothing is guaranteed to come.
    using ResultHandler = std::function<void(std::optional<RecognitionResult> result, QString error)>;

    virtual ~SpeechRecognizer() = default;
    // The model has loaded and recognition can start.
    virtual bool isAvailable() const = 0;
    // The model is still loading: not available yet, but not missing either. A
    // request made now is decoded once the load is done.
    virtual bool isLoading() const = 0;
    // Audio never leaves the machine.
    virtual bool supportsOnDeviceRecognition() const = 0;
    // Decode `request` until it ends or is cancelled. Any thread.
    virtual void recognize(std::shared_ptr<RecognitionRequest> request, ResultHandler handler) = 0;
};

} // namespace brisklet::platform
