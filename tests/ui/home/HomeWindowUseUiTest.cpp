// The home window as a user meets it: rows that hold long names and phrases keep
// their buttons inside, the phrases to try keep to the pane, the add-command
// sheet's kinds follow the sheet, families and phrase editors open and close with
// their motion (none when reduced), and an editor that goes away first leaves the
// window quiet.
#include "ui/home/HomeWindowFixture.h"

#include "snapshots/SteppedAnimationDriver.h"
#include "support/LogCapture.h"
#include "ui/setups/SetupEditorController.h"

using namespace brisklet;
using namespace brisklet::test;

namespace {

class HomeWindowUseUiTest : public HomeWindowFixture {
protected:
    // The Commands pane with every family closed, drawn once; its Windows family.
    QQuickItem* windowsFamily(ViewHarness& h, bool reduceMotion) {
        appearance.set(GetParam(), reduceMotion);
        Prefs::setValue(Prefs::Key::commandsExpanded, QStringList());
        if (!load(h, "Commands", 2600))
            return nullptr;
        h.render();
        return h.find("familyWindows");
    }
};

// `inner` lies within `outer`, in the picture's coordinates.
void inside(ViewHarness& h, QQuickItem* inner, QQuickItem* outer, const char* what) {
    ASSERT_TRUE(inner && outer) << what;
    EXPECT_TRUE(h.boxOf(outer).contains(h.boxOf(inner)))
        << what << ": " << h.boxOf(inner).x() << "+" << h.boxOf(inner).width() << " in " << h.boxOf(outer).x()
        << "+" << h.boxOf(outer).width();
}

} // namespace

TEST_P(HomeWindowUseUiTest, LongNamesAndPhrasesElideAndButtonsStayInsideTheirRows) {
    const QString name = QStringLiteral("Quarterly planning with finance, design and the sales teams!");
    ASSERT_EQ(name.size(), 60);
    brisklet::Setup setup;
    setup.id = QUuid::createUuid();
    setup.name = name;
    setup.phrases = {"open everything for the quarterly planning meeting",
                     "bring back the whole planning desk with all its windows",
                     "get ready for the long quarterly review with finance"};
    setup.items.resize(3);
    setup.items[0].bundleID = "firefox";
    setup.items[1].bundleID = "org.gnome.Terminal";
    setup.items[2].bundleID = "firefox";
    setup.lastRunAt = QDateTime::currentDateTimeUtc().addSecs(-7200);
    setups.upsert(setup);
    setups.setActiveRun(
        SetupStore::ActiveRun{setup.id, setup.name, {}, QDateTime::currentDateTimeUtc(), false, false, {}});
    ASSERT_TRUE(registry.update({"custom-00000001", setup.phrases, "openApp", {{"name", "Firefox"}}, true}));

    ViewHarness home(GetParam());
    ASSERT_TRUE(load(home, "Home"));
    QImage image = shot(home, "long-names-home");
    QQuickItem* row = home.find("recent " + name);
    ASSERT_TRUE(row);
    QQuickItem* shownName = ViewHarness::find(row, "name");
    ASSERT_TRUE(shownName);
    EXPECT_TRUE(shownName->property("truncated").toBool()) << "the name elides";
    inside(home, ViewHarness::find(row, "chip"), row, "chip");
    inside(home, ViewHarness::find(row, "lastRun"), row, "time");
    inside(home, ViewHarness::find(row, "run"), row, "Run");
    EXPECT_LE(home.boxOf(ViewHarness::find(row, "chip")).right(),
              home.boxOf(ViewHarness::find(row, "lastRun")).left())
        << "the chip ends before the time";
    EXPECT_EQ(ViewHarness::find(row, "lastRun")->property("text"), "2 hr. ago");
    QQuickItem* icons = ViewHarness::find(row, "apps");
    ASSERT_TRUE(icons);
    EXPECT_TRUE(icons->isVisible());
    int shownIcons = 0;
    for (QQuickItem* child : icons->childItems())
        shownIcons += ViewHarness::find(child, "appIcon") != nullptr;
    EXPECT_EQ(shownIcons, 2) << "each app once, in item order";
    legible(home, image, row, "lastRun", 1.5);

    ViewHarness commands(GetParam());
    ASSERT_TRUE(load(commands, "Commands", 1200));
    image = shot(commands, "long-names-commands");
    for (const char* section : {"setupsSection", "commandsSection"}) {
        SCOPED_TRACE(section);
        QQuickItem* card = ViewHarness::find(commands.find(section), "row");
        ASSERT_TRUE(card);
        QQuickItem* chips = ViewHarness::find(card, "chips");
        inside(commands, chips, card, "chips");
        const QList<QQuickItem*> buttons = {ViewHarness::find(card, "end"), ViewHarness::find(card, "run"),
                                            ViewHarness::find(card, "delete")};
        for (QQuickItem* button : buttons) {
            if (!button)
                continue;
            inside(commands, button, card, "button");
            EXPECT_LE(commands.boxOf(chips).right(), commands.boxOf(button).left()) << "chips end before it";
        }
        int cut = 0;
        for (QQuickItem* chip : chips->childItems())
            cut += chip->property("shortened").toBool();
        EXPECT_GE(cut, 1) << "long phrases elide";
        legible(commands, image, card, "caption");
    }
}

TEST_P(HomeWindowUseUiTest, APhraseToTryAsLongAsAHundredCharactersElidesInsideThePane) {
    brisklet::Setup setup;
    setup.id = QUuid::createUuid();
    setup.name = QString("Quarterly planning with finance and design, ").repeated(3).left(100);
    ASSERT_EQ(setup.name.size(), 100);
    setup.lastRunAt = QDateTime::currentDateTimeUtc();
    setups.upsert(setup);

    ViewHarness h(GetParam());
    ASSERT_TRUE(load(h, "Home"));
    const QImage image = shot(h, "long-phrase-to-try");
    QQuickItem* pane = paneItem(h);
    QQuickItem* row = h.find("trySaying");
    ASSERT_TRUE(pane && row);
    QList<QQuickItem*> labels;
    for (QQuickItem* chip : row->childItems()) {
        if (QQuickItem* label = ViewHarness::find(chip, "label")) {
            inside(h, chip, pane, "chip");
            labels << label;
        }
    }
    ASSERT_EQ(labels.size(), 3);
    for (QQuickItem* label : labels)
        EXPECT_EQ(label->parentItem()->property("shortened").toBool(), label == labels.last())
            << "only the last elides";
    EXPECT_GE(Pixels::textContrast(image, h.boxOf(labels.last()), canvas(), palette()->emberText), 3.0);
}

TEST_P(HomeWindowUseUiTest, TheAddSheetShowsTheAppPickerAgainAfterAShortcutWasChosenAndCancelled) {
    ViewHarness h(GetParam());
    ASSERT_TRUE(load(h, "Commands"));
    h.render();
    h.click(h.find("addButton"));
    QQuickItem* overlay = h.view().contentItem();
    QQuickItem* kind = ViewHarness::find(overlay, "kind");
    QQuickItem* app = ViewHarness::find(overlay, "app");
    ASSERT_TRUE(kind && app);
    ASSERT_TRUE(waitFor([&] { return app->isVisible(); }));
    h.click(ViewHarness::find(kind, "segment1"));
    EXPECT_TRUE(ViewHarness::find(kind, "segment1")->property("selected").toBool());
    EXPECT_FALSE(app->isVisible()) << "the Shortcut field instead";
    h.click(ViewHarness::find(overlay, "cancel"));
    ASSERT_TRUE(waitFor([&] { return !kind->isVisible(); })) << "the sheet closed";

    h.click(h.find("addButton"));
    ASSERT_TRUE(waitFor([&] { return kind->isVisible(); })) << "the sheet open again";
    EXPECT_TRUE(app->isVisible());
    EXPECT_TRUE(ViewHarness::find(kind, "segment0")->property("selected").toBool());
    EXPECT_FALSE(ViewHarness::find(kind, "segment1")->property("selected").toBool());
    // The segments' fills change colour with a short animation: the picture is taken
    // once it has ended.
    const QColor surface = palette()->surface;
    const auto fill = [&](const char* segment) {
        auto* background = ViewHarness::find(kind, segment)->property("background").value<QQuickItem*>();
        return background ? background->property("color").value<QColor>() : QColor();
    };
    ASSERT_TRUE(waitFor([&] {
        return fill("segment0").rgba() == surface.rgba() && fill("segment1").alpha() == 0;
    })) << fill("segment0").name(QColor::HexArgb).toStdString()
        << " and " << fill("segment1").name(QColor::HexArgb).toStdString();
    const QImage picture = h.view().grabWindow().convertToFormat(QImage::Format_ARGB32);
    ViewHarness::save(picture, "home-add-sheet-reopened" + suffix());
    // The raised segment is the first: its fill is the surface, the other's the well.
    EXPECT_GT(Pixels::countNear(picture, h.boxOf(ViewHarness::find(kind, "segment0")), surface, 3),
              Pixels::countNear(picture, h.boxOf(ViewHarness::find(kind, "segment1")), surface, 3));
}

TEST_P(HomeWindowUseUiTest, FamiliesAndPhraseEditorsOpenWithMotionUnlessItIsReduced) {
    for (const bool reduce : {false, true}) {
        SCOPED_TRACE(reduce ? "reduced" : "full motion");
        ViewHarness h(GetParam());
        QQuickItem* family = windowsFamily(h, reduce);
        ASSERT_TRUE(family);
        QQuickItem* chevron = ViewHarness::find(family, "chevron");
        QQuickItem* docs = ViewHarness::find(family, "docs");
        ASSERT_TRUE(chevron && docs);
        EXPECT_EQ(chevron->rotation(), -90);
        h.click(ViewHarness::find(family, "header"));
        // Before any frame of motion: at the end already only when motion is reduced.
        if (reduce) {
            EXPECT_EQ(chevron->rotation(), 0);
            EXPECT_EQ(docs->opacity(), 1);
        } else {
            EXPECT_LT(chevron->rotation(), 0) << "turning";
            EXPECT_LT(docs->opacity(), 1) << "fading in";
        }
        ASSERT_TRUE(waitFor([&] { return chevron->rotation() == 0; })) << chevron->rotation();
        ASSERT_TRUE(waitFor([&] { return docs->opacity() == 1; })) << docs->opacity();
        h.render(); // the opened rows laid out, so the click finds its button

        QQuickItem* doc = h.find("doc Center");
        ASSERT_TRUE(doc);
        h.click(ViewHarness::find(doc, "editPhrases"));
        QQuickItem* fields = ViewHarness::find(doc, "fields");
        ASSERT_TRUE(fields);
        if (reduce)
            EXPECT_EQ(fields->opacity(), 1);
        else
            EXPECT_LT(fields->opacity(), 1) << "fading in";
        ASSERT_TRUE(waitFor([&] { return fields->opacity() == 1; })) << fields->opacity();
        EXPECT_EQ(ViewHarness::find(doc, "editPhrases")->property("text").toString(), "Done");
    }
}

TEST_P(HomeWindowUseUiTest, FamiliesAndPhraseEditorsCloseWithTheFadeTheyOpenedWithUnlessMotionIsReduced) {
    SteppedAnimationDriver driver;
    driver.install();
    // Animations join the timer from the event loop; then time moves only in steps.
    const auto step = [&](int ms) {
        QCoreApplication::processEvents();
        driver.step(ms);
    };
    for (const bool reduce : {false, true}) {
        SCOPED_TRACE(reduce ? "reduced" : "full motion");
        ViewHarness h(GetParam());
        QQuickItem* family = windowsFamily(h, reduce);
        ASSERT_TRUE(family);
        QQuickItem* docs = ViewHarness::find(family, "docs");
        h.click(ViewHarness::find(family, "header"));
        step(1000);
        h.render();
        QQuickItem* doc = h.find("doc Center");
        ASSERT_TRUE(doc);
        QQuickItem* edit = ViewHarness::find(doc, "editPhrases");
        QQuickItem* fields = ViewHarness::find(doc, "fields");
        h.click(edit);
        step(1000);
        h.render();
        ASSERT_TRUE(fields->isVisible());

        // Halfway through the fade: still there and half see-through, or gone at once.
        const auto closesWithMotion = [&](QQuickItem* clicked, QQuickItem* rows) {
            h.click(clicked);
            step(DesignSystem::instance().motion()->standard / 2);
            if (reduce) {
                EXPECT_FALSE(rows->isVisible()) << "gone at once";
            } else {
                EXPECT_TRUE(rows->isVisible()) << "still fading out";
                EXPECT_GT(rows->opacity(), 0.05);
                EXPECT_LT(rows->opacity(), 0.95);
                const QImage closing = h.render();
                ViewHarness::save(closing, "home-" + rows->objectName() + "-closing" + suffix());
                EXPECT_TRUE(Pixels::nonBlank(closing));
            }
            step(1000);
            EXPECT_FALSE(rows->isVisible());
            EXPECT_EQ(rows->opacity(), 1) << "ready to open again";
        };
        closesWithMotion(edit, fields); // "Done"
        EXPECT_EQ(edit->property("text").toString(), "Edit phrases");
        closesWithMotion(ViewHarness::find(family, "header"), docs);
    }
    driver.uninstall();
}

TEST_P(HomeWindowUseUiTest, AnEditorThatGoesFirstLeavesTheWindowWithoutErrors) {
    auto editor = std::make_unique<SetupEditorController>(setups, &index, SetupEditorController::Providers{});
    controller.setSetupEditor(editor.get());
    auto h = std::make_unique<ViewHarness>(GetParam());
    ASSERT_TRUE(load(*h, "Setups"));
    h->render();
    LogCapture log;
    // As at quit: the editor goes first, then the window.
    editor.reset();
    EXPECT_EQ(controller.setupEditor(), nullptr);
    QTest::qWait(20);
    h.reset();
    EXPECT_EQ(log.count("TypeError"), 0) << log.messages().join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Appearance, HomeWindowUseUiTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "dark" : "light"; });
