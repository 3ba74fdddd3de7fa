#pragma once

#include <QString>

namespace brisklet::platform {

// Plays the program's short sounds ("sound-<name>.wav" among its resources).
class SoundOutput {
public:
    virtual ~SoundOutput();
    // Play `name` at `volume` (0…1), restarting it if it is still playing. Returns
    // false when there is no such sound. Main thread.
    virtual bool play(const QString& name, double volume) = 0;
};

} // namespace brisklet::platform
