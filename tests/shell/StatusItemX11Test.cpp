// The tray icon on the test desktop: it registers with a tray host on the session
// bus, exports its menu, and that menu runs a setup through the request flow and
// pauses listening.
#include "shell/AppDelegate.h"

#include "base/Paths.h"
#include "flow/WatchdogPort.h"
#include "setups/Setup.h"
#include "setups/SetupStore.h"
#include "shell/StatusItemController.h"
#include "support/FakePlatform.h"
#include "support/FakeTrayHost.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"
#include "support/X11Session.h"
#include "ui/design/FloatingPanel.h"
#include "ui/hud/HUDController.h"

#include <QMenu>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

Setup setupNamed(const QString& name) {
    Setup setup;
    setup.id = QUuid::createUuid();
    setup.name = name;
    setup.phrases = {name.toLower()};
    setup.createdAt = QDateTime::currentDateTimeUtc();
    return setup;
}

} // namespace

TEST(StatusItemTray, theIconAppearsInTheTrayAndItsMenuRunsASetupAndPauses) {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        << "the test desktop is not running";
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    FakeTrayHost tray;
    ASSERT_TRUE(tray.problem().isEmpty()) << tray.problem().toStdString();
    TempHome home;
    ScopedRuntimeDir runtime;
    {
        ASSERT_TRUE(Paths::ensure());
        SetupStore store(Paths::setupsJSON());
        ASSERT_TRUE(store.upsert(setupNamed("Deep Work")));
        ASSERT_TRUE(store.upsert(setupNamed("Standup")));
    }

    auto owned = std::make_unique<FakePlatform>();
    FakePlatform* platform = owned.get();
    AppDelegate delegate(std::move(owned));
    ASSERT_EQ(delegate.launch(), AppDelegate::LaunchResult::running);
    ASSERT_NE(delegate.status(), nullptr);
    ASSERT_TRUE(waitFor([&] { return !tray.items().isEmpty(); })) << "the icon never reached the tray";
    const QString item = tray.items().first();
    EXPECT_EQ(tray.itemProperty(item, "Status").value_or(QVariant()).toString(), "Active");

    auto menu = tray.openMenu(item);
    ASSERT_TRUE(menu.has_value());
    for (const char* entry : {"Open Brisklet", "Run a Setup", "Pause Listening", "Quit Brisklet"})
        EXPECT_NE(menu->find(entry), nullptr) << entry;
    const FakeTrayHost::MenuNode* run = menu->find("Run a Setup");
    ASSERT_NE(run, nullptr);
    EXPECT_TRUE(run->visible());
    const FakeTrayHost::MenuNode* standup = run->find("Standup");
    ASSERT_NE(standup, nullptr) << "the submenu lists the stored setups";

    ASSERT_TRUE(tray.click(item, standup->id));
    // The setup went down the plan path: the engine ran it (it holds nothing to
    // open), and the display shows its answer.
    EXPECT_TRUE(waitFor([&] { return delegate.hud()->state().text.startsWith("“Standup”: nothing to do"); }))
        << delegate.hud()->state().text.toStdString();

    // The watchdog's verdict reaches the icon.
    platform->keyTap->trusted = false;
    delegate.watchdog()->check();
    EXPECT_EQ(delegate.status()->state(), StatusItemController::IconState::needsAttention);

    const FakeTrayHost::MenuNode* pause = menu->find("Pause Listening");
    ASSERT_NE(pause, nullptr);
    ASSERT_TRUE(tray.click(item, pause->id));
    ASSERT_TRUE(
        waitFor([&] { return delegate.status()->state() == StatusItemController::IconState::paused; }));
    menu = tray.openMenu(item);
    ASSERT_TRUE(menu.has_value());
    EXPECT_NE(menu->find("Resume Listening"), nullptr);
    emit delegate.status()->menu()->aboutToHide();

    // A left click on the icon opens the pick panel on the desktop; a row runs its setup.
    ASSERT_TRUE(tray.activate(item, QPoint(600, 10)));
    BriskPickController& pick = delegate.status()->pick();
    ASSERT_TRUE(waitFor([&] { return pick.isShown(); })) << "the pick panel never opened";
    QStringList listed;
    for (const PickEntry& entry : pick.shownEntries())
        listed << entry.name;
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"Deep Work", "Standup"}));
    auto* panel = dynamic_cast<FloatingPanel*>(pick.surface());
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(waitFor([&] { return panel->window() && panel->window()->isExposed(); }))
        << "the panel is on the screen";
    delegate.hud()->show(HUDState::info(QStringLiteral("before")));
    pick.model()->run(QStringLiteral("Deep Work"));
    EXPECT_FALSE(pick.isShown()) << "hidden before the setup runs";
    EXPECT_TRUE(waitFor([&] {
        return delegate.hud()->state().text.startsWith("“Deep Work”: nothing to do");
    })) << delegate.hud()->state().text.toStdString();

    delegate.shutdown();
}
