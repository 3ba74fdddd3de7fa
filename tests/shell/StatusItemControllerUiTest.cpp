// The tray menu and icon state without a tray: entries in their places, the
// setups submenu made at each opening, the pick panel kept away while the menu is
// open, and a paused icon that stays paused.
#include "shell/StatusItemController.h"

#include "setups/Setup.h"
#include "setups/SetupIcons.h"
#include "shell/StatusIcon.h"
#include "support/FakeDesktopAppearance.h"
#include "support/ViewHarness.h"
#include "ui/design/DesignSystem.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPalette>
#include <gtest/gtest.h>

using namespace brisklet;
using IconState = StatusItemController::IconState;

namespace {

QStringList titles(const QMenu& menu) {
    QStringList out;
    for (QAction* action : menu.actions()) {
        if (!action->isVisible())
            continue;
        out << (action->isSeparator() ? QStringLiteral("---") : action->text());
    }
    return out;
}

QList<StatusSetup> numbered(int count) {
    QList<StatusSetup> setups;
    for (int i = 1; i <= count; ++i)
        setups.append({QStringLiteral("Setup %1").arg(i), QStringLiteral("work"), i == 2, {}});
    return setups;
}

// Where a tray icon sits, in screen coordinates.
const QRect trayBox(600, 0, 24, 24);

// What the user sees on opening the menu.
void open(StatusItemController& status) {
    emit status.menu()->aboutToShow();
}

// The mean lightness (0 … 1) of the opaque pixels, and how many there are.
std::pair<double, int> inkOf(const QImage& image) {
    double sum = 0;
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() < 200)
                continue;
            sum += pixel.lightnessF();
            ++count;
        }
    return {count ? sum / count : 0.0, count};
}

} // namespace

TEST(StatusItem, withoutSetupsRunASetupIsHiddenAndTheRestKeepTheirPlaces) {
    StatusItemController status(StatusItemController::Tray::none);
    open(status);
    EXPECT_EQ(titles(*status.menu()),
              (QStringList{"Open Brisklet", "---", "Pause Listening", "---", "Quit Brisklet"}));
    status.setupsProvider = [] { return numbered(1); };
    open(status);
    EXPECT_EQ(titles(*status.menu()), (QStringList{"Open Brisklet", "Run a Setup", "---", "Pause Listening",
                                                   "---", "Quit Brisklet"}));
}

TEST(StatusItem, twelveSetupsOfferTheFirstEightInTheMenuAndThePanel) {
    StatusItemController status(StatusItemController::Tray::none);
    status.setupsProvider = [] { return numbered(12); };
    open(status);
    const QMenu* submenu = status.setupsAction()->menu();
    ASSERT_NE(submenu, nullptr);
    QStringList expected;
    for (int i = 1; i <= 8; ++i)
        expected << QStringLiteral("Setup %1").arg(i);
    EXPECT_EQ(titles(*submenu), expected);
    emit status.menu()->aboutToHide();

    status.pick().toggle(trayBox);
    ASSERT_TRUE(status.pick().isShown());
    const QList<PickEntry> shown = status.pick().shownEntries();
    ASSERT_EQ(shown.size(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(shown[i], (PickEntry{numbered(8)[i].name, numbered(8)[i].icon, numbered(8)[i].active, {}}));
}

TEST(StatusItem, theSubmenuIsMadeAfreshAtEachOpening) {
    StatusItemController status(StatusItemController::Tray::none);
    int count = 3;
    status.setupsProvider = [&] { return numbered(count); };
    open(status);
    EXPECT_EQ(status.setupsAction()->menu()->actions().size(), 3);
    count = 0;
    open(status);
    EXPECT_FALSE(status.setupsAction()->isVisible());
}

TEST(StatusItem, entriesRunTheSetupTheyShowEvenWhenTwoShareOneName) {
    StatusItemController status(StatusItemController::Tray::none);
    const QUuid first = QUuid::createUuid();
    const QUuid second = QUuid::createUuid();
    status.setupsProvider = [&] {
        return QList<StatusSetup>{{"Focus & Write", "edit", false, first},
                                  {"Focus & Write", "edit", true, second}};
    };
    QList<QUuid> ran;
    status.onRunSetup = [&](const QUuid& id, const QString& name) {
        EXPECT_EQ(name, "Focus & Write");
        ran << id;
    };
    open(status);
    const QList<QAction*> entries = status.setupsAction()->menu()->actions();
    ASSERT_EQ(entries.size(), 2);
    entries[1]->trigger();
    entries[0]->trigger();
    emit status.menu()->aboutToHide();
    status.pick().toggle(trayBox);
    ASSERT_NE(status.pick().model(), nullptr);
    status.pick().model()->run(1);
    status.pick().toggle(trayBox);
    status.pick().model()->run(2); // no such row
    EXPECT_EQ(ran, (QList<QUuid>{second, first, second}));
}

TEST(StatusItem, unassignedCallbacksDoNothing) {
    StatusItemController status(StatusItemController::Tray::none);
    status.onQuit = [] {};
    for (QAction* action : status.menu()->actions())
        action->trigger();
    status.pick().toggle(trayBox);
    EXPECT_TRUE(status.pick().shownEntries().isEmpty());
    emit status.pick().runRequested(QUuid::createUuid(), "x");
    emit status.pick().openHomeRequested();
}

TEST(StatusItem, entriesReachTheirCallbacks) {
    StatusItemController status(StatusItemController::Tray::none);
    QStringList calls;
    status.onOpenHome = [&] { calls << "home"; };
    status.onPauseToggle = [&] { calls << "pause"; };
    status.onQuit = [&] { calls << "quit"; };
    for (QAction* action : status.menu()->actions())
        action->trigger();
    emit status.pick().openHomeRequested();
    EXPECT_EQ(calls, (QStringList{"home", "pause", "quit", "home"}));
}

TEST(StatusItem, openingTheMenuHidesThePanelUntilTheMenuCloses) {
    StatusItemController status(StatusItemController::Tray::none);
    status.setupsProvider = [] { return numbered(2); };
    status.pick().toggle(trayBox);
    ASSERT_TRUE(status.pick().isShown());
    open(status);
    EXPECT_FALSE(status.pick().isShown());
    status.pick().toggle(trayBox);
    EXPECT_FALSE(status.pick().isShown()) << "suppressed while the menu is open";
    emit status.menu()->aboutToHide();
    status.pick().toggle(trayBox);
    EXPECT_TRUE(status.pick().isShown());
}

TEST(StatusItem, thePanelsRowsRunTheirSetupAndTheLastRowOpensHome) {
    StatusItemController status(StatusItemController::Tray::none);
    status.setupsProvider = [] { return numbered(3); };
    QStringList calls;
    status.onRunSetup = [&](const QUuid&, const QString& name) { calls << name; };
    status.onOpenHome = [&] { calls << "home"; };
    status.pick().toggle(trayBox);
    ASSERT_NE(status.pick().model(), nullptr);
    status.pick().model()->run(2);
    EXPECT_FALSE(status.pick().isShown()) << "hidden before the setup runs";
    status.pick().toggle(trayBox);
    ASSERT_NE(status.pick().model(), nullptr);
    status.pick().model()->openHome();
    EXPECT_EQ(calls, (QStringList{"Setup 3", "home"}));
    EXPECT_FALSE(status.pick().isShown());
}

TEST(StatusItem, pausingShowsPausedEvenWhenDegradedAndResumingShowsListening) {
    StatusItemController status(StatusItemController::Tray::none);
    EXPECT_EQ(status.state(), IconState::listening);
    EXPECT_EQ(status.toolTip(), QString::fromUtf8("Brisklet — listening"));
    status.setHealth(true);
    EXPECT_EQ(status.state(), IconState::needsAttention);
    EXPECT_EQ(status.toolTip(), QString::fromUtf8("Brisklet — needs attention (permissions or microphone)"));

    status.setPaused(true);
    EXPECT_EQ(status.state(), IconState::paused);
    EXPECT_EQ(status.pauseAction()->text(), "Resume Listening");
    status.setHealth(true);
    EXPECT_EQ(status.state(), IconState::paused) << "a paused icon stays paused";
    EXPECT_EQ(status.toolTip(), QString::fromUtf8("Brisklet — paused"));

    status.setPaused(false);
    EXPECT_EQ(status.state(), IconState::listening);
    EXPECT_EQ(status.pauseAction()->text(), "Pause Listening");
}

TEST(StatusSetups, mostRecentFirstWithTheirIconsAndTheActiveOneMarked) {
    const QDateTime day(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC);
    brisklet::Setup never;
    never.id = QUuid::createUuid();
    never.name = "Never run";
    never.createdAt = day.addDays(2);
    brisklet::Setup old;
    old.id = QUuid::createUuid();
    old.name = "Old";
    old.icon = "book";
    old.createdAt = day;
    old.lastRunAt = day.addDays(1);
    brisklet::Setup recent = old;
    recent.id = QUuid::createUuid();
    recent.name = "Recent";
    recent.icon.reset();
    recent.lastRunAt = day.addDays(3);
    brisklet::Setup tie = old;
    tie.id = QUuid::createUuid();
    tie.name = "Tie";

    const auto rows = statusSetupsOf({old, never, recent, tie}, recent.id);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0], (StatusSetup{"Recent", SetupIcons::autoFor("Recent"), true, recent.id}));
    EXPECT_EQ(rows[1].name, "Never run");
    EXPECT_EQ(rows[2], (StatusSetup{"Old", "book", false, old.id}));
    EXPECT_EQ(rows[3].name, "Tie") << "ties keep the store's order";
}

TEST(StatusIcon, theMarkTakesTheColourAndPausedLooksDifferent) {
    const QColor orange(0xff, 0x95, 0x00);
    const QImage attention = StatusIcon::make(false, orange).pixmap(22, 22).toImage();
    ASSERT_EQ(attention.size(), QSize(22, 22));
    int inked = 0;
    for (int y = 0; y < attention.height(); ++y)
        for (int x = 0; x < attention.width(); ++x) {
            const QColor pixel = attention.pixelColor(x, y);
            if (pixel.alpha() < 250)
                continue;
            ++inked;
            EXPECT_EQ(pixel.rgb(), orange.rgb()) << x << "," << y;
        }
    EXPECT_GT(inked, 10) << "the mark is drawn";
    const QImage listening = StatusIcon::make(false, Qt::black).pixmap(22, 22).toImage();
    const QImage paused = StatusIcon::make(true, Qt::black).pixmap(22, 22).toImage();
    EXPECT_NE(listening, paused);
}

TEST(StatusItem, runASetupEntriesShowTheirSetupsSymbols) {
    StatusItemController status(StatusItemController::Tray::none);
    status.setupsProvider = [] {
        return QList<StatusSetup>{{"Deep work", "book", false, {}},
                                  {"Build", "terminal", true, {}},
                                  {"Odd", "no.such.symbol", false, {}}};
    };
    open(status);
    const QList<QAction*> entries = status.setupsAction()->menu()->actions();
    ASSERT_EQ(entries.size(), 3);
    const QImage book = entries[0]->icon().pixmap(22, 22).toImage();
    const QImage terminal = entries[1]->icon().pixmap(22, 22).toImage();
    EXPECT_GT(inkOf(book).second, 20) << "the symbol is drawn";
    EXPECT_GT(inkOf(terminal).second, 20);
    EXPECT_NE(book, terminal) << "each setup its own symbol";
    EXPECT_TRUE(entries[2]->icon().isNull()) << "a name the table doesn't know shows no picture";

    QMenu* submenu = status.setupsAction()->menu();
    submenu->adjustSize();
    const QImage shot = submenu->grab().toImage();
    test::ViewHarness::save(shot, QStringLiteral("tray-run-a-setup-light"), Qt::white);
    EXPECT_GT(shot.width(), 60);
    EXPECT_LT(inkOf(book).first, 0.4) << "dark symbols in a light menu";

    // A dark desktop theme: the symbols take the menu's light text colour.
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        dark.setColor(role, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
    QApplication::setPalette(dark);
    open(status);
    QMenu* darkMenu = status.setupsAction()->menu();
    EXPECT_GT(inkOf(darkMenu->actions()[0]->icon().pixmap(22, 22).toImage()).first, 0.75);
    darkMenu->adjustSize();
    test::ViewHarness::save(darkMenu->grab().toImage(), QStringLiteral("tray-run-a-setup-dark"), Qt::black);
    QApplication::setPalette(before);
}

TEST(StatusItem, theMarkIsLightOnADarkPanelAndDarkOnALightOne) {
    test::FakeDesktopAppearance desktop;
    DesignSystem::instance().setDesktop(&desktop);
    StatusItemController status(StatusItemController::Tray::none);
    const QColor darkPanel(0x24, 0x24, 0x24);
    const QColor lightPanel(0xf2, 0xf2, 0xf2);

    desktop.set(true, false);
    const QImage onDark = status.icon().pixmap(48, 48).toImage();
    test::ViewHarness::save(onDark, QStringLiteral("tray-mark-dark"), darkPanel);
    const auto [darkInk, darkCount] = inkOf(onDark);
    EXPECT_GT(darkCount, 50) << "the mark is drawn";
    EXPECT_GT(darkInk, 0.75) << "a light mark on a dark panel";

    desktop.set(false, false);
    const QImage onLight = status.icon().pixmap(48, 48).toImage();
    test::ViewHarness::save(onLight, QStringLiteral("tray-mark-light"), lightPanel);
    EXPECT_LT(inkOf(onLight).first, 0.3) << "a dark mark on a light panel";

    // Paused follows the scheme too.
    desktop.set(true, false);
    status.setPaused(true);
    EXPECT_GT(inkOf(status.icon().pixmap(48, 48).toImage()).first, 0.75);
    DesignSystem::instance().setDesktop(nullptr);
}
