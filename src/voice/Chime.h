#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace brisklet {
namespace platform {
class SoundOutput;
}

// The program's short sounds: the wake chime and named cues, played through the
// sound output it is given. Main thread.
class Chime final {
public:
    struct Option {
        QString id;
        QString label;
    };

    // Null output: silence.
    explicit Chime(platform::SoundOutput* output) : output_(output) {}

    // The wake sounds offered in the settings, in order.
    static const std::vector<Option>& options();
    // "brisklet.soundVolume" clamped to 0…1.
    static double userVolume();

    // The wake chime: the sound chosen in "brisklet.wakeSound" at the user's volume,
    // unless sounds are switched off. Returns the sound as it went out (16 kHz mono,
    // at the volume played), which the microphone may hear; empty when none is heard.
    std::vector<float> play();
    // One named sound at `volume` clamped to 0…1; "none" plays nothing. Returns the
    // sound as play() does.
    std::vector<float> play(const QString& name, double volume);
    // A named cue at the user's volume, unless sounds are switched off.
    void playCue(const QString& name);
    // A sound chosen in the settings, heard as play(name, volume) would play it.
    void preview(const QString& name, double volume);

    // Whether a listening window is open: a cue or a preview played into it would be
    // heard as somebody speaking, so none is played then.
    void setWindowOpen(std::function<bool()> open) { windowOpen_ = std::move(open); }

private:
    bool windowOpen() const { return windowOpen_ && windowOpen_(); }

    platform::SoundOutput* output_;
    std::function<bool()> windowOpen_;
};

} // namespace brisklet
