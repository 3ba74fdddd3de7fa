#include "platform/linux/QtSoundOutput.h"

#include <QFile>
#include <QSoundEffect>
#include <QUrl>

namespace brisklet::platform {

QtSoundOutput::QtSoundOutput() = default;

QtSoundOutput::~QtSoundOutput() {
    qDeleteAll(cache_);
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

double QtSoundOutput::play(const QString& name, double volume) {
    QSoundEffect* effect = cache_.value(name);
    if (!effect) {
        const QString path = resourceFor(name);
        if (path.isEmpty())
            return 0;
        effect = new QSoundEffect;
        effect->setSource(QUrl(QStringLiteral("qrc") + path));
        cache_.insert(name, effect);
        // A sound that turns out unreadable is dropped, so a later play tries afresh.
        QObject::connect(effect, &QSoundEffect::statusChanged, effect, [this, name, effect] {
            if (effect->status() != QSoundEffect::Error || cache_.value(name) != effect)
                return;
            cache_.remove(name);
            effect->deleteLater();
        });
    }
    // Restart rather than overlap when the same sound comes twice in a row.
    effect->stop();
    effect->setVolume(static_cast<float>(volume));
    effect->play();
    if (!lengths_.contains(name))
        lengths_.insert(name, lengthOf(name));
    return lengths_.value(name);
}

} // namespace brisklet::platform
