// The music and appearance steps of a run against a real session bus (private)
// with fake players and portal, and real gsettings on a key file.
#include "base/Paths.h"
#include "platform/linux/GsettingsAppearance.h"
#include "platform/linux/MprisPlayers.h"
#include "platform/linux/PosixProcessRunner.h"
#include "setups/SetupEngine.h"
#include "support/FakeApps.h"
#include "support/FakeClock.h"
#include "support/FakeDBusService.h"
#include "support/FakeDesktop.h"
#include "support/FakeMprisPlayer.h"
#include "support/FakeScheduler.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"

#include <QDBusVariant>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;
using Scheme = platform::AppearanceSwitch::Scheme;

namespace {

// Starting the player puts it on the bus, as its desktop entry would.
class PlayerLauncher final : public platform::AppLauncher {
public:
    QStringList launched;
    std::unique_ptr<FakeMprisPlayer> player;
    Launch launch(const QString& id, const QStringList&) override {
        launched << id;
        player = std::make_unique<FakeMprisPlayer>("rhythmbox", id);
        return {true, 4321, {}, {}};
    }
    bool acceptsUrls(const QString&) override { return false; }
    bool activate(const QString&) override { return false; }
    bool hide(const QString&) override { return false; }
    bool unhide(const QString&) override { return false; }
    bool quit(const QString&) override { return false; }
};

class SetupEngineDBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            << "the test desktop is not running";
        desktop.setDisplays({FakeDesktop::display(1, QRectF(0, 0, 1920, 1080))});
        apps.setInstalled({{"org.gnome.Rhythmbox3", "Rhythmbox", "/x/org.gnome.Rhythmbox3.desktop"},
                           {"org.kde.elisa", "Elisa", "/x/org.kde.elisa.desktop"}});
        SetupEngine::Collaborators c;
        c.installed = &apps;
        c.launcher = &launcher;
        c.players = &players;
        c.appearance = &appearance;
        engine = std::make_unique<SetupEngine>(windows, store, c);
    }
    QStringList apply(const SetupSystemState& state, int* steps = nullptr) {
        QStringList notes;
        int applied = 0;
        engine->applySystemState(state, notes, applied);
        if (steps)
            *steps = applied;
        return notes;
    }
    static SetupSystemState music(SetupSystemState::Music what, std::optional<QString> player = {}) {
        SetupSystemState s;
        s.music = what;
        s.musicPlayer = std::move(player);
        return s;
    }
    static SetupSystemState appearanceOf(SetupSystemState::Appearance what) {
        SetupSystemState s;
        s.appearance = what;
        return s;
    }

    TempHome home;
    ScopedEnv backend{"GSETTINGS_BACKEND", QByteArray("keyfile")};
    FakeClock clock;
    FakeDesktop desktop{clock};
    FakeApps apps{desktop};
    WindowEngine windows{desktop, nullptr, nullptr, clock};
    FakeScheduler scheduler{clock};
    SetupStore store{Paths::setupsJSON(), scheduler};
    PlayerLauncher launcher;
    platform::MprisPlayers players;
    platform::PosixProcessRunner runner;
    platform::GsettingsAppearance appearance{runner};
    std::unique_ptr<SetupEngine> engine;
};

} // namespace

TEST_F(SetupEngineDBusTest, aPlayerThatIsntRunningIsStartedAndToldToPlayOnce) {
    int steps = 0;
    EXPECT_TRUE(apply(music(SetupSystemState::Music::play), &steps).isEmpty());
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(launcher.launched, QStringList{"org.gnome.Rhythmbox3"});
    ASSERT_TRUE(launcher.player);
    EXPECT_EQ(launcher.player->methodCalls(), QStringList{"Play"});
    EXPECT_EQ(launcher.player->status(), "Playing");
}

TEST_F(SetupEngineDBusTest, aPlayerWhoseEntryDiffersIsFoundByItsBusNameAndARefusalIsNamed) {
    FakeMprisPlayer elisa("elisa", "org.kde.Elisa.flatpak", "Playing");
    ASSERT_TRUE(elisa.problem().isEmpty()) << elisa.problem().toStdString();
    int steps = 0;
    EXPECT_TRUE(apply(music(SetupSystemState::Music::pause, "org.kde.elisa"), &steps).isEmpty());
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(elisa.methodCalls(), QStringList{"Pause"});
    EXPECT_TRUE(launcher.launched.isEmpty());

    elisa.service().setDenyAll(true);
    EXPECT_EQ(apply(music(SetupSystemState::Music::play, "org.kde.elisa")),
              QStringList{"Elisa unchanged — the desktop refused access."});
}

TEST_F(SetupEngineDBusTest, theAppearanceIsWrittenWithGsettingsAndReadBack) {
    int steps = 0;
    EXPECT_TRUE(apply(appearanceOf(SetupSystemState::Appearance::dark), &steps).isEmpty());
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(appearance.current(), Scheme::dark);
    EXPECT_TRUE(QFile::exists(home.configHome() + "/glib-2.0/settings/keyfile"));
    EXPECT_TRUE(apply(appearanceOf(SetupSystemState::Appearance::light)).isEmpty());
    EXPECT_EQ(appearance.current(), Scheme::light);
}

TEST_F(SetupEngineDBusTest, aGsettingsThatChangesNothingIsAFailureNotASuccess) {
    QTemporaryDir bin;
    QFile fake(bin.filePath("gsettings"));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("#!/bin/sh\n[ \"$1\" = get ] && echo \"'default'\"\nexit 0\n");
    fake.close();
    fake.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ScopedEnv path("PATH", bin.path().toUtf8() + ":" + qgetenv("PATH"));
    EXPECT_EQ(apply(appearanceOf(SetupSystemState::Appearance::dark)),
              QStringList{"Couldn't switch the appearance."});
}

TEST_F(SetupEngineDBusTest, thePortalsAnswerWinsWhenOneIsOnTheBus) {
    FakeDBusService portal(FakeDBusService::Bus::session, "org.freedesktop.portal.Desktop",
                           "/org/freedesktop/portal/desktop");
    ASSERT_TRUE(portal.problem().isEmpty()) << portal.problem().toStdString();
    portal.on("org.freedesktop.portal.Settings", "ReadOne", [](const QDBusMessage& m) {
        return m.createReply(QVariant::fromValue(QDBusVariant(uint(1))));
    });
    EXPECT_EQ(appearance.current(), Scheme::dark) << "gsettings still says light";

    EXPECT_EQ(platform::GsettingsAppearance::fromSetting("'prefer-dark'\n"), Scheme::dark);
    EXPECT_EQ(platform::GsettingsAppearance::fromSetting("'default'"), Scheme::light);
    EXPECT_EQ(platform::GsettingsAppearance::fromSetting("'purple'"), std::nullopt);
}
