#include "actions/MediaActions.h"
#include "support/FakeApps.h"
#include "support/FakeClock.h"
#include "support/FakeMediaPlayers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace brisklet;
using brisklet::test::FakeMediaPlayers;

namespace {
// Moves a fixed step each time it is read, as if every look took that long.
class TickingClock final : public Clock {
public:
    explicit TickingClock(double step) : step_(step) {}
    double now() const override {
        ++reads;
        return now_ += step_;
    }
    QDateTime wallNow() const override {
        return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(now_), Qt::UTC);
    }
    void sleep(double seconds) override { now_ += seconds; }
    mutable int reads = 0;

private:
    double step_;
    mutable double now_ = 1000;
};

const QString spotifyBus = "org.mpris.MediaPlayer2.spotify";
const QString rhythmboxBus = "org.mpris.MediaPlayer2.rhythmbox";

class Media : public ::testing::Test {
protected:
    Media() {
        installed.setInstalled(
            {{"spotify", "Spotify", "/usr/share/applications/spotify.desktop"},
             {"org.gnome.Rhythmbox3", "Rhythmbox", "/usr/share/applications/org.gnome.Rhythmbox3.desktop"}});
    }
    MediaActions media(Clock* time = nullptr, MediaActions::FolderWalk walk = {}) {
        return MediaActions(
            players, installed,
            [this](const QString& id, const QStringList& urls) {
                launches << id + " " + urls.join(' ');
                return launchWorks;
            },
            music.path(), time ? *time : clock, std::move(walk));
    }
    test::FakeClock clock;
    FakeMediaPlayers players{&clock};
    test::FakeDesktop desktop{clock};
    test::FakeApps installed{desktop};
    QStringList launches;
    bool launchWorks = true;
    QTemporaryDir music;
};
} // namespace

TEST_F(Media, theMatcherIsToldOfThePlayersThatPlayChoosesFrom) {
    for (const char* hint : {"spotify please", "Apple Music", "itunes", "music", "radio", "", "my spotter"})
        EXPECT_EQ(media().knowsPlayer(hint), PlayerNames::playerNamed(hint).has_value()) << hint;
    // A hint the matcher took for a player picks that player here.
    EXPECT_EQ(media().play("jazz", QString("apple music")),
              (MediaActions::Result{false, "No match for “jazz” in Rhythmbox"}));
    EXPECT_EQ(media().play("jazz", QString("Spotify")).message,
              "Searching Spotify for “jazz” — pick a result");
}

TEST(MediaActionsWords, queriesKeepOnlyAsciiLettersAndDigits) {
    EXPECT_EQ(MediaActions::encodeQuery("lo fi"), "lo%20fi");
    EXPECT_EQ(MediaActions::encodeQuery("café"), "caf%C3%A9");
    EXPECT_EQ(MediaActions::encodeQuery("a-b.c_d~e"), "a%2Db%2Ec%5Fd%7Ee");
    EXPECT_EQ(MediaActions::encodeQuery("AC/DC & \"x\""), "AC%2FDC%20%26%20%22x%22");
}

TEST_F(Media, theMusicSlotIsTheFirstInstalledPlayer) {
    auto list = media().players();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "Spotify");
    EXPECT_EQ(list[1].name, "Rhythmbox");
    installed.setInstalled({});
    EXPECT_EQ(media().players()[1].name, "Music");
}

TEST_F(Media, controlGoesToThePlayingPlayerElseTheFirstRunning) {
    players.add(spotifyBus, {"spotify"});
    players.add(rhythmboxBus, {"org.gnome.Rhythmbox3", "Playing"});
    EXPECT_EQ(media().control(MediaOp::pause), (MediaActions::Result{true, "Paused — Rhythmbox"}));
    EXPECT_EQ(players.calls(), QStringList{rhythmboxBus + " Pause"});
    EXPECT_EQ(media().control(MediaOp::next), (MediaActions::Result{true, "Next track — Spotify"}));
    EXPECT_EQ(media().control(MediaOp::previous), (MediaActions::Result{true, "Previous track — Spotify"}));
    EXPECT_EQ(media().control(MediaOp::playPause), (MediaActions::Result{true, "Playing — Spotify"}));
    EXPECT_EQ(media().control(MediaOp::playPause), (MediaActions::Result{true, "Paused — Spotify"}));
}

TEST_F(Media, nothingRunningSendsNothing) {
    EXPECT_EQ(media().control(MediaOp::next),
              (MediaActions::Result{false, "Nothing is playing — try “play … on Spotify”"}));
    EXPECT_TRUE(players.calls().isEmpty());
}

TEST_F(Media, refusedAndSilentPlayersAreFailures) {
    players.add(spotifyBus, {"spotify", "Playing", true});
    EXPECT_EQ(media().control(MediaOp::pause),
              (MediaActions::Result{
                  false, "The desktop blocked control of Spotify — allow Brisklet on the session bus"}));
    players.at(spotifyBus).denied = false;
    players.at(spotifyBus).silent = true;
    EXPECT_EQ(media().control(MediaOp::pause), (MediaActions::Result{false, "Spotify didn't respond"}));
}

TEST_F(Media, silentPlayersShareOneDeadlineForTheWholeCommand) {
    players.add(spotifyBus, {"spotify", "Playing", false, true});
    players.add(rhythmboxBus, {"org.gnome.Rhythmbox3", "Playing", false, true});
    for (MediaOp op : {MediaOp::pause, MediaOp::playPause}) {
        const double start = clock.now();
        EXPECT_EQ(media().control(op), (MediaActions::Result{false, "Spotify didn't respond"}));
        EXPECT_LE(clock.now() - start, MediaActions::commandLimit);
    }
    const double start = clock.now();
    EXPECT_FALSE(media().play("jazz", QString("music")).ok);
    EXPECT_LE(clock.now() - start, MediaActions::commandLimit);
}

TEST_F(Media, aSpotifySearchLaunchesItsEntryWithTheSearchAddress) {
    auto r = media().play("  lo fi\t", QString("spotify"));
    EXPECT_EQ(r, (MediaActions::Result{true, "Searching Spotify for “lo fi” — pick a result"}));
    EXPECT_EQ(launches, QStringList{"spotify spotify:search:lo%20fi"});
    launchWorks = false;
    EXPECT_FALSE(media().play("jazz", QString("spotify")).ok);
}

TEST_F(Media, aPlayerThatIsNotInstalledSaysSo) {
    installed.setInstalled({});
    EXPECT_EQ(media().play("jazz", QString("spotify")),
              (MediaActions::Result{false, "Spotify isn't installed"}));
    EXPECT_EQ(media().play("jazz", std::nullopt), (MediaActions::Result{false, "Music isn't installed"}));
    EXPECT_TRUE(launches.isEmpty());
}

TEST_F(Media, anEmptyQueryResumes) {
    players.add(rhythmboxBus, {"org.gnome.Rhythmbox3"});
    EXPECT_EQ(media().play(" \t ", std::nullopt), (MediaActions::Result{true, "Playing — Rhythmbox"}));
}

TEST_F(Media, theMusicPlayerPlaysTheFirstMatchingFileOfTheMusicFolder) {
    QDir(music.path()).mkpath("Miles Davis/Kind of Blue");
    QDir(music.path()).mkpath("Nina Simone");
    for (const char* file :
         {"Miles Davis/Kind of Blue/So What.flac", "Miles Davis/Kind of Blue/Blue in Green.mp3",
          "Nina Simone/Feeling Good.ogg", "Nina Simone/cover.jpg"}) {
        QFile f(music.path() + "/" + file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    // Not running: the player is started with the file.
    auto r = media().play("blue", QString("music"));
    EXPECT_EQ(r, (MediaActions::Result{true, "Playing Blue in Green — Miles Davis"}));
    EXPECT_EQ(launches, QStringList{"org.gnome.Rhythmbox3 " + music.path() +
                                    "/Miles Davis/Kind of Blue/Blue in Green.mp3"});
    // Running: the file goes to it over the bus.
    players.add(rhythmboxBus, {"org.gnome.Rhythmbox3"});
    EXPECT_EQ(media().play("FEELING", QString("itunes")),
              (MediaActions::Result{true, "Playing Feeling Good — Nina Simone"}));
    EXPECT_TRUE(players.calls().first().startsWith(rhythmboxBus + " OpenUri file://"));
    EXPECT_EQ(media().play("cover", QString("music")),
              (MediaActions::Result{false, "No match for “cover” in Rhythmbox"}));
}

TEST_F(Media, theMusicFolderSearchStopsAtItsTimeLimit) {
    QDir(music.path()).mkpath("Band");
    for (int i = 0; i < 60; ++i) {
        QFile f(music.path() + QStringLiteral("/Band/Track %1.mp3").arg(i, 2, 10, QChar('0')));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    // Each file takes a second to look at: only the first eight seconds' worth are.
    TickingClock slow(1.0);
    const auto r = media(&slow).play("track", QString("music"));
    EXPECT_LE(slow.reads, 12);
    // What was found in time still plays.
    EXPECT_TRUE(r.ok) << r.message.toStdString();
    EXPECT_EQ(launches.size(), 1);
}

TEST_F(Media, aMusicFolderThatStopsAnsweringIsLeftAtTheTimeLimit) {
    // One file, then the file system hangs, as a network mount that went away does.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    test::FakeClock* time = &clock;
    auto stopped = std::make_shared<std::promise<bool>>();
    auto hanging = [time, released, stopped](const QString& folder, const MediaActions::Visit& visit) {
        visit(folder + "/Lee Morgan/Blue Train.mp3");
        time->advance(MediaActions::musicSearchLimit + 1);
        released.wait();
        stopped->set_value(!visit(folder + "/Lee Morgan/liner notes.txt"));
    };
    // Without a way out the command would wait for ever; this lets it go in the end.
    std::thread rescue([&release] {
        std::this_thread::sleep_for(std::chrono::seconds(3));
        release.set_value();
    });
    const auto started = std::chrono::steady_clock::now();
    const auto r = media(nullptr, hanging).play("blue", QString("music"));
    const auto took = std::chrono::steady_clock::now() - started;
    rescue.join();
    EXPECT_LT(took, std::chrono::seconds(2)) << "the queue waited for the file system";
    EXPECT_EQ(r, (MediaActions::Result{true, "Playing Blue Train — Lee Morgan"}))
        << "what was found still plays";
    // Once the file system answers again, the walk left behind stops at its next entry.
    auto walkStopped = stopped->get_future();
    ASSERT_EQ(walkStopped.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_TRUE(walkStopped.get()) << "the abandoned walk went on through the folder";
}

TEST_F(Media, aMusicFolderWhoseCheckHangsIsLeftAtTheTimeLimit) {
    // Even asking whether the folder is there hangs on a mount that went away; here
    // the folder is gone, so only the walk's own thread may ask.
    ASSERT_TRUE(music.remove());
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    test::FakeClock* time = &clock;
    auto asked = std::make_shared<std::promise<void>>();
    auto hanging = [time, released, asked](const QString&, const MediaActions::Visit&) {
        asked->set_value();
        time->advance(MediaActions::musicSearchLimit + 1);
        released.wait();
    };
    const auto r = media(nullptr, hanging).play("blue", QString("music"));
    release.set_value();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(asked->get_future().wait_for(std::chrono::seconds(0)), std::future_status::ready)
        << "the folder was checked on the queue, not by the walk";
}
