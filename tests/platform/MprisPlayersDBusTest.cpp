// MPRIS control against fake players on the private session bus.
#include "actions/MediaActions.h"
#include "platform/linux/MprisPlayers.h"
#include "support/FakeApps.h"
#include "support/FakeClock.h"
#include "support/FakeMprisPlayer.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet;
using brisklet::test::FakeMprisPlayer;

namespace {
class Mpris : public ::testing::Test {
protected:
    void SetUp() override {
        installed.setInstalled({{"spotify", "Spotify", "/x/spotify.desktop"},
                                {"org.kde.elisa", "Elisa", "/x/org.kde.elisa.desktop"}});
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            << "the test desktop is not running";
    }
    MediaActions media() {
        return MediaActions(
            bus, installed,
            [this](const QString& id, const QStringList& urls) {
                launches << id + " " + urls.join(' ');
                return true;
            },
            empty.path());
    }
    platform::MprisPlayers bus;
    test::FakeClock clock;
    test::FakeDesktop desktop{clock};
    test::FakeApps installed{desktop};
    QStringList launches;
    QTemporaryDir empty;
};
} // namespace

TEST_F(Mpris, playersAreFoundByTheirEntryAndNeverStarted) {
    FakeMprisPlayer elisa("elisa.instance4242", "org.kde.elisa");
    ASSERT_TRUE(elisa.problem().isEmpty()) << elisa.problem().toStdString();
    EXPECT_EQ(bus.findRunning({"org.kde.elisa"}, {}, 3000), elisa.busName());
    EXPECT_EQ(bus.findRunning({"ORG.KDE.ELISA"}, {}, 3000), elisa.busName());
    EXPECT_EQ(bus.findRunning({"spotify"}, {"org.mpris.MediaPlayer2.spotify"}, 3000), std::nullopt);
    EXPECT_EQ(bus.findRunning({"nothing"}, {"org.mpris.MediaPlayer2.elisa"}, 3000), elisa.busName());
    EXPECT_EQ(bus.playbackStatus("org.mpris.MediaPlayer2.notthere", 3000), std::nullopt);
}

TEST_F(Mpris, onlyTheSecondPlayerPlayingGetsThePause) {
    FakeMprisPlayer spotify("spotify", "spotify");
    FakeMprisPlayer elisa("elisa", "org.kde.elisa", "Playing");
    ASSERT_TRUE(spotify.problem().isEmpty() && elisa.problem().isEmpty());
    EXPECT_EQ(media().control(MediaOp::pause), (MediaActions::Result{true, "Paused — Elisa"}));
    EXPECT_EQ(elisa.methodCalls(), QStringList{"Pause"});
    EXPECT_TRUE(spotify.methodCalls().isEmpty());
    EXPECT_EQ(elisa.status(), "Paused");
}

TEST_F(Mpris, transportCommandsReachThePlayer) {
    FakeMprisPlayer spotify("spotify", "spotify");
    ASSERT_TRUE(spotify.problem().isEmpty());
    EXPECT_EQ(media().control(MediaOp::play), (MediaActions::Result{true, "Playing — Spotify"}));
    EXPECT_EQ(media().control(MediaOp::next), (MediaActions::Result{true, "Next track — Spotify"}));
    EXPECT_EQ(media().control(MediaOp::previous), (MediaActions::Result{true, "Previous track — Spotify"}));
    EXPECT_EQ(media().control(MediaOp::playPause), (MediaActions::Result{true, "Paused — Spotify"}));
    EXPECT_EQ(media().control(MediaOp::playPause), (MediaActions::Result{true, "Playing — Spotify"}));
    EXPECT_EQ(spotify.methodCalls(), (QStringList{"Play", "Next", "Previous", "PlayPause", "PlayPause"}));
}

TEST_F(Mpris, aSearchRaisesARunningSpotify) {
    FakeMprisPlayer spotify("spotify", "spotify");
    ASSERT_TRUE(spotify.problem().isEmpty());
    EXPECT_EQ(media().play("café del mar", QString("spotify")),
              (MediaActions::Result{true, "Searching Spotify for “café del mar” — pick a result"}));
    EXPECT_EQ(launches, QStringList{"spotify spotify:search:caf%C3%A9%20del%20mar"});
    EXPECT_EQ(spotify.methodCalls(), QStringList{"Raise"});
}

TEST_F(Mpris, noPlayerMeansNoCall) {
    EXPECT_EQ(media().control(MediaOp::pause),
              (MediaActions::Result{false, "Nothing is playing — try “play … on Spotify”"}));
}

TEST_F(Mpris, accessDeniedIsReportedAsBlocked) {
    FakeMprisPlayer spotify("spotify", "spotify", "Playing");
    ASSERT_TRUE(spotify.problem().isEmpty());
    spotify.service().on("org.mpris.MediaPlayer2.Player", "Pause", [](const QDBusMessage& m) {
        return m.createErrorReply("org.freedesktop.DBus.Error.AccessDenied", "Rejected send message");
    });
    EXPECT_EQ(media().control(MediaOp::pause),
              (MediaActions::Result{
                  false, "The desktop blocked control of Spotify — allow Brisklet on the session bus"}));
    spotify.service().on("org.mpris.MediaPlayer2.Player", "Pause", [](const QDBusMessage& m) {
        return m.createErrorReply("org.freedesktop.DBus.Error.Failed", "broken");
    });
    EXPECT_EQ(media().control(MediaOp::pause), (MediaActions::Result{false, "Spotify didn't respond"}));
}

TEST_F(Mpris, aSilentPlayerIsPassedOverWhileAnotherAnswersAndSaysSoWhenAlone) {
    FakeMprisPlayer spotify("spotify", "spotify", "Playing");
    FakeMprisPlayer elisa("elisa", "org.kde.elisa", "Playing");
    ASSERT_TRUE(spotify.problem().isEmpty() && elisa.problem().isEmpty());
    spotify.service().setSilent(true);
    EXPECT_EQ(media().control(MediaOp::pause), (MediaActions::Result{true, "Paused — Elisa"}));
    EXPECT_EQ(media().play("jazz", QString("spotify")).message,
              "Searching Spotify for “jazz” — pick a result");
    EXPECT_EQ(elisa.methodCalls(), QStringList{"Pause"});

    // Alone, the silent player is the one the command is about, not "nothing".
    elisa.service().setSilent(true);
    EXPECT_EQ(media().control(MediaOp::pause), (MediaActions::Result{false, "Spotify didn't respond"}));
    // Slow once is not silent for good: the next command asks it again.
    spotify.service().setSilent(false);
    EXPECT_EQ(media().control(MediaOp::pause), (MediaActions::Result{true, "Paused — Spotify"}));
    EXPECT_EQ(spotify.methodCalls(), QStringList{"Pause"});
}
