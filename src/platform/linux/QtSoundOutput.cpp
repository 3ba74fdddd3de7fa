#include "platform/linux/QtSoundOutput.h"

#include "platform/linux/SampleConverter.h"

#include <QFile>
#include <QSoundEffect>
#include <QUrl>

namespace brisklet::platform {

QtSoundOutput::QtSoundOutput() = default;

QtSoundOutput::~QtSoundOutput() {
    delete playing_;
    qDeleteAll(ready_);
}

QString QtSoundOutput::resourceFor(const QString& name) {
    const QString path = QStringLiteral(":/sounds/sound-") + name + QStringLiteral(".wav");
    return QFile::exists(path) ? path : QString();
}

double QtSoundOutput::lengthOf(const QString& name) {
    QFile file(resourceFor(name));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    // Our sounds are plain WAV files: a 44-byte header, then the samples.
    const QByteArray header = file.read(44);
    if (header.size() < 44 || !header.startsWith("RIFF"))
        return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(header.constData());
    const quint32 byteRate = bytes[28] | bytes[29] << 8 | bytes[30] << 16 | quint32(bytes[31]) << 24;
    return byteRate ? double(file.size() - header.size()) / byteRate : 0;
}

std::vector<float> QtSoundOutput::samplesOf(const QString& name) {
    QFile file(resourceFor(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Our sounds are plain WAV files of 16-bit samples: a 44-byte header, then the samples.
    const QByteArray wav = file.readAll();
    if (wav.size() < 44 || !wav.startsWith("RIFF"))
        return {};
    const auto* bytes = reinterpret_cast<const unsigned char*>(wav.constData());
    const int channels = bytes[22] | bytes[23] << 8;
    const int rate = int(bytes[24] | bytes[25] << 8 | bytes[26] << 16 | quint32(bytes[27]) << 24);
    const int bits = bytes[34] | bytes[35] << 8;
    if (bits != 16)
        return {};
    // Through the microphone's own converter, so the sound is shaped as the
    // microphone's audio is.
    const auto converter = SampleConverter::create({rate, channels, SampleFormat::int16});
    if (!converter)
        return {};
    std::vector<float> out;
    const auto take = [&](std::span<const float> samples) {
        out.insert(out.end(), samples.begin(), samples.end());
    };
    converter->push(std::as_bytes(std::span(wav.constData() + 44, std::size_t(wav.size() - 44))), take);
    converter->finish(take);
    return out;
}

QSoundEffect* QtSoundOutput::load(const QString& name) {
    auto* effect = new QSoundEffect;
    effect->setSource(QUrl(QStringLiteral("qrc") + resourceFor(name)));
    // An effect goes once it has played (or could not).
    QObject::connect(effect, &QSoundEffect::playingChanged, effect, [this, effect] {
        if (effect->isPlaying())
            return;
        if (playing_ == effect)
            playing_ = nullptr;
        effect->deleteLater();
    });
    QObject::connect(effect, &QSoundEffect::statusChanged, effect, [this, name, effect] {
        if (effect->status() != QSoundEffect::Error)
            return;
        if (ready_.value(name) == effect)
            ready_.remove(name);
        if (playing_ == effect)
            playing_ = nullptr;
        effect->deleteLater();
    });
    return effect;
}

std::vector<float> QtSoundOutput::play(const QString& name, double volume) {
    // Nothing heard: the recogniser looks for nothing.
    if (!(volume > 0))
        return {};
    if (resourceFor(name).isEmpty())
        return {};
    if (!samples_.contains(name))
        samples_.insert(name, samplesOf(name));
    // Restart rather than overlap when a sound comes while the last still plays. Each
    // play has an effect of its own, loaded ahead for the next: one effect stopped and
    // played again over and over fell silent after a few plays.
    if (playing_)
        playing_->stop();
    QSoundEffect* effect = ready_.take(name);
    if (!effect)
        effect = load(name);
    effect->setVolume(static_cast<float>(volume));
    effect->play();
    playing_ = effect;
    ready_.insert(name, load(name));
    std::vector<float> out = samples_.value(name);
    for (float& s : out)
        s *= float(volume);
    return out;
}

} // namespace brisklet::platform
