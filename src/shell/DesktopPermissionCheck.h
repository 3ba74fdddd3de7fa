#pragma once

#include "base/SerialQueue.h"
#include "shell/SpeechModel.h"
#include "ui/onboarding/PermissionCheckPort.h"

#include <QObject>
#include <functional>

namespace brisklet {

// Reads the grants on a worker of its own (the Accessibility read opens a
// connection to the display server) and answers on the main thread. Nothing is
// ever undetermined here: the desktop asks no consent for the microphone or speech.
class DesktopPermissionCheck final : public QObject, public PermissionCheckPort {
    Q_OBJECT
public:
    struct Reads {
        std::function<bool()> microphone;
        // Read once per check, so that the speech rows agree with each other.
        std::function<SpeechModel()> speech;
        std::function<bool()> accessibility;
        // The recogniser keeps the audio on this machine.
        std::function<bool()> onDeviceRecognition;
    };
    explicit DesktopPermissionCheck(Reads reads, QObject* parent = nullptr);
    ~DesktopPermissionCheck() override;

    void check(std::function<void(const PermissionGrants&)> done) override;
    // No answer after this; waits for a read in progress.
    void stop() { queue_.stop(); }

private:
    Reads reads_;
    SerialQueue queue_;
};

} // namespace brisklet
