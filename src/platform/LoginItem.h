#pragma once

namespace brisklet::platform {

// Starting Brisklet when the user logs in. Main thread.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    // Switch it on or off; false when that failed (the reason is logged). The
    // caller re-reads isEnabled() to show the real state.
    virtual bool set(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
};

} // namespace brisklet::platform
