// The home window offscreen: every pane state drawn in light and dark (not blank,
// its text legible on the canvas), navigation, the pane column, phrase editing and
// the add-command sheet reaching commands.json, and the window's own life cycle.
#include "ui/home/HomeWindowFixture.h"

#include "support/FileFaults.h"

#include <QQuickItemGrabResult>
#include <QTest>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {
using HomeWindowUiTest = HomeWindowFixture;

// Whether the text of `item` is on the picture: a good number of its pixels in its
// own ink, not only a colour that would read if it were drawn.
bool drawn(ViewHarness& h, const QImage& image, QQuickItem* item) {
    const QColor ink = item->property("color").value<QColor>();
    return Pixels::countNear(image.convertToFormat(QImage::Format_ARGB32), h.boxOf(item), ink, 24) >= 20;
}
} // namespace

TEST_P(HomeWindowUiTest, TheHomePaneDrawsItsInvitationAndThenTheRecentSetups) {
    ViewHarness h(GetParam());
    ASSERT_TRUE(load(h, "Home")) << h.errors().toStdString();
    QImage image = shot(h, "home-empty");
    legible(h, image, h.root(), "title");
    legible(h, image, h.root(), "status");
    legible(h, image, h.root(), "firstSetupTitle");
    legible(h, image, h.find("navHome"), "label");
    legible(h, image, h.root(), "brandName");
    EXPECT_FALSE(h.find("recentSetups")->isVisible());

    Prefs::setValue(Prefs::Key::commandsRun, 12);
    Prefs::setValue(Prefs::Key::setupsRun, 3);
    state.refresh();
    addSetups();
    image = shot(h, "home-setups");
    EXPECT_FALSE(h.find("firstSetupCard")->isVisible());
    legible(h, image, h.find("recentSetups"), "name");
    legible(h, image, h.find("commandsTile"), "value");
    EXPECT_EQ(h.find("commandsTile")->property("value"), "12");
    EXPECT_EQ(h.find("timeTile")->property("value"), "6m") << "12 × 14 + 3 × 76 = 396 s";
    EXPECT_EQ(ViewHarness::find(h.find("recentSetups"), "lastRun")->property("text"), "2 hr. ago");
}

TEST_P(HomeWindowUiTest, TheCommandsPaneDrawsSetupsOwnCommandsAndFamilies) {
    addSetups();
    ASSERT_TRUE(registry.update({"custom-1A2B3C4D", {"work mode"}, "openApp", {{"name", "Firefox"}}, true}));
    ViewHarness h(GetParam());
    ASSERT_TRUE(load(h, "Commands", 2600));
    QImage image = shot(h, "commands");
    legible(h, image, h.find("setupsSection"), "caption");
    legible(h, image, h.find("commandsSection"), "caption");
    legible(h, image, h.find("familyWindows"), "family");
    legible(h, image, h.find("doc Center"), "title");
    EXPECT_TRUE(h.find("doc Center")) << "Windows starts open";
    EXPECT_FALSE(h.find("doc Open an app")) << "Apps starts closed";

    int ends = 0;
    for (QQuickItem* row : h.find("setupsSection")->childItems().last()->childItems()) {
        if (QQuickItem* end = ViewHarness::find(row, "end"); end && end->isVisible())
            ++ends;
    }
    EXPECT_EQ(ends, 1) << "End only for the active run";

    QQuickItem* search = h.find("search");
    search->setProperty("text", "volume");
    h.root()->setHeight(640);
    image = shot(h, "commands-search");
    EXPECT_TRUE(h.find("doc Volume"));
    EXPECT_FALSE(h.find("familyWindows")) << "a family without matching rows is left out";
    legible(h, image, h.find("doc Volume"), "title");

    h.click(ViewHarness::find(h.find("doc Volume"), "editPhrases"));
    image = shot(h, "commands-editing");
    legible(h, image, h.find("doc Volume"), "label");
}

TEST_P(HomeWindowUiTest, TheSetupsPaneDrawsTheStoreAndItsButtonsReachTheCallbacks) {
    addSetups();
    QStringList heard;
    controller.onRunSetup = [&](const brisklet::Setup& setup) { heard << "run " + setup.name; };
    controller.onEndSetup = [&](const brisklet::Setup& setup) { heard << "end " + setup.name; };
    controller.onUpdateSetup = [&](const brisklet::Setup& setup) { heard << "update " + setup.name; };
    controller.onCaptureSetup = [&] { heard << "capture"; };
    ViewHarness h(GetParam());
    ASSERT_TRUE(load(h, "Setups"));
    const QImage image = shot(h, "setups");
    legible(h, image, h.root(), "title");
    legible(h, image, h.root(), "intro");
    QQuickItem* deep = h.find("card-Deep Work");
    ASSERT_TRUE(deep && h.find("card-Evening"));
    QMetaObject::invokeMethod(ViewHarness::find(deep, "run"), "clicked");
    QMetaObject::invokeMethod(ViewHarness::find(deep, "end"), "clicked");
    QMetaObject::invokeMethod(h.find("capture"), "clicked");
    controller.setupsPane().update(SetupJson::idText(deepId));
    EXPECT_EQ(heard, (QStringList{"run Deep Work", "end Deep Work", "capture", "update Deep Work"}));
}

TEST_P(HomeWindowUiTest, TheMagicPaneOpensInItsPlace) {
    ViewHarness h(GetParam());
    ASSERT_TRUE(load(h, "Magic"));
    const QImage image = shot(h, "magic");
    QQuickItem* pane = paneItem(h);
    ASSERT_TRUE(pane);
    EXPECT_FALSE(ViewHarness::find(pane, "placeholder"));
    legible(h, image, pane, "paneTitle");
    legible(h, image, pane, "intro");
}

TEST_P(HomeWindowUiTest, TheAddSheetOpensFreshAndStoresACommand) {
    ViewHarness h(GetParam());
    QQuickItem* phrase = openAddSheet(h);
    ASSERT_TRUE(phrase);
    QQuickItem* overlay = h.view().contentItem();
    const QImage picture = h.view().grabWindow();
    EXPECT_TRUE(Pixels::nonBlank(picture));
    ViewHarness::save(picture, "home-add-sheet" + suffix());
    QQuickItem* title = ViewHarness::find(overlay, "sheetTitle");
    EXPECT_GE(Pixels::textContrast(picture.convertToFormat(QImage::Format_ARGB32), h.boxOf(title), canvas(),
                                   title->property("color").value<QColor>()),
              4.5);

    QQuickItem* app = ViewHarness::find(overlay, "app");
    EXPECT_EQ(app->property("count").toInt(), 3) << "Choose… and the two apps";
    h.click(ViewHarness::find(overlay, "add"));
    EXPECT_TRUE(phrase->isVisible()) << "nothing given: the sheet stays";

    phrase->setProperty("text", "  Work Mode ");
    h.click(ViewHarness::find(overlay, "add"));
    EXPECT_TRUE(phrase->isVisible()) << "no app chosen: the sheet stays";
    EXPECT_EQ(customCount(registry), 0);

    app->setProperty("currentIndex", 1);
    EXPECT_EQ(app->property("currentText"), "Firefox");
    phrase->forceActiveFocus();
    QTest::keyClick(&h.view(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return !phrase->isVisible(); }));
    const QJsonObject stored = storedCommand(
        commandsPath(), [](const QJsonObject& o) { return o["id"].toString().startsWith("custom-"); });
    EXPECT_EQ(stored["phrases"].toArray(), QJsonArray({"work mode"}));
    EXPECT_EQ(stored["action"], "openApp");
    EXPECT_EQ(stored["params"].toObject(), QJsonObject({{"name", "Firefox"}}));
    EXPECT_EQ(stored["enabled"], true);
    ASSERT_TRUE(waitFor([&] { return h.find("commandsSection")->isVisible(); }));

    h.click(h.find("addButton"));
    ASSERT_TRUE(waitFor([&] { return phrase->isVisible(); }));
    EXPECT_EQ(phrase->property("text"), "") << "every opening starts fresh";
    EXPECT_EQ(app->property("currentIndex"), 0);
    h.click(ViewHarness::find(overlay, "cancel"));
    ASSERT_TRUE(waitFor([&] { return !phrase->isVisible(); }));
    EXPECT_EQ(customCount(registry), 1);
}

TEST_P(HomeWindowUiTest, ReturnAddsTheCommandAfterTheAppWasPickedWithTheMouse) {
    ViewHarness h(GetParam());
    QQuickItem* phrase = openAddSheet(h);
    ASSERT_TRUE(phrase);
    QQuickItem* overlay = h.view().contentItem();
    for (const char c : QByteArray("work mode"))
        QTest::keyClick(&h.view(), c);

    // While the list is open, Return picks the entry it marks and adds nothing.
    QQuickItem* app = ViewHarness::find(overlay, "app");
    h.click(app);
    QObject* list = app->property("popup").value<QObject*>();
    ASSERT_TRUE(list);
    ASSERT_TRUE(waitFor([&] { return list->property("opened").toBool(); }));
    QTest::keyClick(&h.view(), Qt::Key_Down);
    QTest::keyClick(&h.view(), Qt::Key_Down);
    QTest::keyClick(&h.view(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return !list->property("visible").toBool(); }));
    EXPECT_EQ(app->property("currentIndex"), 2);
    EXPECT_TRUE(phrase->isVisible());
    EXPECT_EQ(customCount(registry), 0);

    // The list opens on a click and its first app is clicked.
    h.click(app);
    ASSERT_TRUE(waitFor([&] { return list->property("opened").toBool(); }));
    QQuickItem* entries = list->property("contentItem").value<QQuickItem*>();
    ASSERT_TRUE(entries);
    QQuickItem* firefox = nullptr;
    ASSERT_TRUE(
        QMetaObject::invokeMethod(entries, "itemAtIndex", Q_RETURN_ARG(QQuickItem*, firefox), Q_ARG(int, 1)));
    ASSERT_TRUE(firefox);
    const QImage open = h.view().grabWindow();
    ViewHarness::save(open, "home-add-sheet-list" + suffix());
    EXPECT_TRUE(Pixels::nonBlank(open));
    h.click(firefox);
    ASSERT_TRUE(waitFor([&] { return !list->property("visible").toBool(); }));
    EXPECT_EQ(app->property("currentText"), "Firefox");
    const QImage picked = h.view().grabWindow().convertToFormat(QImage::Format_ARGB32);
    ViewHarness::save(picked, "home-add-sheet-picked" + suffix());
    EXPECT_GE(Pixels::textContrast(picked, h.boxOf(app), canvas()), 4.5) << "the chosen app reads";

    QTest::keyClick(&h.view(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return !phrase->isVisible(); })) << "Return adds and closes the sheet";
    const QJsonObject stored = storedCommand(
        commandsPath(), [](const QJsonObject& o) { return o["id"].toString().startsWith("custom-"); });
    EXPECT_EQ(stored["phrases"].toArray(), QJsonArray({"work mode"}));
    EXPECT_EQ(stored["params"].toObject(), QJsonObject({{"name", "Firefox"}}));
    EXPECT_EQ(customCount(registry), 1) << "added once";
}

TEST_P(HomeWindowUiTest, TheSheetListsTheAppsOfTheLatestScanEachTimeItOpens) {
    apps.setInstalled({});
    index.refresh();
    index.waitForScans();
    ViewHarness h(GetParam());
    ASSERT_TRUE(load(h, "Commands"));
    h.render();
    h.click(h.find("addButton"));
    QQuickItem* overlay = h.view().contentItem();
    QQuickItem* app = ViewHarness::find(overlay, "app");
    ASSERT_TRUE(app);
    ASSERT_TRUE(waitFor([&] { return app->isVisible(); }));
    EXPECT_EQ(app->property("count").toInt(), 1) << "no scan yet: only Choose…";
    h.click(ViewHarness::find(overlay, "cancel"));
    ASSERT_TRUE(waitFor([&] { return !app->isVisible(); }));

    apps.setInstalled(
        {{"zed", "Zed", "/z.desktop"}, {"b", "Anki", "/a.desktop"}, {"c", "Anki", "/a2.desktop"}});
    index.refresh();
    index.waitForScans();
    h.click(h.find("addButton"));
    ASSERT_TRUE(waitFor([&] { return app->isVisible(); }));
    EXPECT_EQ(app->property("model").toStringList(), QStringList({"Choose…", "Anki", "Anki", "Zed"}));
}

TEST_P(HomeWindowUiTest, TheSidebarSwitchesPanesAndReselectingKeepsThePane) {
    ViewHarness h(GetParam());
    ASSERT_TRUE(load(h, "Home"));
    h.render();
    h.click(h.find("navCommands"));
    EXPECT_EQ(h.root()->property("pane"), "Commands");
    QQuickItem* commands = paneItem(h);
    ASSERT_TRUE(commands);
    h.click(h.find("navCommands"));
    EXPECT_EQ(paneItem(h), commands) << "the same pane, not a new one";

    h.click(h.find("navHome"));
    h.click(h.find("createFirstSetup"));
    EXPECT_EQ(h.root()->property("pane"), "Setups");

    addSetups();
    h.click(h.find("navHome"));
    h.click(h.find("seeAll"));
    EXPECT_EQ(h.root()->property("pane"), "Setups");
}

TEST_P(HomeWindowUiTest, ThePaneColumnIsAtMost960WideAndCentred) {
    ViewHarness h(GetParam());
    ASSERT_TRUE(load(h, "Home", 640, 1600));
    h.render();
    QQuickItem* scroller = h.find("scroller");
    QQuickItem* column = h.find("paneColumn");
    EXPECT_EQ(column->width(), 960);
    EXPECT_EQ(column->x(), (scroller->width() - 960) / 2);
    EXPECT_EQ(paneItem(h)->width(), 880);
    h.root()->setWidth(860);
    EXPECT_EQ(column->width(), scroller->width());
    EXPECT_EQ(column->x(), 0);
}

TEST_P(HomeWindowUiTest, APhraseEditInTheWindowReachesCommandsJsonAndNothingTypedIsLost) {
    ViewHarness h(GetParam());
    ASSERT_TRUE(load(h, "Commands", 2600));
    h.render();
    QQuickItem* doc = h.find("doc Center");
    ASSERT_TRUE(doc);
    h.click(ViewHarness::find(doc, "editPhrases"));
    QQuickItem* field = ViewHarness::find(doc, "phrases");
    ASSERT_TRUE(field);
    EXPECT_EQ(field->property("text"),
              CommandEdits::joined(CommandsPaneModel::docEntries("Center", registry.entries())[0].phrases));
    field->forceActiveFocus();
    field->setProperty("text", "Middle,  Centre It ,");
    QTest::keyClick(&h.view(), Qt::Key_Return);
    const auto center = [](const QJsonObject& o) { return o["id"] == "center"; };
    EXPECT_EQ(storedCommand(commandsPath(), center)["phrases"].toArray(),
              QJsonArray({"middle", "centre it"}));
    EXPECT_EQ(field->property("text"), "Middle,  Centre It ,") << "the field keeps what was typed";

    field->setProperty("text", "");
    QTest::keyClick(&h.view(), Qt::Key_Return);
    EXPECT_EQ(field->property("text"), "middle, centre it") << "an emptied field gets its phrases back";

    field->setProperty("text", "middle, centre it, dead centre");
    h.click(ViewHarness::find(h.find("familyWindows"), "header"));
    ASSERT_TRUE(waitFor([&] { return !h.find("doc Center"); }))
        << "the family closed, once its rows faded out";
    EXPECT_EQ(storedCommand(commandsPath(), center)["phrases"].toArray(),
              QJsonArray({"middle", "centre it", "dead centre"}));
}

// A full disk: Add keeps the sheet open as typed and says in it why nothing was
// added; the pane behind shows no command. Opened again, the sheet starts fresh.
TEST_P(HomeWindowUiTest, ACommandThatCannotBeSavedKeepsTheSheetOpenAsTypedAndSaysWhy) {
    ViewHarness h(GetParam());
    QQuickItem* phrase = openAddSheet(h);
    ASSERT_TRUE(phrase);
    QQuickItem* overlay = h.view().contentItem();
    QQuickItem* failure = ViewHarness::find(overlay, "addFailure");
    ASSERT_TRUE(failure);
    EXPECT_FALSE(failure->isVisible());
    phrase->setProperty("text", "launch my calc");
    QQuickItem* app = ViewHarness::find(overlay, "app");
    app->setProperty("currentIndex", 1);
    phrase->forceActiveFocus();
    {
        FileSizeLimit full(16);
        QTest::keyClick(&h.view(), Qt::Key_Return);
    }
    ASSERT_TRUE(waitFor([&] { return failure->isVisible(); }));
    EXPECT_TRUE(phrase->isVisible()) << "the sheet stays open";
    EXPECT_EQ(phrase->property("text"), "launch my calc");
    EXPECT_EQ(app->property("currentText"), "Firefox");
    EXPECT_EQ(customCount(registry), 0);
    EXPECT_FALSE(h.find("commandsSection")->isVisible()) << "no row for what wasn't stored";
    const QImage picture = h.view().grabWindow().convertToFormat(QImage::Format_ARGB32);
    EXPECT_TRUE(Pixels::nonBlank(picture));
    ViewHarness::save(picture, "home-add-sheet-unsaved" + suffix());
    legible(h, picture, failure, "message");
    EXPECT_TRUE(drawn(h, picture, ViewHarness::find(failure, "message")));
    EXPECT_TRUE(drawn(h, picture, phrase)) << "the typed phrase shows";
    EXPECT_EQ(ViewHarness::find(failure, "message")->property("text"),
              "Couldn't save “launch my calc” — the commands file can't be written");

    h.click(ViewHarness::find(overlay, "cancel"));
    ASSERT_TRUE(waitFor([&] { return !phrase->isVisible(); }));
    h.click(h.find("addButton"));
    ASSERT_TRUE(waitFor([&] { return phrase->isVisible(); }));
    EXPECT_FALSE(failure->isVisible()) << "every opening starts fresh";
}

// A full disk: the phrase field keeps what was typed and says, in place of its hint,
// that it was not saved; the command keeps acting on its stored phrases. Once the
// disk takes it, Return saves and the hint is back.
TEST_P(HomeWindowUiTest, PhrasesThatCannotBeSavedStayInTheFieldWhichSaysWhy) {
    ViewHarness h(GetParam());
    QQuickItem* doc = loadCenterRow(h);
    ASSERT_TRUE(doc) << h.errors().toStdString();
    h.click(ViewHarness::find(doc, "editPhrases"));
    QQuickItem* fields = ViewHarness::find(doc, "fields");
    ASSERT_TRUE(fields);
    ASSERT_TRUE(waitFor([&] { return fields->opacity() == 1; })) << "the editors faded in";
    QQuickItem* field = ViewHarness::find(doc, "phrases");
    ASSERT_TRUE(field);
    QQuickItem* unsaved = ViewHarness::find(doc, "unsaved");
    ASSERT_TRUE(unsaved);
    const QStringList stored = CommandsPaneModel::docEntries("Center", registry.entries())[0].phrases;
    field->forceActiveFocus();
    field->setProperty("text", "Middle, centre it");
    {
        FileSizeLimit full(16);
        QTest::keyClick(&h.view(), Qt::Key_Return);
    }
    ASSERT_TRUE(waitFor([&] { return unsaved->isVisible(); }));
    EXPECT_EQ(field->property("text"), "Middle, centre it") << "what was typed stays";
    EXPECT_EQ(CommandsPaneModel::docEntries("Center", registry.entries())[0].phrases, stored);
    const QImage image = shot(h, "commands-unsaved-phrases");
    legible(h, image, unsaved, "message");
    EXPECT_TRUE(drawn(h, image, ViewHarness::find(unsaved, "message")));
    EXPECT_TRUE(drawn(h, image, field)) << "the typed phrases show";
    EXPECT_EQ(ViewHarness::find(unsaved, "message")->property("text"),
              "Couldn't save these phrases — the commands file can't be written");

    QTest::keyClick(&h.view(), Qt::Key_Return);
    EXPECT_FALSE(unsaved->isVisible());
    const auto center = [](const QJsonObject& o) { return o["id"] == "center"; };
    EXPECT_EQ(storedCommand(commandsPath(), center)["phrases"].toArray(),
              QJsonArray({"middle", "centre it"}));
}

// The line goes with the text that failed: Done, then Edit phrases, brings back the
// field as typed with its line, never the stored phrases with a line that isn't true
// of them.
TEST_P(HomeWindowUiTest, AFieldReopenedAfterAFailedSaveShowsTheTextThatFailedWithItsLine) {
    ViewHarness h(GetParam());
    QQuickItem* doc = loadCenterRow(h);
    ASSERT_TRUE(doc) << h.errors().toStdString();
    QQuickItem* edit = ViewHarness::find(doc, "editPhrases");
    h.click(edit);
    ASSERT_TRUE(waitFor([&] { return ViewHarness::find(doc, "phrases"); }));
    QQuickItem* field = ViewHarness::find(doc, "phrases");
    field->forceActiveFocus();
    field->setProperty("text", "Middle, centre it");
    {
        FileSizeLimit full(16);
        QTest::keyClick(&h.view(), Qt::Key_Return);
        h.click(edit);
        ASSERT_TRUE(waitFor([&] { return !ViewHarness::find(doc, "phrases"); })) << "Done closed the editors";
    }
    h.click(edit);
    ASSERT_TRUE(waitFor([&] { return ViewHarness::find(doc, "phrases"); }));
    field = ViewHarness::find(doc, "phrases");
    QQuickItem* unsaved = ViewHarness::find(doc, "unsaved");
    ASSERT_TRUE(waitFor([&] { return ViewHarness::find(doc, "fields")->opacity() == 1; }));
    EXPECT_EQ(field->property("text"), "Middle, centre it") << "what was typed is back";
    EXPECT_TRUE(unsaved->isVisible()) << "with its line";
    const QImage image = shot(h, "commands-unsaved-reopened");
    legible(h, image, unsaved, "message");
    EXPECT_TRUE(drawn(h, image, field));

    field->setProperty("text", "Middle, centre it, dead centre");
    EXPECT_FALSE(unsaved->isVisible()) << "the line is about the text that failed, not this one";
}

// A full disk: a deleted command keeps its row, which says under its caption that it
// was not deleted; once the disk takes it, the same press deletes it.
TEST_P(HomeWindowUiTest, ACommandWhoseDeleteCannotBeSavedKeepsItsRowWhichSaysWhy) {
    ASSERT_TRUE(registry.update({"custom-1A2B3C4D", {"work mode"}, "openApp", {{"name", "Firefox"}}, true}));
    ViewHarness h(GetParam());
    ASSERT_TRUE(load(h, "Commands"));
    h.render();
    QQuickItem* section = h.find("commandsSection");
    ASSERT_TRUE(section && section->isVisible());
    QQuickItem* remove = ViewHarness::find(section, "delete");
    ASSERT_TRUE(remove);
    QQuickItem* failure = ViewHarness::find(section, "failure");
    ASSERT_TRUE(failure) << "the row has a place to say why";
    EXPECT_FALSE(failure->isVisible());
    {
        FileSizeLimit full(16);
        h.click(remove);
    }
    h.render();
    EXPECT_EQ(customCount(registry), 1);
    failure = ViewHarness::find(section, "failure");
    ASSERT_TRUE(failure && failure->isVisible()) << "the row stays and says why";
    const QImage image = shot(h, "commands-undeleted");
    legible(h, image, failure, "message");
    EXPECT_TRUE(drawn(h, image, ViewHarness::find(failure, "message")));
    EXPECT_EQ(ViewHarness::find(failure, "message")->property("text"),
              "Couldn't delete “work mode” — the commands file can't be written");

    h.click(ViewHarness::find(section, "delete"));
    h.render();
    EXPECT_EQ(customCount(registry), 0);
    EXPECT_FALSE(section->isVisible());
    EXPECT_FALSE(storedCommand(commandsPath(), [](const QJsonObject& o) {
                     return o["id"] == "custom-1A2B3C4D";
                 }).contains("id"));
}

TEST_P(HomeWindowUiTest, OpenFamiliesAreRememberedButASearchOverridesThem) {
    ViewHarness h(GetParam());
    ASSERT_TRUE(load(h, "Commands", 2600));
    h.render();
    h.click(ViewHarness::find(h.find("familyApps"), "header"));
    EXPECT_EQ(Prefs::value(Prefs::Key::commandsExpanded).toStringList(),
              QStringList({"Apps", "Setups", "Windows"}));
    h.click(h.find("navHome"));
    h.click(h.find("navCommands"));
    EXPECT_TRUE(h.find("doc Open an app")) << "a new visit opens Apps again";

    h.find("search")->setProperty("text", "a");
    h.click(ViewHarness::find(h.find("familyApps"), "header"));
    EXPECT_EQ(Prefs::value(Prefs::Key::commandsExpanded).toStringList(),
              QStringList({"Apps", "Setups", "Windows"}))
        << "a header does nothing while searching";
}

TEST_P(HomeWindowUiTest, TheWindowIsBuiltOnceKeptWhileAsideAndRebuiltAfterClosing) {
    controller.show();
    QQuickView* window = controller.window();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->title(), "Brisklet");
    EXPECT_EQ(window->size(), QSize(940, 640));
    EXPECT_EQ(window->minimumSize(), QSize(860, 580));
    EXPECT_TRUE(controller.isVisible());
    EXPECT_EQ(window->rootObject()->property("pane"), "Home");

    window->rootObject()->setProperty("pane", "Magic");
    controller.stepAside();
    EXPECT_TRUE(controller.parkedForPreview());
    controller.show();
    EXPECT_FALSE(controller.parkedForPreview());
    EXPECT_DOUBLE_EQ(window->opacity(), 1.0) << "a show during the fade wins";
    QTest::qWait(250);
    EXPECT_TRUE(window->isVisible());
    EXPECT_DOUBLE_EQ(window->opacity(), 1.0);

    appearance.set(GetParam(), true);
    controller.stepAside();
    EXPECT_FALSE(window->isVisible()) << "no fade under reduced motion";
    controller.show();
    EXPECT_EQ(controller.window(), window);
    EXPECT_EQ(window->rootObject()->property("pane"), "Magic") << "the same pane after standing aside";

    window->close();
    EXPECT_EQ(controller.window(), nullptr);
    controller.show();
    ASSERT_TRUE(controller.window());
    EXPECT_EQ(controller.window()->rootObject()->property("pane"), "Home");
}

TEST_P(HomeWindowUiTest, CallbacksAssignedAfterTheWindowWasBuiltAreCalled) {
    addSetups();
    controller.show();
    QStringList calls;
    controller.onRunSetup = [&](const brisklet::Setup& setup) { calls << "run " + setup.name; };
    controller.onEndSetup = [&](const brisklet::Setup& setup) { calls << "end " + setup.name; };
    QQuickItem* root = controller.window()->rootObject();
    root->setProperty("pane", "Commands");
    QQuickItem* section = ViewHarness::find(root, "setupsSection");
    ASSERT_TRUE(section);
    ASSERT_TRUE(waitFor([&] { return section->isVisible(); }));
    QQuickItem* end = nullptr;
    for (QQuickItem* row : section->childItems().last()->childItems()) {
        if (QQuickItem* button = ViewHarness::find(row, "end"); button && button->isVisible())
            end = button;
    }
    ASSERT_TRUE(end);
    QMetaObject::invokeMethod(end, "clicked");
    controller.runSetup(SetupJson::idText(deepId));
    controller.runSetup("not an id");
    EXPECT_EQ(calls, QStringList({"end Deep Work", "run Deep Work"}));
}

namespace {

QVariantMap menuEntry(const QString& title, const QString& shortcut, int command) {
    return {{"title", title}, {"shortcut", shortcut}, {"command", command}, {"separator", title.isEmpty()}};
}

QVariantList menuData() {
    const auto menu = [](const QString& title, const QVariantList& entries) {
        return QVariantMap{{"title", title}, {"entries", entries}};
    };
    return {
        menu("Brisklet", {menuEntry("About Brisklet", "", 0), menuEntry("", "", 0),
                          menuEntry("Quit Brisklet", "Ctrl+Q", 4)}),
        menu("Edit", {menuEntry("Undo", "Ctrl+Z", 5), menuEntry("", "", 0), menuEntry("Copy", "Ctrl+C", 8)}),
        menu("Window", {menuEntry("Minimize", "Ctrl+M", 11)}),
        menu("Help", {menuEntry("Brisklet Help", "Ctrl+?", 13)})};
}

} // namespace

TEST_P(HomeWindowUiTest, TheMenuBarDrawsItsMenusLegiblyAndReportsTheChosenEntry) {
    QList<int> chosen;
    controller.onMenuCommand = [&](int command) { chosen << command; };
    controller.setMenus(menuData());
    ViewHarness h(GetParam());
    ASSERT_TRUE(load(h, "Home")) << h.errors().toStdString();
    const QImage image = shot(h, "menubar");
    for (const QString title : {"Brisklet", "Edit", "Window", "Help"})
        legible(h, image, h.root(), "menuTitle-" + title);
    QQuickItem* bar = h.find("menuBar");
    ASSERT_GT(bar->height(), 0);
    EXPECT_EQ(h.find("sidebar")->y(), bar->height()) << "the panes start below the bar";
    EXPECT_EQ(h.find("scroller")->height(), h.root()->height() - bar->height());

    // The open menu lives in the window's overlay, so draw the whole window.
    h.click(h.find("menuTitle-Edit"));
    QQuickItem* copy = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        copy = ViewHarness::find(h.view().contentItem(), "menuEntry-Copy");
        return copy && copy->isVisible() && copy->width() > 0;
    }));
    const auto grab = h.view().contentItem()->grabToImage();
    ASSERT_TRUE(grab);
    bool ready = false;
    QObject::connect(grab.data(), &QQuickItemGrabResult::ready, [&] { ready = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return ready; }));
    const QImage open = grab->image().convertToFormat(QImage::Format_ARGB32);
    ViewHarness::save(open, "home-menubar-edit" + suffix());
    const QColor surface = DesignSystem::instance().palette(GetParam())->surfaceRaised;
    const QRectF box = copy->mapRectToScene(QRectF(0, 0, copy->width(), copy->height()));
    EXPECT_GE(
        Pixels::textContrast(open, box.toAlignedRect(), surface, copy->property("color").value<QColor>()),
        4.5);

    h.click(copy);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !chosen.isEmpty(); }));
    EXPECT_EQ(chosen, QList<int>({8}));
}

TEST_P(HomeWindowUiTest, MenuKeysReachTheFocusedFieldAndTheWindowEntriesActOnTheWindow) {
    controller.show();
    QQuickItem* root = controller.window()->rootObject();
    root->setProperty("pane", "Commands");
    QQuickItem* search = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (search = ViewHarness::find(root, "search")) != nullptr; }));
    search->setProperty("text", "volume");
    search->forceActiveFocus();
    ASSERT_EQ(controller.window()->activeFocusItem(), search);
    controller.sendKeys(QKeySequence("Ctrl+A"));
    EXPECT_EQ(search->property("selectedText"), "volume");

    controller.showPane("Home");
    EXPECT_EQ(root->property("pane"), "Home");
    controller.toggleZoom();
    EXPECT_TRUE(controller.window()->windowStates() & Qt::WindowMaximized);
    controller.toggleZoom();
    EXPECT_FALSE(controller.window()->windowStates() & Qt::WindowMaximized);
    controller.hide();
    EXPECT_FALSE(controller.isVisible());
    EXPECT_TRUE(controller.window()) << "hiding keeps the window";
}

TEST_P(HomeWindowUiTest, WithoutMenusThereIsNoBar) {
    ViewHarness h(GetParam());
    ASSERT_TRUE(load(h, "Home")) << h.errors().toStdString();
    EXPECT_FALSE(h.find("menuBar")->isVisible());
    EXPECT_EQ(h.find("sidebar")->y(), 0);
}

INSTANTIATE_TEST_SUITE_P(Appearance, HomeWindowUiTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "dark" : "light"; });

TEST_P(HomeWindowUiTest, TheWindowMenuEndsWithTheOpenWindowsReadAsItOpens) {
    QList<int> chosen;
    int asked = 0;
    controller.onMenuCommand = [&](int command) { chosen << command; };
    controller.setMenus(menuData());
    controller.windowEntriesProvider = [&] {
        ++asked;
        QVariantMap separator = menuEntry("", "", -1);
        separator["separator"] = true;
        return QVariantList{separator, menuEntry("Brisklet", "", 1000),
                            menuEntry("Welcome to Brisklet", "", 1001)};
    };
    ViewHarness h(GetParam());
    ASSERT_TRUE(load(h, "Home")) << h.errors().toStdString();
    shot(h, "menubar-before-window");
    h.click(h.find("menuTitle-Window"));
    QQuickItem* welcome = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        welcome = ViewHarness::find(h.view().contentItem(), "menuEntry-Welcome to Brisklet");
        return welcome && welcome->isVisible() && welcome->width() > 0;
    }));
    EXPECT_EQ(asked, 1) << "the list is read as the menu opens";
    QTest::qWait(300); // the menu's opening transition
    QQuickItem* minimize = ViewHarness::find(h.view().contentItem(), "menuEntry-Minimize");
    ASSERT_TRUE(minimize);
    EXPECT_LT(minimize->mapToScene({0, 0}).y(), welcome->mapToScene({0, 0}).y())
        << "after the menu's own entries";
    const auto grab = h.view().contentItem()->grabToImage();
    ASSERT_TRUE(grab);
    bool ready = false;
    QObject::connect(grab.data(), &QQuickItemGrabResult::ready, [&] { ready = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return ready; }));
    ViewHarness::save(grab->image(), "home-menubar-window" + suffix());

    h.click(welcome);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !chosen.isEmpty(); }));
    EXPECT_EQ(chosen, QList<int>({1001}));
}
