#pragma once

namespace brisklet {

// A window that steps out of the way while a drafted setup is tried out, and comes
// back afterwards.
class PreviewWindow {
public:
    virtual ~PreviewWindow() = default;
    // Moves out of the way and marks itself parked.
    virtual void stepAside() = 0;
    virtual bool isParked() const = 0;
    // Full opacity, ordered to the back, still parked.
    virtual void settleBehind() = 0;
    // Un-parks, full opacity, shown again.
    virtual void returnFromPreview() = 0;
};

} // namespace brisklet
