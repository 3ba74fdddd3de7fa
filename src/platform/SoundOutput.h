#pragma once

#include <QString>

namespace brisklet::platform {

// Plays the program's short sounds ("sound-<name>.wav" among its resources).
class SoundOutput {
public:
    virtual ~SoundOutput();
    // Play `name` at `volume` (0…1), restarting it if it is still playing. Returns
    // how many seconds the sound lasts, 0 when there is no such sound. Main thread.
    virtual double play(const QString& name, double volume) = 0;
};

} // namespace brisklet::platform
