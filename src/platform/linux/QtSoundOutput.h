#pragma once

#include "platform/SoundOutput.h"

#include <QHash>
#include <QPointer>

class QSoundEffect;

namespace brisklet::platform {

// Sounds from the program's resources through Qt Multimedia, each play by an effect
// of its own, loaded ahead of it.
class QtSoundOutput final : public SoundOutput {
public:
    QtSoundOutput();
    ~QtSoundOutput() override;
    std::vector<float> play(const QString& name, double volume) override;

    // The resource URL of a sound, empty when the program has no such sound.
    static QString resourceFor(const QString& name);
    // Seconds of a sound among the resources (0: none).
    static double lengthOf(const QString& name);
    // A sound among the resources as 16 kHz mono samples at full volume (empty: none).
    static std::vector<float> samplesOf(const QString& name);

private:
    QSoundEffect* load(const QString& name);

    QHash<QString, QSoundEffect*> ready_; // loaded for each sound's next play
    QHash<QString, std::vector<float>> samples_;
    QPointer<QSoundEffect> playing_;
};

} // namespace brisklet::platform
