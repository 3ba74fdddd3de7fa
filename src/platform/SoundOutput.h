#pragma once

#include <QString>

#include <vector>

namespace brisklet::platform {

// Plays the program's short sounds ("sound-<name>.wav" among its resources).
class SoundOutput {
public:
    virtual ~SoundOutput();
    // Play `name` at `volume` (0…1), restarting it if it is still playing. Returns the
    // sound as it goes out, 16 kHz mono at the volume played, so the recogniser can
    // tell it from a voice in the microphone: its length is how many seconds it lasts.
    // Empty when nothing is heard: no such sound, or volume 0. Main thread.
    virtual std::vector<float> play(const QString& name, double volume) = 0;
};

} // namespace brisklet::platform
