#pragma once

namespace brisklet {

// A window the user can bring forward (home window, onboarding).
class WindowPort {
public:
    virtual ~WindowPort() = default;
    virtual void show() = 0;
    virtual bool isVisible() const = 0;
};

} // namespace brisklet
