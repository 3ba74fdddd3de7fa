#include "support/FakeMprisPlayer.h"

namespace brisklet::test {

namespace {
const QString root = QStringLiteral("org.mpris.MediaPlayer2");
const QString player = QStringLiteral("org.mpris.MediaPlayer2.Player");
} // namespace

FakeMprisPlayer::FakeMprisPlayer(const QString& busSuffix, const QString& desktopEntry, const QString& status)
    : busName_(QStringLiteral("org.mpris.MediaPlayer2.") + busSuffix),
      service_(std::make_unique<FakeDBusService>(FakeDBusService::Bus::session, busName_,
                                                 QStringLiteral("/org/mpris/MediaPlayer2"))) {
    auto& s = *service_;
    s.setProperty(root, "DesktopEntry", desktopEntry);
    s.setProperty(root, "Identity", desktopEntry);
    s.setProperty(root, "CanRaise", true);
    s.setProperty(player, "PlaybackStatus", status);
    auto setTo = [&s](const QString& next) {
        return [&s, next](const QDBusMessage& m) {
            QString target = next;
            if (target.isEmpty())
                target = s.property(player, "PlaybackStatus").toString() == "Playing" ? "Paused" : "Playing";
            s.setProperty(player, "PlaybackStatus", target);
            return m.createReply();
        };
    };
    s.on(player, "Play", setTo("Playing"));
    s.on(player, "Pause", setTo("Paused"));
    s.on(player, "PlayPause", setTo({}));
    s.on(player, "OpenUri", setTo("Playing"));
}

QString FakeMprisPlayer::status() const {
    return service_->property(player, "PlaybackStatus").toString();
}

} // namespace brisklet::test
