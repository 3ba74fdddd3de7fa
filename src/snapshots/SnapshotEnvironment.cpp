#include "snapshots/SnapshotEnvironment.h"

#include <QDir>
#include <cstdlib>

namespace brisklet::SnapshotEnvironment {

std::optional<QString> folder() {
    const QString value = qEnvironmentVariable("BRISKLET_SNAPSHOT_DIR");
    if (value.isEmpty())
        return std::nullopt;
    return value;
}

bool liveMode() {
    return qEnvironmentVariable("BRISKLET_SNAPSHOT_LIVE") == QLatin1String("1");
}

QByteArray offscreenPlatform(const QByteArray& callerChoice) {
    const QByteArray offscreen("offscreen");
    if (callerChoice == offscreen || callerChoice.startsWith(offscreen + ':'))
        return callerChoice;
    return offscreen;
}

std::unique_ptr<QTemporaryDir> prepareProcess() {
    if (liveMode()) {
        // Grabbing a shown window needs its frame rendered on this thread.
        if (qEnvironmentVariableIsEmpty("QSG_RENDER_LOOP"))
            qputenv("QSG_RENDER_LOOP", "basic");
    } else {
        // Offscreen whatever the session says: the pictures never need a display.
        qputenv("QT_QPA_PLATFORM", offscreenPlatform(qgetenv("QT_QPA_PLATFORM")));
    }
    // The software renderer draws the same pixels on every machine and every run.
    qputenv("QT_QUICK_BACKEND", "software");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");

    auto home =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/brisklet-snapshot-XXXXXX"));
    if (!home->isValid())
        return home;
    const QString root = home->path();
    const std::pair<const char*, const char*> folders[] = {
        {"HOME", ""},
        {"XDG_CONFIG_HOME", "/config"},
        {"XDG_DATA_HOME", "/data"},
        {"XDG_CACHE_HOME", "/cache"},
        {"XDG_STATE_HOME", "/state"},
        {"XDG_RUNTIME_DIR", "/runtime"},
    };
    for (const auto& [name, sub] : folders) {
        const QString path = root + QLatin1String(sub);
        QDir().mkpath(path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(name, QFile::encodeName(path));
    }
    return home;
}

} // namespace brisklet::SnapshotEnvironment
