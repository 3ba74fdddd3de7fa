#pragma once

#include <QPoint>
#include <QSize>

namespace brisklet {

// A floating panel as its controller drives it: moved, shown, faded and taken
// away. The app's is a FloatingPanel; tests use a recorder. Main thread.
class FloatingSurface {
public:
    virtual ~FloatingSurface() = default;
    virtual QSize size() const = 0;
    virtual void moveTo(QPoint topLeft) = 0;
    // Clicks pass through to the windows below while true.
    virtual void setClickThrough(bool through) = 0;
    virtual bool isClickThrough() const = 0;
    // Full opacity, above other windows, without taking focus.
    virtual void orderFront() = 0;
    // Above other windows like orderFront(), rising from transparent over `seconds`.
    virtual void fadeIn(double seconds) {
        (void)seconds;
        orderFront();
    }
    // Starts fading to transparent over `seconds`; the controller decides when it ends.
    virtual void fadeOut(double seconds) = 0;
    virtual void orderOut() = 0;
    virtual bool isVisible() const = 0;
};

} // namespace brisklet
