// The capture review window's life: opening on a capture, one window at a time,
// closing without a save, and what Save stores — a new setup, or an update of the
// one whose spoken name the typed name equals — under a name the editor would take.
#include "ui/setups/SetupCaptureController.h"

#include "setups/SetupStore.h"
#include "ui/setups/CapturePreviewModel.h"

#include "support/TempHome.h"
#include "support/ViewHarness.h"
#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

SetupItem window(const QString& app) {
    SetupItem item;
    item.id = QUuid::createUuid();
    item.bundleID = app.toLower();
    item.appName = app;
    item.frame = SetupFrame{0, 0, 0.5, 1, 0};
    return item;
}

SetupEngine::CaptureResult capture() {
    SetupEngine::CaptureResult result;
    result.items = {window("Terminal"), window("Files")};
    result.fingerprint = "1:1280x800";
    return result;
}

class SetupCaptureControllerUiTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ViewHarness::useSoftwareRenderer(); }

    brisklet::Setup tuned() {
        brisklet::Setup s;
        s.id = QUuid::createUuid();
        s.name = "Deep Work";
        s.phrases = {"heads down"};
        s.icon = "book";
        s.closeOthers = true;
        s.endQuitsApps = false;
        s.system.volume = 20;
        s.items = {window("Old")};
        s.fingerprint = "2:1,1";
        store.upsert(s);
        return s;
    }

    TempHome home;
    QTemporaryDir dir;
    SetupStore store{dir.filePath("setups.json")};
    SetupCaptureController controller{store, nullptr};
};

} // namespace

TEST_F(SetupCaptureControllerUiTest, opensOneReviewWindowAtATimeWithTheGivenName) {
    controller.present(capture(), "reading");
    QPointer<QQuickView> first = controller.window();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->title(), "Review your setup");
    EXPECT_EQ(first->status(), QQuickView::Ready) << first->errors().size();
    EXPECT_EQ(first->minimumSize(), first->maximumSize());
    EXPECT_EQ(controller.preview()->name(), "reading");
    EXPECT_EQ(controller.preview()->keptText(), "2 of 2 kept");

    controller.present(capture(), "");
    ASSERT_TRUE(controller.window());
    EXPECT_NE(controller.window(), first.data());
    QCoreApplication::processEvents();
    EXPECT_TRUE(!first || !first->isVisible());
    EXPECT_EQ(controller.preview()->name(), "");
}

TEST_F(SetupCaptureControllerUiTest, closingTheWindowStoresNothing) {
    controller.present(capture(), "reading");
    controller.window()->close();
    EXPECT_EQ(controller.window(), nullptr);
    EXPECT_TRUE(store.setups().empty());
    controller.present(capture(), "again");
    ASSERT_TRUE(controller.window());
    EXPECT_EQ(controller.preview()->name(), "again");

    // Cancel in the view closes too.
    controller.preview()->cancel();
    EXPECT_EQ(controller.window(), nullptr);
    EXPECT_TRUE(store.setups().empty());
}

TEST_F(SetupCaptureControllerUiTest, aNewNameMakesAFreshSetup) {
    tuned();
    controller.present(capture(), "");
    QSignalSpy saved(&controller, &SetupCaptureController::saved);
    controller.preview()->setName("Deep Wok");
    controller.preview()->save();
    ASSERT_EQ(saved.count(), 1);
    EXPECT_EQ(controller.window(), nullptr);
    const auto list = store.setups();
    ASSERT_EQ(list.size(), 2u);
    const brisklet::Setup& made = list[1];
    EXPECT_EQ(made.name, "Deep Wok");
    EXPECT_TRUE(made.endQuitsApps);
    EXPECT_TRUE(made.phrases.isEmpty());
    EXPECT_TRUE(made.system.isEmpty());
    EXPECT_FALSE(made.closeOthers);
    EXPECT_EQ(made.items.size(), 2u);
    EXPECT_EQ(made.fingerprint, "1:1280x800");
}

TEST_F(SetupCaptureControllerUiTest, theSameSpokenNameUpdatesTheStoredSetupKeepingItsTuning) {
    const brisklet::Setup old = tuned();
    const auto result = capture();
    const auto updated = controller.save("deep  work!", result.items, result.fingerprint, false);
    const auto list = store.setups();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].id, old.id);
    EXPECT_EQ(list[0].name, "deep  work!");
    EXPECT_EQ(list[0].items, result.items);
    EXPECT_EQ(list[0].fingerprint, "1:1280x800");
    EXPECT_TRUE(list[0].closeOthers) << "either the stored setup or the box";
    EXPECT_EQ(list[0].phrases, old.phrases);
    EXPECT_EQ(list[0].icon, old.icon);
    EXPECT_EQ(list[0].system, old.system);
    EXPECT_FALSE(list[0].endQuitsApps);
    ASSERT_TRUE(updated);
    EXPECT_EQ(updated->id, old.id);
}

TEST_F(SetupCaptureControllerUiTest, aNameIsRefusedOrFreedAsTheEditorWouldBeforeItIsStored) {
    controller.reservedPhrases = [] { return QStringList{"sort"}; };
    const brisklet::Setup old = tuned();
    controller.present(capture(), "sort");
    CapturePreviewModel* review = controller.preview();
    EXPECT_EQ(review->problem(), "“sort” already means a command — pick other words.");
    EXPECT_FALSE(review->canSave());
    review->save();
    const auto result = capture();
    EXPECT_FALSE(controller.save("sort", result.items, result.fingerprint, false));
    EXPECT_EQ(store.setups().size(), 1u) << "a command would always answer it instead";
    EXPECT_TRUE(controller.window()) << "the review stays open to be renamed";

    // The setup being updated may keep its own name.
    review->setName("deep work");
    EXPECT_TRUE(review->problem().isEmpty());
    review->save();
    ASSERT_EQ(store.setups().size(), 1u);
    EXPECT_EQ(store.setups()[0].id, old.id);
    EXPECT_EQ(store.setups()[0].name, "deep work");
}

TEST_F(SetupCaptureControllerUiTest, aNameSaidLikeAStoredOneUpdatesIt) {
    const auto result = capture();
    const auto first = controller.save("Desk setup", result.items, result.fingerprint, false);
    ASSERT_TRUE(first);
    controller.present(capture(), "Desk set up");
    EXPECT_EQ(controller.preview()->replacing(), "Desk setup");
    EXPECT_EQ(controller.preview()->primaryText(), "Update Setup");
    controller.preview()->save();
    const auto list = store.setups();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].id, first->id);
    EXPECT_EQ(list[0].name, "Desk set up");
}

TEST_F(SetupCaptureControllerUiTest, beginWithoutAnEngineShowsAnEmptyCapture) {
    controller.begin(QStringLiteral("focus"));
    ASSERT_TRUE(waitFor([&] { return controller.window() != nullptr; }));
    EXPECT_EQ(controller.preview()->name(), "focus");
    EXPECT_FALSE(controller.preview()->canSave());
}
