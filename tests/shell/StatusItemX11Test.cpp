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

#include <QAction>
#include <QMenu>
#include <QQuickItem>
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

// The pick panel's row of that setup.
QQuickItem* rowNamed(QQuickItem* item, const QString& name) {
    if (!item)
        return nullptr;
    if (item->objectName() == "setupRow" && item->property("name").toString() == name)
        return item;
    for (QQuickItem* child : item->childItems())
        if (QQuickItem* found = rowNamed(child, name))
            return found;
    return nullptr;
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
    int deepWork = -1;
    for (int i = 0; i < pick.shownEntries().size(); ++i)
        if (pick.shownEntries()[i].name == "Deep Work")
            deepWork = i;
    pick.model()->run(deepWork);
    EXPECT_FALSE(pick.isShown()) << "hidden before the setup runs";
    EXPECT_TRUE(waitFor([&] {
        return delegate.hud()->state().text.startsWith("“Deep Work”: nothing to do");
    })) << delegate.hud()->state().text.toStdString();

    delegate.shutdown();
}

TEST(StatusItemTray, twoSetupsSaidAlikeEachRunFromTheirOwnEntryAndRow) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    TempHome home;
    ScopedRuntimeDir runtime;
    auto delegate = std::make_unique<AppDelegate>(std::make_unique<FakePlatform>());
    ASSERT_EQ(delegate->launch(), AppDelegate::LaunchResult::running);
    StatusItemController* status = delegate->status();
    ASSERT_NE(status, nullptr);
    // Two names said alike, as an older file held them. The store frees the later
    // name once it reads its file back (after the next run), so each way in gets a
    // pair of its own.
    const auto storeAlike = [&](const QString& first, const QString& later) {
        return delegate->setups()->upsert(setupNamed(first)) && delegate->setups()->upsert(setupNamed(later));
    };
    ASSERT_TRUE(storeAlike("Desk setup", "Desk set up"));
    const auto ranAs = [&](const QString& name) {
        return waitFor([&] { return delegate->hud()->state().text.contains(": nothing to do"); }) &&
               delegate->hud()->state().text.startsWith("“" + name + "”");
    };

    emit status->menu()->aboutToShow();
    QAction* entry = nullptr;
    for (QAction* action : status->setupsAction()->menu()->actions())
        if (action->text() == "Desk set up")
            entry = action;
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    EXPECT_TRUE(ranAs("Desk set up")) << delegate->hud()->state().text.toStdString();
    emit status->menu()->aboutToHide();

    delegate->hud()->show(HUDState::info(QStringLiteral("before")));
    ASSERT_TRUE(storeAlike("Studio 2", "Studio two"));
    BriskPickController& pick = status->pick();
    pick.toggle(QRect(600, 0, 24, 24));
    ASSERT_TRUE(pick.isShown());
    auto* panel = dynamic_cast<FloatingPanel*>(pick.surface());
    ASSERT_NE(panel, nullptr);
    QQuickItem* row = rowNamed(qobject_cast<QQuickItem*>(panel->content()), "Studio two");
    ASSERT_NE(row, nullptr);
    QMetaObject::invokeMethod(row, "activated");
    EXPECT_TRUE(ranAs("Studio two")) << delegate->hud()->state().text.toStdString();

    delegate->shutdown();
}
