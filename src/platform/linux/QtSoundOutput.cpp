#include "platform/linux/QtSoundOutput.h"

#include "platform/linux/SampleConverter.h"

#include <QAudioSink>
#include <QBuffer>
#include <QFile>
#include <QMediaDevices>

namespace brisklet::platform {

QtSoundOutput::QtSoundOutput() = default;

QtSoundOutput::~QtSoundOutput() {
    delete playing_;
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

std::vector<float> QtSoundOutput::play(const QString& name, double volume) {
    // Nothing heard: the recogniser looks for nothing.
    if (!(volume > 0))
        return {};
    if (!sounds_.contains(name)) {
        QFile file(resourceFor(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray wav = file.readAll();
        const std::vector<float> samples = samplesOf(name);
        if (samples.empty())
            return {};
        const auto* bytes = reinterpret_cast<const unsigned char*>(wav.constData());
        Sound sound;
        sound.format.setSampleRate(
            int(bytes[24] | bytes[25] << 8 | bytes[26] << 16 | quint32(bytes[27]) << 24));
        sound.format.setChannelCount(bytes[22] | bytes[23] << 8);
        sound.format.setSampleFormat(QAudioFormat::Int16);
        sound.pcm = wav.mid(44);
        sound.samples = samples;
        sounds_.insert(name, sound);
    }
    const Sound& sound = sounds_[name];
    // Restart rather than overlap when a sound comes while the last still plays. A
    // fresh output each time: one effect stopped and played again over and over
    // fell silent after a few plays, and a fresh one also follows the default output.
    if (playing_)
        playing_->stop();
    auto* buffer = new QBuffer;
    buffer->setData(sound.pcm);
    buffer->open(QIODevice::ReadOnly);
    auto* sink = new QAudioSink(QMediaDevices::defaultAudioOutput(), sound.format);
    buffer->setParent(sink);
    sink->setVolume(volume);
    QObject::connect(sink, &QAudioSink::stateChanged, sink, [this, sink](QAudio::State state) {
        if (state == QAudio::ActiveState)
            return;
        if (state == QAudio::IdleState) {
            sink->stop();
            return;
        }
        if (playing_ == sink)
            playing_ = nullptr;
        sink->deleteLater();
    });
    playing_ = sink;
    sink->start(buffer);
    std::vector<float> out = sound.samples;
    for (float& s : out)
        s *= float(volume);
    return out;
}

} // namespace brisklet::platform
