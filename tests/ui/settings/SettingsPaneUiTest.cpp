// The Settings pane offscreen, light and dark: the five sections in order, each
// drawn (not blank, its texts present and legible), in their first state and after
// the user changed things; controls reaching what they drive; the home window
// building the pane and its tour button reaching the host.
#include "ui/design/DesignSystem.h"
#include "ui/home/HomeWindowController.h"
#include "ui/settings/SettingsFixture.h"
#include "ui/settings/SettingsServices.h"

#include "base/AppState.h"
#include "base/Prefs.h"
#include "commands/CommandRegistry.h"
#include "setups/SetupStore.h"
#include "support/LightDarkViewTest.h"
#include "support/Pixels.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"
#include "support/ViewHarness.h"
#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QQuickItem>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;
using Grant = SettingsServices::Grant;

namespace {

const QStringList sections{"wakeSection", "generalSection", "askSection", "permissionsSection",
                           "helpSection"};

QStringList storedKeys() {
    Prefs::sync();
    QSettings file(Prefs::settingsPath(), QSettings::IniFormat);
    return file.allKeys();
}

class SettingsPaneUiTest : public LightDarkViewTest, protected SettingsFixture {
protected:
    SettingsPaneUiTest() : LightDarkViewTest(false) {}
    void SetUp() override {
        LightDarkViewTest::SetUp();
        Prefs::registerDefaults();
    }
    void TearDown() override {
        DesignSystem::instance().setAppearance("system");
        LightDarkViewTest::TearDown();
    }

    bool load(ViewHarness& h) {
        if (!h.loadView("SettingsPane", {{"services", QVariant::fromValue<QObject*>(&services)}}))
            return false;
        h.root()->setWidth(800);
        h.render(); // lays the columns out, which gives the pane its height
        h.root()->setHeight(h.root()->implicitHeight());
        return true;
    }
    void settle() {
        for (auto& job : jobs)
            job();
        jobs.clear();
        QCoreApplication::sendPostedEvents();
    }

    // Draws the pane, checks it and each section, and saves them for a person to look at.
    QImage shot(ViewHarness& h, const QString& name) {
        h.render(); // lays the columns out, which gives the pane its height
        h.root()->setHeight(h.root()->implicitHeight());
        QImage image = h.render();
        EXPECT_FALSE(image.isNull()) << name.toStdString();
        EXPECT_TRUE(Pixels::nonBlank(image)) << name.toStdString();
        ViewHarness::save(image, "settings-" + name + suffix(), canvas());
        for (const QString& section : sections) {
            const QImage part = image.copy(h.boxOf(h.find(section)));
            EXPECT_TRUE(Pixels::nonBlank(part)) << (name + " " + section).toStdString();
        }
        return image;
    }
};

} // namespace

TEST_P(SettingsPaneUiTest, TheFiveSectionsStandInOrderInTheirFirstStateAndBuildingThemWritesNothing) {
    ScopedEnv noEnvKey("ANTHROPIC_API_KEY", std::nullopt);
    browser = SettingsServices::Browser{"firefox", "Firefox"};
    permissions.statuses.insert("firefox", platform::Permissions::AutomationStatus::granted);
    const QStringList before = storedKeys();
    ViewHarness h(GetParam(), canvas());
    ASSERT_TRUE(load(h)) << h.errors().toStdString();
    settle();
    const QImage image = shot(h, "first");
    EXPECT_EQ(storedKeys(), before) << "showing the pane writes no setting";
    EXPECT_EQ(wakeReloads, 0) << "and calls no host";

    legible(h, image, h.root(), "title");
    qreal y = h.find("title")->y();
    for (const QString& section : sections) {
        QQuickItem* item = h.find(section);
        ASSERT_TRUE(item) << section.toStdString();
        EXPECT_GT(item->y(), y) << section.toStdString();
        y = item->y();
        legible(h, image, item, "header", 3.0);
    }
    QQuickItem* wake = h.find("wakeSection");
    legible(h, image, wake, "keyLabel");
    EXPECT_EQ(ViewHarness::find(wake, "keyPicker")->property("currentText"), "Right Super");
    legible(h, image, wake, "styleHint");
    legible(h, image, wake, "clapOff", 3.0);
    EXPECT_FALSE(ViewHarness::find(wake, "levelBar")) << "no meter while clap wake is off";

    QQuickItem* general = h.find("generalSection");
    legible(h, image, general, "lookLabel");
    EXPECT_EQ(ViewHarness::find(general, "appearance")->property("selection"), "system");
    EXPECT_TRUE(ViewHarness::find(general, "soundRow")->isVisible());
    EXPECT_DOUBLE_EQ(ViewHarness::find(general, "volume")->property("value").toDouble(), 0.35);

    QQuickItem* ask = h.find("askSection");
    legible(h, image, ask, "askTitle");
    legible(h, image, ask, "askIntro");
    EXPECT_TRUE(ViewHarness::find(ask, "askToggle")->property("checked").toBool());
    EXPECT_FALSE(ViewHarness::find(ask, "keyField")) << "Advanced starts closed";

    QQuickItem* perms = h.find("permissionsSection");
    for (const QString row : {"micRow", "speechRow", "axRow", "browserRow"}) {
        legible(h, image, ViewHarness::find(perms, row), "title");
        legible(h, image, ViewHarness::find(perms, row), "detail");
        EXPECT_FALSE(ViewHarness::find(ViewHarness::find(perms, row), "fix")->isVisible())
            << row.toStdString();
    }
    EXPECT_EQ(ViewHarness::find(ViewHarness::find(perms, "browserRow"), "title")->property("text"),
              "Control Firefox");
    legible(h, image, perms, "tourText");

    QQuickItem* help = h.find("helpSection");
    legible(h, image, help, "reportTitle");
    legible(h, image, help, "reportDetail");
    legible(h, image, help, "helpText");
}

TEST_P(SettingsPaneUiTest, ChangedSettingsRedrawEachSectionAndReachWhatTheyDrive) {
    ScopedEnv noEnvKey("ANTHROPIC_API_KEY", std::nullopt);
    ScopedEnv placeholder("BRISKLET_SERVICE_URL", QByteArray("https://YOUR-PROJECT.example.org"));
    mic = Grant::denied;
    ax = false;
    browser = SettingsServices::Browser{"firefox", "Firefox"};
    permissions.statuses.insert("firefox", platform::Permissions::AutomationStatus::denied);
    ViewHarness h(GetParam(), canvas());
    ASSERT_TRUE(load(h)) << h.errors().toStdString();
    settle();

    QQuickItem* wake = h.find("wakeSection");
    h.click(ViewHarness::find(wake, "clapToggle"));
    EXPECT_EQ(wakeReloads, 1);
    EXPECT_TRUE(Prefs::boolValue(Prefs::Key::clapWake));
    level = 0.05f;
    scheduler.advance(0.05);
    QQuickItem* bar = ViewHarness::find(wake, "levelBar");
    ASSERT_TRUE(bar) << "the meter shows with clap wake";
    EXPECT_FLOAT_EQ(bar->property("level").toFloat(), 0.05f) << "it follows the level";
    QQuickItem* fill = ViewHarness::find(bar, "fill");
    EXPECT_TRUE(waitFor([&] { return qAbs(fill->width() - 240 * 0.571) < 2; })) << "after its 50 ms glide";
    EXPECT_DOUBLE_EQ(ViewHarness::find(wake, "sensitivity")->property("value").toDouble(), 8);

    QQuickItem* general = h.find("generalSection");
    h.click(ViewHarness::find(general, "soundsToggle"));
    EXPECT_FALSE(Prefs::boolValue(Prefs::Key::soundsEnabled));
    EXPECT_FALSE(ViewHarness::find(general, "soundRow")->isVisible());

    QQuickItem* ask = h.find("askSection");
    h.click(ViewHarness::find(ask, "advanced"));
    QQuickItem* field = ViewHarness::find(ask, "keyField");
    ASSERT_TRUE(field);
    QQuickItem* save = ViewHarness::find(ask, "save");
    field->setProperty("text", QString::fromUtf8("\u00a0 \n"));
    EXPECT_FALSE(save->isEnabled()) << "white space alone can't be saved";
    field->setProperty("text", " sk-personal ");
    ASSERT_TRUE(save->isEnabled());
    h.click(save);
    EXPECT_EQ(secrets.items.value("anthropic-api-key"), "sk-personal");
    EXPECT_EQ(field->property("text"), "") << "the field empties after a save";
    EXPECT_EQ(field->property("placeholderText"), "•••••••• (stored in keyring)");
    EXPECT_TRUE(ViewHarness::find(ask, "remove")->isVisible());
    EXPECT_EQ(ViewHarness::find(ask, "routeText")->property("text"),
              "Using your personal Anthropic key (Advanced).");

    QTest::qWait(250); // the toggles' colour changes settle
    const QImage image = shot(h, "changed");
    legible(h, image, wake, "liveInput");
    legible(h, image, ask, "keyStatus", 3.0);
    legible(h, image, ask, "routeText", 3.0);
    QQuickItem* perms = h.find("permissionsSection");
    QQuickItem* micRow = ViewHarness::find(perms, "micRow");
    EXPECT_TRUE(ViewHarness::find(micRow, "fix")->isVisible());
    legible(h, image, ViewHarness::find(micRow, "fix"), "label");
    QQuickItem* browserRow = ViewHarness::find(perms, "browserRow");
    legible(h, image, browserRow, "detail");
    EXPECT_EQ(ViewHarness::find(browserRow, "fix")->property("text"), "Fix in Settings");
    h.click(ViewHarness::find(browserRow, "fix"));
    h.click(ViewHarness::find(micRow, "fix"));
    EXPECT_EQ(permissions.openedPanes, (QStringList{"Privacy_Automation", "Privacy_Microphone"}));

    h.click(ViewHarness::find(ask, "remove"));
    EXPECT_EQ(ViewHarness::find(ask, "keyStatus")->property("text"), "Key removed.");
    EXPECT_TRUE(ViewHarness::find(ask, "routeNone")->isVisible()) << "no key and no service";
    const QImage removed = shot(h, "key-removed");
    legible(h, removed, ask, "routeNone", 3.0);

    h.click(ViewHarness::find(h.find("helpSection"), "report"));
    h.click(ViewHarness::find(h.find("helpSection"), "openHelp"));
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(helps, 1);
}

// A settings file that can't be written: a change made in the pane is kept for the
// session and the pane says, under its title, that it won't outlast it; once the
// file takes writes again, the next change is saved and the line goes.
TEST_P(SettingsPaneUiTest, AChangeTheSettingsFileCannotTakeIsSaidInThePane) {
    Prefs::sync();
    ViewHarness h(GetParam(), canvas());
    ASSERT_TRUE(load(h)) << h.errors().toStdString();
    settle();
    QQuickItem* line = h.find("unsavedSettings");
    ASSERT_TRUE(line);
    EXPECT_FALSE(line->isVisible());
    const qreal wakeY = h.find("wakeSection")->y();
    // A folder in place of the file: nothing can write it, even as root.
    QFile::remove(Prefs::settingsPath());
    ASSERT_TRUE(QDir().mkpath(Prefs::settingsPath()));
    QQuickItem* general = h.find("generalSection");
    h.click(ViewHarness::find(general, "soundsToggle"));
    QCoreApplication::sendPostedEvents();
    ASSERT_TRUE(waitFor([&] { return line->isVisible(); }));
    EXPECT_FALSE(Prefs::boolValue(Prefs::Key::soundsEnabled)) << "kept for the session";
    h.render();
    EXPECT_EQ(h.find("wakeSection")->y(), wakeY) << "nothing moves under the pointer as the line shows";
    const QImage image = shot(h, "unsaved");
    legible(h, image, line, "message");
    EXPECT_EQ(ViewHarness::find(line, "message")->property("text"),
              "Couldn't save your settings — the settings file can't be written, so changes last until "
              "Brisklet quits");

    ASSERT_TRUE(QDir().rmdir(Prefs::settingsPath()));
    h.click(ViewHarness::find(general, "soundsToggle"));
    QCoreApplication::sendPostedEvents();
    ASSERT_TRUE(waitFor([&] { return !line->isVisible(); }));
    QSettings file(Prefs::settingsPath(), QSettings::IniFormat);
    EXPECT_TRUE(file.value(Prefs::Key::soundsEnabled).toBool());
}

// An autostart folder that takes no entry: the toggle snaps back and says why under it.
TEST_P(SettingsPaneUiTest, ALoginChoiceThatDoesNotTakeIsSaidUnderItsToggle) {
    login.refuse = true;
    ViewHarness h(GetParam(), canvas());
    ASSERT_TRUE(load(h)) << h.errors().toStdString();
    settle();
    QQuickItem* general = h.find("generalSection");
    QQuickItem* line = ViewHarness::find(general, "loginFailure");
    ASSERT_TRUE(line);
    EXPECT_FALSE(line->isVisible());
    h.click(ViewHarness::find(general, "loginToggle"));
    EXPECT_FALSE(ViewHarness::find(general, "loginToggle")->property("checked").toBool());
    ASSERT_TRUE(line->isVisible());
    QTest::qWait(250); // the toggle's colour change settles
    const QImage image = shot(h, "login-refused");
    legible(h, image, line, "message");
    EXPECT_EQ(ViewHarness::find(line, "message")->property("text"),
              "Couldn't start Brisklet at login — the autostart folder can't be written");
}

TEST_P(SettingsPaneUiTest, TheHomeWindowBuildsThePaneAndItsTourButtonReachesTheHostOncePerClick) {
    QTemporaryDir dir;
    CommandRegistry registry{dir.filePath("commands.json")};
    registry.load();
    SetupStore setups{dir.filePath("setups.json")};
    AppState state;
    HomeWindowController controller{registry, nullptr, setups, state};
    controller.settings().scheduler = &scheduler;
    controller.settings().runInBackground = [this](std::function<void()> work) {
        jobs.push_back(std::move(work));
    };
    int runs = 0;
    controller.onRunOnboarding = [&runs] { ++runs; };
    std::vector<double> sensitivities;
    controller.onSensitivityChange = [&sensitivities](double v) { sensitivities.push_back(v); };

    ViewHarness h(GetParam());
    ASSERT_TRUE(
        h.loadView("HomeView", {{"home", QVariant::fromValue<QObject*>(&controller)}, {"pane", "Settings"}}))
        << h.errors().toStdString();
    h.root()->setSize(QSizeF(940, 640));
    const QImage image = h.render();
    ViewHarness::save(image, "home-settings" + suffix());
    QQuickItem* pane = qvariant_cast<QQuickItem*>(h.find("paneLoader")->property("item"));
    ASSERT_TRUE(pane);
    EXPECT_TRUE(ViewHarness::find(pane, "wakeSection"));
    EXPECT_FALSE(h.find("placeholder"));

    QQuickItem* open = ViewHarness::find(pane, "tourOpen");
    pane->setY(-open->mapToItem(pane, QPointF()).y()); // bring the row into view
    h.render();
    h.click(open);
    h.click(open);
    EXPECT_EQ(runs, 2);

    QMetaObject::invokeMethod(ViewHarness::find(pane, "wakeSection")->property("model").value<QObject*>(),
                              "moveSensitivity", Q_ARG(double, 9.0));
    EXPECT_EQ(sensitivities, std::vector<double>{5.0}) << "the slider's value reaches the home's callback";

    // A change made elsewhere shows on the next visit, which builds the sections anew.
    Prefs::setValue(Prefs::Key::wakeKeyCode, 105);
    h.root()->setProperty("pane", "Home");
    h.root()->setProperty("pane", "Settings");
    pane = qvariant_cast<QQuickItem*>(h.find("paneLoader")->property("item"));
    ASSERT_TRUE(pane);
    EXPECT_EQ(ViewHarness::find(pane, "keyPicker")->property("currentText"), "F13");
}

INSTANTIATE_TEST_SUITE_P(Appearance, SettingsPaneUiTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Dark" : "Light"; });
