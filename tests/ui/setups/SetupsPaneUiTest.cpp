// The Setups pane offscreen in light and dark: cards with miniatures on one and two
// displays, the empty state with its ideas, the miniature on its own, the buttons
// reaching the model, and the icon cache behind every app icon.
#include "ui/design/AppIcons.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/SetupThumbnail.h"
#include "ui/setups/SetupsPaneModel.h"

#include "commands/AppIndex.h"
#include "setups/SetupStore.h"

#include "support/FakeAppIconSource.h"
#include "support/FakeApps.h"
#include "support/FakeClock.h"
#include "support/FakeDesktop.h"
#include "support/LightDarkViewTest.h"
#include "support/Pixels.h"
#include "support/SetupRecords.h"
#include "support/TempHome.h"
#include "support/ViewHarness.h"

#include <QQuickItem>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

const QDateTime day = QDateTime(QDate(2026, 1, 5), QTime(9, 0), Qt::UTC);
const QColor codeColour(220, 40, 40), firefoxColour(40, 90, 220), terminalColour(30, 160, 60);

const QByteArray paneText = R"(
import QtQuick
import Brisklet
Rectangle {
    property var paneModel
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    width: 860
    height: pane.implicitHeight + 64
    color: c.canvas
    SetupsPane { id: pane; objectName: "pane"; x: 32; y: 32; width: 796; model: paneModel }
}
)";

SetupItem item(const QString& app, std::optional<SetupFrame> frame, SetupItemKind kind = SetupItemKind::app) {
    SetupItem i;
    i.id = QUuid::createUuid();
    i.bundleID = app;
    i.appName = app;
    i.kind = kind;
    if (kind == SetupItemKind::url)
        i.url = "https://example.org";
    i.frame = frame;
    return i;
}

// The first visible item by that name in the item tree (a closed menu keeps its rows).
QQuickItem* visibleItem(QQuickItem* under, const QString& name) {
    for (QQuickItem* child : under->childItems()) {
        if (child->objectName() == name && child->isVisible())
            return child;
        if (QQuickItem* found = visibleItem(child, name))
            return found;
    }
    return nullptr;
}

class SetupsPaneUiTest : public LightDarkViewTest {
protected:
    SetupsPaneUiTest() : LightDarkViewTest(false) {}
    void SetUp() override {
        LightDarkViewTest::SetUp();
        icons.set("code", codeColour);
        icons.set("firefox", firefoxColour);
        icons.set("org.gnome.Terminal", terminalColour);
        AppIcons::instance().setSource(&icons);
        apps.setInstalled({{"code", "Code", "/code.desktop"}, {"firefox", "Firefox", "/ff.desktop"}});
        index.refresh();
        index.waitForScans();
        clock.setWallStart(day);
        model.screensProvider = [this] { return screens; };
    }
    void TearDown() override {
        AppIcons::instance().setSource(nullptr);
        LightDarkViewTest::TearDown();
    }

    void addFixtures() {
        brisklet::Setup deep = setupNamed("Deep Work", day.addDays(-3), day.addSecs(-7200),
                                          {"heads down", "focus time", "quiet please"});
        deep.items = {item("code", SetupFrame{0, 0, 0.66, 1, 0}),
                      item("firefox", SetupFrame{0.66, 0, 0.34, 1, 0}, SetupItemKind::url)};
        deep.fingerprint = "2:1440x900,1920x1080";
        deep.system.appearance = SetupSystemState::Appearance::dark;
        brisklet::Setup twoScreens = setupNamed("Two Screens", day.addDays(-1));
        twoScreens.items = {item("org.gnome.Terminal", SetupFrame{0, 0.5, 1, 0.5, 0}),
                            item("firefox", SetupFrame{0, 0, 1, 1, 1}, SetupItemKind::url)};
        twoScreens.fingerprint = "2:1440x900,1920x1080";
        brisklet::Setup loose = setupNamed("Loose Ends", day.addDays(-5));
        for (const char* app : {"code", "firefox", "a", "b", "c", "d", "e"})
            loose.items.push_back(item(app, std::nullopt));
        loose.fingerprint = "1:1440x900";
        setups.upsert(deep);
        setups.upsert(twoScreens);
        setups.upsert(loose);
        setups.setActiveRun(SetupStore::ActiveRun{twoScreens.id, twoScreens.name, {}, day, false, false, {}});
    }

    QImage shoot(const QString& name) {
        const bool loaded =
            harness.loadText(paneText, {{"paneModel", QVariant::fromValue<QObject*>(&model)}});
        EXPECT_TRUE(loaded) << harness.errors().toStdString();
        if (!loaded)
            return {};
        QTest::qWait(30);
        QImage image = harness.render();
        ViewHarness::save(image, name + suffix());
        return image;
    }
    QQuickItem* inCard(const QString& card, const QString& name) {
        return ViewHarness::find(harness.find("card-" + card), name);
    }
    void expectLegible(const QImage& image, QQuickItem* item, const QColor& backdrop, double least = 4.5) {
        ASSERT_NE(item, nullptr);
        EXPECT_TRUE(item->isVisible()) << item->objectName().toStdString();
        EXPECT_GE(Pixels::textContrast(image, harness.boxOf(item), backdrop), least)
            << item->objectName().toStdString() << " " << item->property("text").toString().toStdString();
    }

    FakeAppIconSource icons;
    TempHome home;
    QTemporaryDir dir;
    FakeClock clock;
    FakeDesktop desktop{clock};
    FakeApps apps{desktop};
    AppIndex index{&apps, nullptr};
    SetupStore setups{dir.filePath("setups.json")};
    std::vector<QRectF> screens{QRectF(0, 0, 1440, 900), QRectF(1440, 0, 1920, 1080)};
    SetupsPaneModel model{setups, &index, clock};
    ViewHarness harness;
};

} // namespace

TEST_P(SetupsPaneUiTest, cardsShowNewestFirstWithTheirMiniaturesAppsAndState) {
    addFixtures();
    const QImage image = shoot("SetupsPane");
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(Pixels::nonBlank(image));
    EXPECT_TRUE(harness.find("new")->isVisible());
    EXPECT_TRUE(harness.find("capture")->isVisible());
    EXPECT_FALSE(harness.find("emptyState")->isVisible());

    // Two columns at this width, newest first: Deep Work (made three days ago but
    // run two hours ago), Two Screens (made yesterday), then Loose Ends.
    QQuickItem* deep = harness.find("card-Deep Work");
    QQuickItem* two = harness.find("card-Two Screens");
    QQuickItem* loose = harness.find("card-Loose Ends");
    ASSERT_TRUE(deep && two && loose);
    EXPECT_LT(harness.boxOf(deep).left(), harness.boxOf(two).left());
    EXPECT_EQ(harness.boxOf(deep).top(), harness.boxOf(two).top());
    EXPECT_GT(harness.boxOf(loose).top(), harness.boxOf(deep).bottom());

    const QColor canvas = palette()->canvas, surface = palette()->surface;
    expectLegible(image, harness.find("title"), canvas);
    expectLegible(image, harness.find("intro"), canvas);
    expectLegible(image, inCard("Deep Work", "name"), surface);
    expectLegible(image, inCard("Deep Work", "lastRun"), surface, 2.0);
    expectLegible(image, inCard("Deep Work", "effects"), surface);
    EXPECT_EQ(inCard("Deep Work", "lastRun")->property("text").toString(), "ran 2 hr. ago");
    EXPECT_EQ(inCard("Deep Work", "effects")->property("text").toString(),
              QString::fromUtf8("1 site · dark mode"));

    // The open setup has its badge and an End button; the others neither.
    EXPECT_TRUE(inCard("Two Screens", "openBadge")->isVisible());
    EXPECT_TRUE(inCard("Two Screens", "end")->isVisible());
    EXPECT_FALSE(inCard("Deep Work", "openBadge")->isVisible());
    EXPECT_FALSE(inCard("Deep Work", "end")->isVisible());
    expectLegible(image, inCard("Two Screens", "openText"), surface, 3.0);

    // Miniatures: one screen for Deep Work, two for Two Screens, none without frames.
    EXPECT_EQ(inCard("Deep Work", "thumbnail")->property("screenCount").toInt(), 1);
    EXPECT_EQ(inCard("Two Screens", "thumbnail")->property("screenCount").toInt(), 2);
    EXPECT_FALSE(inCard("Loose Ends", "miniature")->isVisible());
    // The icons are drawn in the tiles and in the icon rows.
    EXPECT_GT(Pixels::countNear(image, harness.boxOf(inCard("Deep Work", "thumbnail")), codeColour, 11), 20);
    EXPECT_GT(Pixels::countNear(image, harness.boxOf(inCard("Two Screens", "thumbnail")), terminalColour, 11),
              20);
    EXPECT_GT(Pixels::countNear(image, harness.boxOf(inCard("Deep Work", "apps")), firefoxColour, 11), 100);

    // Made on one display while two are connected: the warning; six icons and "+1".
    EXPECT_TRUE(inCard("Loose Ends", "displayWarning")->isVisible());
    EXPECT_EQ(inCard("Loose Ends", "displayLabel")->property("text").toString(), "single display");
    EXPECT_FALSE(inCard("Deep Work", "displayWarning")->isVisible());
    EXPECT_EQ(inCard("Loose Ends", "moreApps")->property("text").toString(), "+1");
    EXPECT_FALSE(inCard("Deep Work", "moreApps")->isVisible());
    expectLegible(image, inCard("Loose Ends", "moreApps"), surface, 3.0);
}

TEST_P(SetupsPaneUiTest, theOpenBadgeFollowsTheNameAndTheWarningHasTheDisplayGlyph) {
    addFixtures();
    // The open setup on a different arrangement shows the badge and the warning at once.
    brisklet::Setup two = *setups.lookup("Two Screens");
    two.fingerprint = "1:1440x900";
    setups.upsert(two);
    shoot("SetupsPane-title");
    QQuickItem* name = inCard("Two Screens", "name");
    QQuickItem* badge = inCard("Two Screens", "openBadge");
    QQuickItem* row = inCard("Two Screens", "titleRow");
    ASSERT_TRUE(name && badge && row);
    ASSERT_TRUE(badge->isVisible());
    // The badge sits 8 after the name, far from the row's right edge.
    EXPECT_NEAR(harness.boxOf(badge).left() - harness.boxOf(name).right() - 1, 8, 1);
    EXPECT_GT(harness.boxOf(row).right() - harness.boxOf(badge).right(), 100);
    EXPECT_NEAR(harness.boxOf(name).width(), name->property("implicitWidth").toReal(), 1);

    // The warning draws the icon font's display-with-warning glyph, not the plain triangle.
    QQuickItem* glyph = inCard("Two Screens", "displayGlyph");
    ASSERT_TRUE(glyph && glyph->isVisible());
    EXPECT_EQ(glyph->property("text").toString(), QString(QChar(0xe99d)));
    EXPECT_NE(glyph->property("text").toString(),
              DesignSystem::instance().symbol("exclamationmark.triangle.fill"));
    EXPECT_LT(harness.boxOf(badge).right(), harness.boxOf(inCard("Two Screens", "displayWarning")).left());
}

TEST_P(SetupsPaneUiTest, withoutSetupsTheEmptyStateOffersBothStartsAndTheIdeas) {
    model.setDefaultBrowser(platform::AppEntry{"firefox", "Firefox", "/ff.desktop"});
    const QImage image = shoot("SetupsPane-empty");
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(Pixels::nonBlank(image));
    EXPECT_FALSE(harness.find("new")->isVisible());
    EXPECT_FALSE(harness.find("capture")->isVisible());
    EXPECT_FALSE(harness.find("grid")->isVisible());
    ASSERT_TRUE(harness.find("emptyState")->isVisible());

    const QColor surface = palette()->surface;
    expectLegible(image, harness.find("emptyTitle"), surface);
    expectLegible(image, harness.find("emptyText"), surface);
    EXPECT_TRUE(harness.find("captureFirst")->isVisible());
    EXPECT_TRUE(harness.find("startFromScratch")->isVisible());
    ASSERT_TRUE(harness.find("ideasSection")->isVisible());
    QQuickItem* name = harness.find("ideaName");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->property("text").toString(), "Deep Work");
    expectLegible(image, name, surface);
    expectLegible(image, harness.find("blurb"), surface);
    EXPECT_GT(Pixels::countNear(image, harness.boxOf(harness.find("ideaGrid")), codeColour, 11), 100);

    std::optional<brisklet::Setup> draft;
    QObject::connect(&model, &SetupsPaneModel::editRequested, [&](const brisklet::Setup& s) { draft = s; });
    QMetaObject::invokeMethod(harness.find("createAndEdit"), "clicked");
    ASSERT_TRUE(draft);
    EXPECT_EQ(draft->name, "Deep Work");
    QMetaObject::invokeMethod(harness.find("startFromScratch"), "clicked");
    EXPECT_EQ(draft->name, "");
    EXPECT_TRUE(setups.setups().empty());
}

TEST_P(SetupsPaneUiTest, withNoFittingAppsTheIdeasAreLeftOut) {
    apps.setInstalled({});
    index.refresh();
    index.waitForScans();
    const QImage image = shoot("SetupsPane-empty-noideas");
    EXPECT_TRUE(harness.find("introCard")->isVisible());
    EXPECT_FALSE(harness.find("ideasSection")->isVisible());
    EXPECT_TRUE(Pixels::nonBlank(image));
}

TEST_P(SetupsPaneUiTest, theCardsButtonsAndMenuReachTheModelAndTheStore) {
    addFixtures();
    shoot("SetupsPane-actions");
    QStringList heard;
    QObject::connect(&model, &SetupsPaneModel::runRequested,
                     [&](const brisklet::Setup& s) { heard << "run " + s.name; });
    QObject::connect(&model, &SetupsPaneModel::endRequested,
                     [&](const brisklet::Setup& s) { heard << "end " + s.name; });
    QObject::connect(&model, &SetupsPaneModel::captureRequested, [&] { heard << "capture"; });
    QMetaObject::invokeMethod(inCard("Deep Work", "run"), "clicked");
    QMetaObject::invokeMethod(inCard("Two Screens", "end"), "clicked");
    QMetaObject::invokeMethod(harness.find("capture"), "clicked");
    EXPECT_EQ(heard, (QStringList{"run Deep Work", "end Two Screens", "capture"}));

    // The closed setup's menu starts with End; choosing Duplicate copies it.
    QMetaObject::invokeMethod(inCard("Deep Work", "more"), "clicked");
    QQuickItem* overlay = harness.view().contentItem();
    QQuickItem* endEntry = visibleItem(overlay, "entry-end");
    ASSERT_NE(endEntry, nullptr);
    QTest::qWait(30);
    const QImage menuShot = harness.view().grabWindow();
    ViewHarness::save(menuShot, "SetupsPane-menu" + suffix());
    for (const char* name : {"entry-end", "entry-edit", "entry-update", "entry-duplicate", "entry-delete"}) {
        QQuickItem* text = ViewHarness::find(visibleItem(overlay, name), "entryText");
        ASSERT_NE(text, nullptr) << name;
        EXPECT_GE(Pixels::textContrast(menuShot, harness.boxOf(text), palette()->surfaceRaised,
                                       text->property("color").value<QColor>()),
                  4.5)
            << name;
    }
    EXPECT_LT(harness.boxOf(endEntry).top(), harness.boxOf(visibleItem(overlay, "entry-edit")).top())
        << "End comes first";
    QQuickItem* duplicate = visibleItem(overlay, "entry-duplicate");
    ASSERT_NE(duplicate, nullptr);
    QMetaObject::invokeMethod(duplicate, "clicked");
    EXPECT_EQ(setups.setups().size(), 4u);
    EXPECT_EQ(setups.setups().back().name, "Deep Work copy");

    // Delete asks first, with the setup's name in the title.
    QMetaObject::invokeMethod(inCard("Loose Ends", "more"), "clicked");
    QQuickItem* remove = visibleItem(overlay, "entry-delete");
    ASSERT_NE(remove, nullptr);
    EXPECT_EQ(ViewHarness::find(remove, "entryText")->property("color").value<QColor>(), palette()->emberText)
        << "destructive";
    QMetaObject::invokeMethod(remove, "clicked");
    QTest::qWait(10);
    QQuickItem* title = ViewHarness::find(overlay, "deleteTitle");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->property("text").toString(), QString::fromUtf8("Delete “Loose Ends”?"));
    QTest::qWait(30);
    const QImage dialogShot = harness.view().grabWindow();
    ViewHarness::save(dialogShot, "SetupsPane-delete" + suffix());
    for (const char* name : {"deleteTitle", "deleteMessage"}) {
        QQuickItem* text = ViewHarness::find(overlay, name);
        EXPECT_TRUE(text->isVisible()) << name;
        EXPECT_GE(Pixels::textContrast(dialogShot, harness.boxOf(text), palette()->surfaceRaised,
                                       text->property("color").value<QColor>()),
                  4.5)
            << name;
    }
    EXPECT_EQ(setups.setups().size(), 4u);
    QMetaObject::invokeMethod(ViewHarness::find(overlay, "confirmDelete"), "clicked");
    EXPECT_EQ(setups.setups().size(), 3u);
    EXPECT_FALSE(setups.setup(setups.setups()[2].id)->name == "Loose Ends");
}

TEST_P(SetupsPaneUiTest, theMiniatureDrawsTilesWhereTheFramesSay) {
    const QByteArray text = R"(
import QtQuick
import Brisklet
Rectangle {
    property var tiles
    property var sizes
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    width: thumb.implicitWidth + 20
    height: 220
    color: c.surface
    SetupThumbnail { id: thumb; objectName: "thumb"; x: 10; y: 10; width: implicitWidth; height: 200
                     screenHeight: 200; items: tiles; screens: sizes; palette: parent.c }
}
)";
    brisklet::Setup setup;
    setup.items = {item("code", SetupFrame{0, 0, 0.5, 1, 0}),
                   item("firefox", SetupFrame{0, 0, 1, 0.5, 1}, SetupItemKind::url)};
    const QVariantList sizes{QSizeF(1600, 1000)};
    ASSERT_TRUE(harness.loadText(text, {{"tiles", SetupThumbnail::itemMaps(setup.items)}, {"sizes", sizes}}));
    const QImage image = harness.render();
    ViewHarness::save(image, "SetupThumbnail" + suffix());
    // Two screens, 320 (16:10) and 320 (not connected: 1.6) wide, 5 apart.
    EXPECT_EQ(image.width(), 320 + 5 + 320 + 20);
    const QColor surface = palette()->surface;
    // Screen 0: the left half is a window (its body the surface colour, the icon in
    // its middle); the right half is bare screen.
    EXPECT_EQ(QColor::fromRgba(image.pixel(10 + 40, 10 + 150)).rgb(), surface.rgb());
    EXPECT_NE(QColor::fromRgba(image.pixel(10 + 280, 10 + 150)).rgb(), surface.rgb());
    EXPECT_GT(Pixels::countNear(image, QRect(10, 10, 160, 200), codeColour, 11), 100);
    // Screen 1: the bottom half holds the page, the top half is bare.
    const int x1 = 10 + 325;
    EXPECT_EQ(QColor::fromRgba(image.pixel(x1 + 40, 10 + 180)).rgb(), surface.rgb());
    EXPECT_NE(QColor::fromRgba(image.pixel(x1 + 40, 10 + 50)).rgb(), surface.rgb());
    EXPECT_GT(Pixels::countNear(image, QRect(x1, 110, 320, 100), firefoxColour, 11), 100);
    // The page's title bar (the tile starts 3 + 97 down, its bar is 3.5 high) is
    // the ember wash over the window's body.
    const QColor wash = Pixels::over(palette()->emberWash.rgba(), surface);
    EXPECT_GT(Pixels::countNear(image, QRect(x1 + 10, 10 + 100, 300, 3), wash, 11), 300);
}

INSTANTIATE_TEST_SUITE_P(Appearance, SetupsPaneUiTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "dark" : "light"; });

TEST(AppIconsUiTest, eachAppIsLookedUpOnceAndUnknownOnesShareThePlaceholder) {
    FakeAppIconSource source;
    source.set("code", codeColour);
    AppIcons& icons = AppIcons::instance();
    icons.setSource(&source);
    const QImage code = icons.icon("code");
    EXPECT_EQ(QColor::fromRgba(code.pixel(10, 10)).rgb(), codeColour.rgb());
    EXPECT_EQ(icons.icon("code").cacheKey(), code.cacheKey());
    const QImage missing = icons.icon("org.example.Gone");
    EXPECT_FALSE(missing.isNull());
    EXPECT_EQ(icons.icon("org.example.Gone").cacheKey(), missing.cacheKey()) << "the same cached placeholder";
    EXPECT_EQ(icons.icon("").cacheKey(), missing.cacheKey());
    EXPECT_EQ(source.asked, (QStringList{"code", "org.example.Gone", ""}));
    EXPECT_TRUE(Pixels::nonBlank(missing)) << "the dashed symbol is drawn";

    // An app installed later keeps its placeholder until the cache starts again.
    source.set("org.example.Gone", terminalColour);
    EXPECT_EQ(icons.icon("org.example.Gone").cacheKey(), missing.cacheKey());
    icons.setSource(nullptr);
    EXPECT_FALSE(icons.icon("code").isNull());
}
