#pragma once

#include <functional>

namespace brisklet {

// What the desktop lets Brisklet do right now.
struct PermissionGrants {
    bool microphone = false;
    bool speech = false;
    bool accessibility = false;
    bool onDeviceSpeech = false;
    // Never asked yet: "Allow…" asks instead of opening the settings page.
    bool microphoneUndetermined = false;
    bool speechUndetermined = false;
    bool operator==(const PermissionGrants&) const = default;
};

// Reads the grants for the permission screens. A read may take a while (it talks
// to the display server), so it runs off the main thread.
class PermissionCheckPort {
public:
    virtual ~PermissionCheckPort() = default;
    // Start one read; `done` runs on the main thread with the answer.
    virtual void check(std::function<void(const PermissionGrants&)> done) = 0;
};

} // namespace brisklet
