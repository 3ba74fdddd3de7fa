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

bool QtSoundOutput::play(const QString& name, double volume) {
    QSoundEffect* effect = cache_.value(name);
    if (!effect) {
        const QString path = resourceFor(name);
        if (path.isEmpty())
            return false;
        effect = new QSoundEffect;
        effect->setSource(QUrl(QStringLiteral("qrc") + path));
        cache_.insert(name, effect);
    }
    // Restart rather than overlap when the same sound comes twice in a row.
    effect->stop();
    effect->setVolume(static_cast<float>(volume));
    effect->play();
    return true;
}

} // namespace brisklet::platform
