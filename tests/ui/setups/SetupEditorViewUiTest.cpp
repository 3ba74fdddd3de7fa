// The setup editor and the capture review drawn offscreen in light and dark: a new
// setup, a stored one with items, one with refusals, the icon picker, the system
// state section and the review window; each picture is checked for its texts on
// the canvas, and clicks reach the models.
#include "ui/design/DesignSystem.h"
#include "ui/setups/CapturePreviewModel.h"
#include "ui/setups/SetupCaptureController.h"
#include "ui/setups/SetupEditorController.h"

#include "base/AppState.h"
#include "commands/AppIndex.h"
#include "commands/CommandRegistry.h"
#include "setups/SetupStore.h"
#include "ui/home/HomeWindowController.h"

#include "support/FakeApps.h"
#include "support/FakeClock.h"
#include "support/FakeDesktop.h"
#include "support/FileBytes.h"
#include "support/FolderWriteFault.h"
#include "support/LightDarkViewTest.h"
#include "support/Pixels.h"
#include "support/TempHome.h"
#include "support/ViewHarness.h"
#include "support/WaitFor.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

const QByteArray kEditorQml =
    "import QtQuick\nimport Brisklet\nSetupEditorPanel { width: 660; height: 640 }\n";

// The home window with the editor as its sheet, showing the Home pane.
struct HomeSheet {
    CommandRegistry registry;
    AppState state;
    HomeWindowController window;

    HomeSheet(const QString& commands, AppIndex& index, SetupStore& store, SetupEditorController& editor)
        : registry(commands), window(registry, &index, store, state) {
        window.setSetupEditor(&editor);
    }
    bool load(ViewHarness& h) {
        return h.loadView("HomeView", {{"home", QVariant::fromValue<QObject*>(&window)}, {"pane", "Home"}});
    }
};

class SetupEditorViewUiTest : public LightDarkViewTest {
protected:
    SetupEditorViewUiTest() : LightDarkViewTest(false) {}
    void SetUp() override {
        LightDarkViewTest::SetUp();
        apps.setInstalled({{"firefox-esr", "Firefox ESR", "/f.desktop"},
                           {"org.gnome.Terminal", "Terminal", "/t.desktop"},
                           {"org.gnome.Rhythmbox3", "Rhythmbox", "/r.desktop"},
                           {"spotify", "Spotify", "/s.desktop"}});
        index.refresh();
        index.waitForScans();
    }

    bool loadEditor(ViewHarness& h) {
        return h.loadText(kEditorQml, {{"model", QVariant::fromValue<QObject*>(&editor.model())}});
    }

    // The capture review over `preview`, at its window's size.
    bool loadReview(ViewHarness& h, CapturePreviewModel& preview) {
        const bool loaded =
            h.loadView("CapturePreviewView", {{"preview", QVariant::fromValue<QObject*>(&preview)}});
        EXPECT_TRUE(loaded) << h.errors().toStdString();
        if (loaded)
            h.root()->setSize(QSizeF(620, 700));
        return loaded;
    }
    void storeNamed(const QString& name) {
        brisklet::Setup stored;
        stored.id = QUuid::createUuid();
        stored.name = name;
        store.upsert(stored);
    }
    // The name of the stored setup a typed name finds, as the review asks it.
    CapturePreviewModel::ExistingName storedName() {
        return [this](const QString& typed) -> std::optional<QString> {
            const auto found = store.lookup(typed);
            return found ? std::optional<QString>(found->name) : std::nullopt;
        };
    }

    QImage shot(ViewHarness& h, const QString& name) {
        QImage image = h.render();
        EXPECT_FALSE(image.isNull()) << name.toStdString();
        EXPECT_TRUE(Pixels::nonBlank(image)) << name.toStdString();
        const QColor corner = image.pixelColor(image.width() - 2, 1);
        EXPECT_LE(std::abs(corner.red() - canvas().red()), 2) << name.toStdString() << ": the canvas shows";
        ViewHarness::save(image, name + suffix());
        return image;
    }

    QString text(ViewHarness& h, const QString& objectName) {
        return h.find(objectName)->property("text").toString();
    }

    brisklet::Setup storedWithItems() {
        brisklet::Setup s;
        s.id = QUuid::createUuid();
        s.name = "Deep Work";
        s.phrases = {"heads down", "focus mode"};
        SetupItem term;
        term.id = QUuid::createUuid();
        term.bundleID = "org.gnome.Terminal";
        term.appName = "Terminal";
        term.title = "brisk";
        term.projectPath = "~/src/brisk";
        term.frame = SetupFrame{0, 0, 0.5, 1, 0};
        SetupItem web;
        web.id = QUuid::createUuid();
        web.kind = SetupItemKind::url;
        web.bundleID = "firefox-esr";
        web.appName = "Firefox ESR";
        web.url = "https://news.example.org";
        web.frame = SetupFrame{0.5, 0, 0.5, 1, 1};
        s.items = {term, web};
        s.system.volume = 40;
        s.system.appearance = SetupSystemState::Appearance::dark;
        s.system.music = SetupSystemState::Music::play;
        s.system.brightness = 70;
        s.icon = "book";
        return s;
    }

    TempHome home;
    QTemporaryDir dir;
    FakeClock clock;
    FakeDesktop desktop{clock};
    FakeApps apps{desktop};
    AppIndex index{&apps, nullptr};
    SetupStore store{dir.filePath("setups.json")};
    SetupEditorController editor{store, &index, [] {
                                     SetupEditorController::Providers p;
                                     p.reserved = [] { return QStringList{"open"}; };
                                     p.screens = [] { return std::vector<QRectF>{QRectF(0, 0, 1280, 800)}; };
                                     return p;
                                 }()};
};

} // namespace

TEST_P(SetupEditorViewUiTest, aNewSetupStartsEmptyWithSaveOff) {
    editor.openNew();
    ViewHarness h(GetParam());
    ASSERT_TRUE(loadEditor(h)) << h.errors().toStdString();
    const QImage image = shot(h, "editor-new");
    EXPECT_EQ(text(h, "title"), "New setup");
    EXPECT_EQ(ViewHarness::find(h.find("save"), "label")->property("text"), "Create Setup");
    EXPECT_FALSE(h.find("save")->isEnabled());
    EXPECT_FALSE(h.find("nameChip")->isVisible());
    EXPECT_FALSE(h.find("preview")->isVisible());
    legible(h, image, h.root(), "title");
    legible(h, image, h.root(), "emptyItems");
    // Blank name: the automatic icon of an empty name is raised.
    EXPECT_TRUE(ViewHarness::find(h.find("icon-pencil.and.outline"), "tileBackground")
                    ->property("color")
                    .value<QColor>()
                    .alpha() > 0);
}

TEST_P(SetupEditorViewUiTest, aStoredSetupShowsItsItemsIconAndSystemState) {
    const brisklet::Setup setup = storedWithItems();
    store.upsert(setup);
    ASSERT_TRUE(editor.openEditor(setup.id.toString()));
    ViewHarness h(GetParam());
    ASSERT_TRUE(loadEditor(h)) << h.errors().toStdString();
    QImage image = shot(h, "editor-existing");
    EXPECT_EQ(text(h, "title"), "Edit setup");
    EXPECT_EQ(ViewHarness::find(h.find("save"), "label")->property("text"), "Save");
    EXPECT_TRUE(h.find("save")->isEnabled());
    EXPECT_TRUE(h.find("nameChip")->isVisible());
    EXPECT_EQ(h.find("phrases")->property("text").toString(), "heads down, focus mode");
    legible(h, image, h.find("itemRow"), "appName");
    EXPECT_EQ(ViewHarness::find(h.find("itemRow"), "subtitle")->property("text"), "~/src/brisk");
    EXPECT_TRUE(h.find("preview")->isVisible());
    // Items on displays 0 and 1: two displays needed.
    EXPECT_TRUE(h.find("allDisplays")->isVisible());
    EXPECT_EQ(h.find("allDisplaysBox")->property("text"), "Only run when all 2 displays are connected");
    EXPECT_EQ(h.find("endQuits")->property("text"), "Saying “end deep work” quits these apps");

    // The icon picker: the stored icon is raised; a press fixes another.
    EXPECT_GT(
        ViewHarness::find(h.find("icon-book"), "tileBackground")->property("color").value<QColor>().alpha(),
        0);
    h.click(h.find("icon-terminal"));
    EXPECT_EQ(editor.model().icon(), "terminal");

    // The system state section shows what is stored; the line follows the appearance.
    h.find("scroller")->setProperty("contentY", 380);
    image = shot(h, "editor-system");
    EXPECT_TRUE(h.find("volumeSlider")->isVisible());
    EXPECT_EQ(h.find("volumeValue")->property("text"), "40%");
    legible(h, image, h.root(), "appearanceLine", 3.0);
    EXPECT_TRUE(h.find("musicRow")->isVisible());
    EXPECT_TRUE(h.find("player")->isVisible()) << "two players installed";
    h.click(ViewHarness::find(h.find("appearance"), "segment0"));
    EXPECT_FALSE(h.find("appearanceLine")->isVisible());
    h.click(h.find("volumeBox"));
    EXPECT_FALSE(h.find("volumeSlider")->isVisible());
    EXPECT_FALSE(editor.model().draft().system.volume.has_value());
}

TEST_P(SetupEditorViewUiTest, theFooterTheAddAppListAndTheShortcutFieldHaveRoomForTheirContent) {
    apps.setInstalled({{"firefox-esr", "Firefox ESR", "/f.desktop"},
                       {"org.kde.long", "KDE Partition Manager and Disk Health Monitor", "/l.desktop"}});
    index.refresh();
    index.waitForScans();
    editor.openNew();
    ViewHarness h(GetParam());
    ASSERT_TRUE(loadEditor(h)) << h.errors().toStdString();
    shot(h, "editor-footer");

    // 16 between the rule above the footer and Cancel and Save, 16 below them.
    const QRect rule = h.boxOf(h.find("bottomRule"));
    for (const QString name : {"cancel", "save"}) {
        const QRect button = h.boxOf(h.find(name));
        EXPECT_EQ(button.top() - rule.bottom() - 1, 16) << name.toStdString();
        EXPECT_EQ(h.root()->height() - button.bottom() - 1, 16) << name.toStdString();
    }

    // The open Add-app list is as wide as its longest name; no name is cut.
    QQuickItem* addApp = h.find("addApp");
    QObject* popup = addApp->property("popup").value<QObject*>();
    ASSERT_TRUE(popup);
    QMetaObject::invokeMethod(popup, "open");
    QList<QQuickItem*> labels;
    const std::function<void(QQuickItem*)> collect = [&](QQuickItem* under) {
        for (QQuickItem* child : under->childItems()) {
            if (child->objectName() == "optionLabel" && child->width() > 0)
                labels << child;
            collect(child);
        }
    };
    ASSERT_TRUE(waitFor([&] {
        labels.clear();
        if (QQuickItem* list = popup->property("contentItem").value<QQuickItem*>())
            collect(list);
        return labels.size() == 2;
    }));
    EXPECT_GT(popup->property("width").toReal(), addApp->width());
    for (QQuickItem* label : labels)
        EXPECT_LE(label->implicitWidth(), label->width() + 0.5)
            << label->property("text").toString().toStdString();
    const QImage open = h.view().grabWindow().convertToFormat(QImage::Format_ARGB32);
    ViewHarness::save(open, "editor-addapp-open" + suffix());
    QMetaObject::invokeMethod(popup, "close");

    // The Shortcut field shows its whole hint.
    QQuickItem* shortcut = h.find("shortcut");
    QQuickItem* hint = nullptr;
    for (QQuickItem* child : shortcut->childItems())
        if (child->property("text").toString().startsWith("its name from"))
            hint = child;
    ASSERT_TRUE(hint);
    EXPECT_EQ(hint->property("text").toString(), "its name from the Brisklet Shortcuts folder (optional)");
    EXPECT_LE(hint->implicitWidth(), hint->width() + 0.5);
    EXPECT_GE(shortcut->width(), 260);
    h.find("scroller")->setProperty("contentY", 200);
    shot(h, "editor-shortcut");
}

TEST_P(SetupEditorViewUiTest, refusalsAreShownBesideTheDisabledSave) {
    editor.openNew();
    editor.model().setName("Open");
    editor.model().setNewURL("example.org");
    editor.model().addSite();
    ViewHarness h(GetParam());
    ASSERT_TRUE(loadEditor(h)) << h.errors().toStdString();
    QImage image = shot(h, "editor-conflict");
    EXPECT_FALSE(h.find("save")->isEnabled());
    EXPECT_EQ(text(h, "problem"), "“Open” already means a command — pick other words.");
    legible(h, image, h.root(), "problem", 3.0);

    editor.model().setName("Reading");
    // Typed into the row: every key lands, the field keeps its focus throughout.
    QQuickItem* address = ViewHarness::find(h.find("itemRow"), "address");
    h.click(address);
    QTest::keySequence(&h.view(), QKeySequence::SelectAll);
    for (const QChar c : QStringLiteral("ftp://files.example.org"))
        QTest::keyClick(&h.view(), c.toLatin1());
    EXPECT_EQ(editor.model().draft().items.front().url, "ftp://files.example.org");
    image = shot(h, "editor-bad-address");
    EXPECT_FALSE(h.find("save")->isEnabled());
    EXPECT_TRUE(text(h, "problem").startsWith("A web address"));
    EXPECT_TRUE(h.find("itemRow")->property("refused").toBool()) << "the row's address is outlined";
}

TEST_P(SetupEditorViewUiTest, aPhraseTakenOnDiskWhileTheSheetIsOpenTurnsSaveOffAndTheLineSaysWhy) {
    // A Magic draft tuned in the editor, its save going the card's way.
    brisklet::Setup draft = storedWithItems();
    draft.name = "Everyday";
    draft.phrases = {"everyday"};
    int handedOn = 0;
    editor.openDraft(draft, [&](const brisklet::Setup&) { return ++handedOn > 0; });
    ViewHarness h(GetParam());
    ASSERT_TRUE(loadEditor(h)) << h.errors().toStdString();
    shot(h, "editor-draft");
    ASSERT_TRUE(h.find("save")->isEnabled());
    EXPECT_EQ(text(h, "problem"), "");

    // Another program adds a setup said the same way; the store reloads the file.
    brisklet::Setup studio;
    studio.id = QUuid::createUuid();
    studio.name = "Studio";
    studio.phrases = {"everyday"};
    const QString temporary = dir.filePath("outside.tmp");
    writeBytes(temporary, QJsonDocument(QJsonArray{studio.toJson()}).toJson());
    ASSERT_EQ(std::rename(temporary.toUtf8().constData(), store.filePath().toUtf8().constData()), 0);
    ASSERT_TRUE(waitFor([&] { return store.setups().size() == 1; }));

    const QImage image = shot(h, "editor-phrase-taken");
    EXPECT_FALSE(h.find("save")->isEnabled());
    const QString why = "“Everyday” already runs the setup “Studio” — pick other words.";
    EXPECT_EQ(text(h, "problem"), why);
    legible(h, image, h.root(), "problem", 3.0);

    // Return still presses Save: nothing is handed on, the sheet stays and says why.
    h.root()->forceActiveFocus();
    QTest::keyClick(&h.view(), Qt::Key_Return);
    EXPECT_EQ(handedOn, 0);
    EXPECT_TRUE(editor.model().isOpen());
    EXPECT_EQ(text(h, "problem"), why);
}

TEST_P(SetupEditorViewUiTest, theCaptureReviewShowsRowsNotesAndTheUpdateLine) {
    storeNamed("Deep Work");
    SetupEngine::CaptureResult result;
    SetupItem term;
    term.id = QUuid::createUuid();
    term.bundleID = "org.gnome.Terminal";
    term.appName = "Terminal";
    term.title = "ann@desk: ~";
    term.frame = SetupFrame{0, 0, 0.5, 1, 0};
    SetupItem web = term;
    web.id = QUuid::createUuid();
    web.kind = SetupItemKind::url;
    web.bundleID = "firefox-esr";
    web.appName = "Firefox ESR";
    web.title = "";
    web.url = "https://news.example.org";
    result.items = {term, web};
    result.overlapPairs = {{term.id, web.id}};
    result.notes = {"Firefox ESR's pages couldn't all be read."};
    result.fingerprint = "1:1280x800";
    CapturePreviewModel preview(result, "deep work", storedName());

    ViewHarness h(GetParam());
    ASSERT_TRUE(loadReview(h, preview));
    QImage image = shot(h, "capture-review");
    legible(h, image, h.root(), "title");
    legible(h, image, h.root(), "summary");
    EXPECT_TRUE(h.find("overlap")->isVisible());
    EXPECT_TRUE(h.find("replacing")->isVisible());
    EXPECT_EQ(text(h, "replacing"), "updates your existing “Deep Work”");
    EXPECT_FALSE(h.find("chip")->isVisible());
    EXPECT_EQ(ViewHarness::find(h.find("save"), "label")->property("text"), "Update Setup");
    legible(h, image, h.root(), "kept", 3.0);

    // Unticking the page hides the overlap warning and counts one kept.
    // The rows are made afresh whenever the model changes.
    const auto pageRow = [&]() -> QQuickItem* {
        for (QQuickItem* child : h.find("captureRow")->parentItem()->childItems()) {
            if (child->objectName() == "captureRow" &&
                !child->property("item").toMap().value("browserLine").toString().isEmpty())
                return child;
        }
        return nullptr;
    };
    ASSERT_TRUE(pageRow());
    EXPECT_EQ(ViewHarness::find(pageRow(), "title")->property("text"), "Firefox ESR");
    EXPECT_EQ(ViewHarness::find(pageRow(), "browserLine")->property("text"), "opens in Firefox ESR");
    h.click(ViewHarness::find(pageRow(), "tick"));
    image = shot(h, "capture-review-unticked");
    EXPECT_FALSE(h.find("overlap")->isVisible());
    EXPECT_EQ(text(h, "kept"), "1 of 2 kept");
    ASSERT_TRUE(pageRow());
    EXPECT_LT(pageRow()->opacity(), 0.5);
}

TEST_P(SetupEditorViewUiTest, theCaptureReviewSaysWhyANameIsRefusedUnderTheNameField) {
    SetupCaptureController capture(store, nullptr);
    capture.reservedPhrases = [] { return QStringList{"sort"}; };
    SetupEngine::CaptureResult result;
    SetupItem term;
    term.id = QUuid::createUuid();
    term.bundleID = "org.gnome.Terminal";
    term.appName = "Terminal";
    term.frame = SetupFrame{0, 0, 1, 1, 0};
    result.items = {term};
    result.fingerprint = "1:1280x800";
    CapturePreviewModel preview(result, "sort", {});
    preview.setRefusal([&](const QString& name) { return capture.refusal(name); });
    ViewHarness h(GetParam());
    ASSERT_TRUE(loadReview(h, preview));
    const QImage image = shot(h, "capture-review-refused");
    QQuickItem* problem = h.find("problem");
    ASSERT_TRUE(problem->isVisible());
    EXPECT_EQ(text(h, "problem"), "“sort” already means a command — pick other words.");
    const QRect field = h.boxOf(h.find("name"));
    EXPECT_GE(h.boxOf(problem).top(), field.bottom());
    EXPECT_EQ(h.boxOf(problem).left(), field.left());
    legible(h, image, h.root(), "problem");
    EXPECT_FALSE(h.find("save")->isEnabled());
    EXPECT_FALSE(h.find("chip")->isVisible()) << "no phrase to say";
}

TEST_P(SetupEditorViewUiTest, theUpdateLineOfALongStoredNameStaysInsideTheWindow) {
    storeNamed("My very long writing desk setup for the two screen studio 2");
    SetupEngine::CaptureResult result;
    result.fingerprint = "1:1280x800";
    CapturePreviewModel preview(result, "My very long writing desk set up for the two screen studio two",
                                storedName());
    ViewHarness h(GetParam());
    ASSERT_TRUE(loadReview(h, preview));
    const QImage image = shot(h, "capture-review-long-update");
    ASSERT_TRUE(h.find("replacing")->isVisible());
    const QRect line = h.boxOf(h.find("replacing"));
    EXPECT_LE(line.right(), h.boxOf(h.find("bottomPanel")).right());
    EXPECT_LE(line.bottom(), h.boxOf(h.find("closeOthers")).top()) << "over the checkbox";
    legible(h, image, h.root(), "replacing");
}

TEST_P(SetupEditorViewUiTest, theChipOfALongNewNameStaysInsideTheWindowWithItsClosingQuote) {
    SetupEngine::CaptureResult result;
    result.fingerprint = "1:1280x800";
    const QString name = "my writing desk with two screens and the tall lamp on it now";
    ASSERT_EQ(name.size(), 60);
    CapturePreviewModel preview(result, name, storedName());
    ViewHarness h(GetParam());
    ASSERT_TRUE(loadReview(h, preview));
    const QImage image = shot(h, "capture-review-long-name");
    QQuickItem* chip = h.find("chip");
    ASSERT_TRUE(chip->isVisible());
    EXPECT_LE(h.boxOf(chip).right(), h.boxOf(h.find("bottomPanel")).right());
    QQuickItem* label = ViewHarness::find(chip, "label");
    legible(h, image, chip, "label");
    const QString shown = label->property("text").toString();
    EXPECT_TRUE(shown.endsWith(QChar(0x201D)) && shown.contains(QChar(0x2026))) << shown.toStdString();

    // The last glyph drawn is the closing quote, high on the line, not an
    // ellipsis on its baseline nor a letter cut off by the window's edge.
    const QRect box = h.boxOf(label).intersected(image.rect());
    const QColor fill = Pixels::over(chip->property("color").value<QColor>().rgba(), canvas());
    const auto inked = [&](int x, int top, int bottom) {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            count += Pixels::contrast(Pixels::over(image.pixel(x, y), canvas()), fill) > 1.5;
        return count;
    };
    int last = box.right();
    while (last > box.left() && inked(last, box.top(), box.bottom() + 1) == 0)
        --last;
    ASSERT_LT(last, image.width() - 1) << "the chip reaches the window's edge";
    const int middle = box.top() + box.height() / 2;
    int high = 0;
    int low = 0;
    for (int x = last - 3; x <= last; ++x) {
        high += inked(x, box.top(), middle);
        low += inked(x, middle, box.bottom() + 1);
    }
    EXPECT_GT(high, 3);
    EXPECT_EQ(low, 0);
}

TEST_P(SetupEditorViewUiTest, theCaptureReviewsBottomPanelIsPaddedOnEverySide) {
    SetupEngine::CaptureResult result;
    result.fingerprint = "1:1280x800";
    CapturePreviewModel preview(result, "", [](const QString&) { return std::optional<QString>(); });
    ViewHarness h(GetParam());
    ASSERT_TRUE(loadReview(h, preview));
    shot(h, "capture-review-bottom");
    const QRect rule = h.boxOf(h.find("bottomRule"));
    const QRect panel = h.boxOf(h.find("bottomPanel"));
    EXPECT_EQ(panel.top() - rule.bottom() - 1, 16) << "padding under the rule";
    EXPECT_EQ(h.root()->height() - panel.bottom() - 1, 16);
    EXPECT_EQ(panel.left(), 16);
    EXPECT_EQ(h.root()->width() - panel.right() - 1, 16);
}

TEST_P(SetupEditorViewUiTest, theHomeWindowShowsTheEditorAsASheetWhileItIsOpen) {
    HomeSheet home(dir.filePath("commands.json"), index, store, editor);
    ViewHarness h(GetParam());
    ASSERT_TRUE(home.load(h)) << h.errors().toStdString();
    h.root()->setSize(QSizeF(940, 700));
    QObject* sheet = h.root()->findChild<QObject*>("setupEditor");
    ASSERT_TRUE(sheet);
    EXPECT_FALSE(sheet->property("visible").toBool());

    h.render();
    editor.openNew();
    EXPECT_TRUE(sheet->property("visible").toBool());
    QQuickItem* content = sheet->property("contentItem").value<QQuickItem*>();
    ASSERT_TRUE(content);
    QQuickItem* title = nullptr;
    ASSERT_TRUE(waitFor([&] {
        title = ViewHarness::find(content, "title");
        return title && title->isVisible() && title->property("text") == "New setup";
    }));
    QTest::qWait(300); // the sheet's entrance
    const QImage picture = h.view().grabWindow().convertToFormat(QImage::Format_ARGB32);
    ViewHarness::save(picture, "home-editor-sheet" + suffix());
    EXPECT_TRUE(Pixels::nonBlank(picture));
    EXPECT_GE(
        Pixels::textContrast(picture, h.boxOf(title), canvas(), title->property("color").value<QColor>()),
        4.5);
    editor.model().cancel();
    EXPECT_FALSE(sheet->property("visible").toBool());
    EXPECT_TRUE(store.setups().empty());

    // Escape closes the sheet and drops the draft; the next opening shows it again.
    editor.openNew();
    EXPECT_TRUE(sheet->property("visible").toBool());
    QTest::keyClick(&h.view(), Qt::Key_Escape);
    EXPECT_TRUE(waitFor([&] { return !editor.model().isOpen(); }));
    editor.openNew();
    EXPECT_TRUE(sheet->property("visible").toBool());

    // Typing a comma into the phrases field keeps it until the field is left.
    QQuickItem* phrases = ViewHarness::find(sheet->property("contentItem").value<QQuickItem*>(), "phrases");
    ASSERT_TRUE(phrases);
    h.click(phrases);
    for (const char c : QByteArray("a,"))
        QTest::keyClick(&h.view(), c);
    EXPECT_EQ(phrases->property("text").toString(), "a,");
    EXPECT_EQ(editor.model().draft().phrases, QStringList{"a"});
}

TEST_P(SetupEditorViewUiTest, theSheetInTheHomeWindowLeavesItsMenuBarFree) {
    HomeSheet home(dir.filePath("commands.json"), index, store, editor);
    home.window.setMenus(QVariantList{QVariantMap{{"title", "Brisklet"}, {"entries", QVariantList{}}}});
    ViewHarness h(GetParam());
    ASSERT_TRUE(home.load(h)) << h.errors().toStdString();
    h.root()->setSize(QSizeF(HomeWindowController::width, HomeWindowController::height));
    h.render();
    editor.openNew();
    QQuickItem* bar = h.find("menuBar");
    ASSERT_TRUE(bar && bar->isVisible() && bar->height() > 0);
    QObject* sheet = h.root()->findChild<QObject*>("setupEditor");
    ASSERT_TRUE(sheet && sheet->property("visible").toBool());
    QTest::qWait(300); // the sheet's entrance
    const QImage picture = h.view().grabWindow().convertToFormat(QImage::Format_ARGB32);
    ViewHarness::save(picture, "home-editor-sheet-menubar" + suffix());
    // The sheet starts below the bar, ends inside the window, and its footer shows.
    EXPECT_GE(sheet->property("y").toReal(), bar->height());
    EXPECT_LE(sheet->property("y").toReal() + sheet->property("height").toReal(), h.root()->height());
    QQuickItem* content = sheet->property("contentItem").value<QQuickItem*>();
    QQuickItem* save = ViewHarness::find(content, "save");
    ASSERT_TRUE(save);
    EXPECT_LE(h.boxOf(save).bottom(), h.root()->height() - 16);
    // The menu titles are still drawn on the bar, not under the sheet's shade.
    legible(h, picture, h.root(), "menuTitle-Brisklet");
    EXPECT_EQ(QColor(picture.pixel(picture.width() - 10, 10)).rgb(), palette()->sidebar.rgb())
        << "the bar is not shaded";
    editor.model().cancel();
}

TEST_P(SetupEditorViewUiTest, eachOpeningOfTheSheetBuildsItsPanelOnceWithTheDraftOfThatOpening) {
    HomeSheet home(dir.filePath("commands.json"), index, store, editor);
    ViewHarness h(GetParam());
    ASSERT_TRUE(home.load(h)) << h.errors().toStdString();
    h.root()->setSize(QSizeF(940, 700));
    h.render();
    QObject* sheet = h.root()->findChild<QObject*>("setupEditor");
    ASSERT_TRUE(sheet);
    QQuickItem* loader = sheet->property("contentItem").value<QQuickItem*>();
    ASSERT_TRUE(loader);
    QSignalSpy builds(loader, SIGNAL(loaded()));

    editor.openNew();
    EXPECT_EQ(builds.count(), 1);
    editor.model().cancel();
    const brisklet::Setup setup = storedWithItems();
    store.upsert(setup);
    ASSERT_TRUE(editor.openEditor(setup.id.toString()));
    EXPECT_EQ(builds.count(), 2) << "one more build for the second opening";
    QQuickItem* panel = loader->property("item").value<QQuickItem*>();
    ASSERT_TRUE(panel);
    EXPECT_EQ(ViewHarness::find(panel, "title")->property("text"), "Edit setup");
    EXPECT_EQ(ViewHarness::find(panel, "name")->property("text"), "Deep Work");
}

// Clicking into the phrases field to add one keeps the phrases it shows.
TEST_P(SetupEditorViewUiTest, clickingIntoThePhrasesKeepsThemAndTypingAddsToThem) {
    const brisklet::Setup setup = storedWithItems();
    store.upsert(setup);
    ASSERT_TRUE(editor.openEditor(setup.id.toString()));
    ViewHarness h(GetParam());
    ASSERT_TRUE(loadEditor(h)) << h.errors().toStdString();
    QQuickItem* phrases = h.find("phrases");
    h.click(phrases);
    ASSERT_TRUE(phrases->hasActiveFocus());
    EXPECT_EQ(text(h, "phrases"), "heads down, focus mode");
    QTest::keyClick(&h.view(), Qt::Key_End);
    for (const char c : std::string(", back home"))
        QTest::keyClick(&h.view(), c);
    EXPECT_EQ(text(h, "phrases"), "heads down, focus mode, back home");
    EXPECT_EQ(editor.model().phrasesText(), "heads down, focus mode, back home");
}

// A save the full disk doesn't take: the sheet stays as filled in, the line beside
// Save says so and Save stays on for a second try.
TEST_P(SetupEditorViewUiTest, anEditTheDiskDoesNotTakeKeepsTheSheetFilledInAndSaysSoBesideSave) {
    const brisklet::Setup setup = storedWithItems();
    store.upsert(setup);
    ASSERT_TRUE(editor.openEditor(setup.id.toString()));
    ViewHarness h(GetParam());
    ASSERT_TRUE(loadEditor(h)) << h.errors().toStdString();
    editor.model().setPhrasesText("heads down, focus mode, back home");
    {
        FolderWriteFault fault(dir.path(), FolderFault::fullDisk);
        ASSERT_TRUE(fault.holds()) << "the fault could not be set up, so the test cannot run";
        h.click(h.find("save"));
    }
    const QImage image = shot(h, "editor-unsaved");
    EXPECT_TRUE(editor.model().isOpen());
    EXPECT_EQ(text(h, "problem"), "Couldn't save “Deep Work” — the setups file can't be written");
    legible(h, image, h.root(), "problem");
    EXPECT_EQ(text(h, "phrases"), "heads down, focus mode, back home");
    EXPECT_TRUE(h.find("save")->isEnabled());
    EXPECT_EQ(store.setup(setup.id)->phrases, setup.phrases);
}

// A Magic draft tuned here and saved the card's way on a full disk: the line beside
// Save says so as for a stored setup, its long name cut, never its reason.
TEST_P(SetupEditorViewUiTest, aTunedDraftTheDiskDoesNotTakeSaysSoBesideSave) {
    brisklet::Setup draft = storedWithItems();
    draft.name = "Morning writing with coffee and the radio on, then the email";
    editor.openDraft(draft, [&](const brisklet::Setup& tuned) { return store.upsert(tuned); });
    ViewHarness h(GetParam());
    ASSERT_TRUE(loadEditor(h)) << h.errors().toStdString();
    {
        FolderWriteFault fault(dir.path(), FolderFault::fullDisk);
        ASSERT_TRUE(fault.holds()) << "the fault could not be set up, so the test cannot run";
        h.click(h.find("save"));
    }
    const QImage image = shot(h, "editor-draftUnsaved");
    EXPECT_TRUE(editor.model().isOpen());
    EXPECT_EQ(text(h, "problem"), "Couldn't save “Morning w…” — the setups file can't be written");
    EXPECT_FALSE(h.find("problem")->property("truncated").toBool());
    legible(h, image, h.root(), "problem");
    EXPECT_TRUE(h.find("save")->isEnabled());
    EXPECT_FALSE(store.setup(draft.id));
}

INSTANTIATE_TEST_SUITE_P(Appearances, SetupEditorViewUiTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "dark" : "light"; });
