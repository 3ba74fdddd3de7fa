#pragma once

#include "platform/SoundOutput.h"

#include <QAudioFormat>
#include <QByteArray>
#include <QHash>
#include <QPointer>

class QAudioSink;

namespace brisklet::platform {

// Sounds from the program's resources through Qt Multimedia, each play on an output
// of its own. A sound is read once and kept for the life of the process.
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
    struct Sound {
        QAudioFormat format;
        QByteArray pcm;
        std::vector<float> samples; // 16 kHz mono, at full volume
    };
    QHash<QString, Sound> sounds_;
    QPointer<QAudioSink> playing_;
};

} // namespace brisklet::platform
