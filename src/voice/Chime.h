#pragma once

#include <QString>
#include <vector>

namespace brisklet {
namespace platform {
class SoundOutput;
}

// The program's short sounds: the wake chime and named cues. Main thread.
namespace Chime {

struct Option {
    QString id;
    QString label;
};

// The wake sounds offered in the settings, in order.
const std::vector<Option>& options();

// Where sounds go; the app installs the real output, tests a fake. Null: silence.
void setOutput(platform::SoundOutput* output);

// The wake chime: the sound chosen in "brisklet.wakeSound" at the user's volume,
// unless sounds are switched off.
void play();
// One named sound at `volume` clamped to 0…1; "none" plays nothing.
void play(const QString& name, double volume);
// A named cue at the user's volume, unless sounds are switched off.
void playCue(const QString& name);

// "brisklet.soundVolume" clamped to 0…1.
double userVolume();

} // namespace Chime
} // namespace brisklet
