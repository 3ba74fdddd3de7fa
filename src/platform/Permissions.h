#pragma once

#include <QString>
#include <functional>

namespace brisklet::platform {

// What the desktop lets Brisklet do, for the permission screens and the browser
// steps of setups.
class Permissions {
public:
    enum class AutomationStatus { granted, denied, notDetermined, targetNotRunning };

    // The privacy pages the screens open.
    static constexpr const char* microphonePane = "Privacy_Microphone";
    static constexpr const char* speechPane = "Privacy_SpeechRecognition";
    static constexpr const char* accessibilityPane = "Privacy_Accessibility";
    static constexpr const char* automationPane = "Privacy_Automation";

    virtual ~Permissions() = default;
    // Whether Brisklet may drive the app `appID`. Reads the disk: any thread but
    // the main one.
    virtual AutomationStatus determine(const QString& appID) = 0;
    // The same, found off the main thread; `completion` runs on the main thread.
    virtual void requestAutomation(const QString& appID,
                                   std::function<void(AutomationStatus)> completion) = 0;
    // Ask for the microphone and for speech recognition; the screens re-read the
    // state on their own.
    virtual void requestMicrophone() = 0;
    virtual void requestSpeech() = 0;
    // Open the desktop's settings page for `anchor`, where it has one.
    virtual void openPane(const QString& anchor) = 0;
};

} // namespace brisklet::platform
