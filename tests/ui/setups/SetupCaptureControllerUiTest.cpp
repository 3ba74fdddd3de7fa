// The capture review window's life: opening on a capture, one window at a time,
// closing without a save, and what Save stores — a new setup, or an update of the
// one whose spoken name the typed name equals — under a name the editor would take,
// with the file changing behind it.
#include "ui/setups/SetupCaptureController.h"

#include "setups/SetupStore.h"
#include "ui/setups/CapturePreviewModel.h"

#include "support/FolderWriteFault.h"
#include "support/ViewHarness.h"
#include "support/WaitFor.h"
#include "ui/setups/CaptureOnFile.h"

#include <QCoreApplication>
#include <QSignalSpy>
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

class SetupCaptureControllerUiTest : public ::testing::Test, protected CaptureOnFile {
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

    // A setup "another program" wrote: one window of `app`.
    brisklet::Setup writeOutside(const QString& name, const QString& app) {
        brisklet::Setup s;
        s.id = QUuid::createUuid();
        s.name = name;
        s.items = {window(app)};
        CaptureOnFile::writeOutside({s});
        return s;
    }
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

TEST_F(SetupCaptureControllerUiTest, theReviewFollowsTheFileAsAnotherProgramWritesIt) {
    controller.present(capture(), "Evening");
    CapturePreviewModel* review = controller.preview();
    ASSERT_EQ(review->primaryText(), "Save Setup");

    const brisklet::Setup evening = writeOutside("Evening", "Mail");
    ASSERT_TRUE(waitFor([&] { return review->replacing().has_value(); })) << "the store reloads the file";
    EXPECT_EQ(review->replacingLine(), "updates your existing “Evening”");
    EXPECT_EQ(review->primaryText(), "Update Setup");
    EXPECT_EQ(review->chip(), "");

    // And back when the file no longer holds it.
    writeOutside("Morning", "Mail");
    ASSERT_TRUE(waitFor([&] { return !review->replacing(); }));
    EXPECT_EQ(review->primaryText(), "Save Setup");
    EXPECT_EQ(review->chip(), "evening");
}

// The store reads another program's setup of the typed name and the button turns
// into "Update Setup": a press 0.07 s later was aimed at "Save Setup" and stores
// nothing, keeping the new line; one 0.6 s after the change updates.
TEST_F(SetupCaptureControllerUiTest, aPressJustAfterTheButtonChangedStoresNothingAndALaterOneUpdates) {
    controller.present(capture(), "Evening");
    CapturePreviewModel* review = controller.preview();
    std::vector<brisklet::Setup> saved;
    QObject::connect(&controller, &SetupCaptureController::saved, &controller,
                     [&](const brisklet::Setup& s) { saved.push_back(s); });
    ASSERT_EQ(review->primaryText(), "Save Setup");
    const brisklet::Setup evening = writeOutside("Evening", "Mail");
    ASSERT_TRUE(waitFor([&] { return review->primaryText() == "Update Setup"; }))
        << "the store reloads the file";

    clock.advance(0.07);
    review->save();
    EXPECT_TRUE(saved.empty());
    ASSERT_EQ(controller.preview(), review) << "the review stays open";
    EXPECT_EQ(review->replacingLine(), "updates your existing “Evening”");
    EXPECT_EQ(review->primaryText(), "Update Setup");
    ASSERT_EQ(store.setups().size(), 1u);
    EXPECT_EQ(store.setups()[0].items, evening.items) << "its windows are not replaced unseen";

    clock.advance(0.53);
    review->save();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].id, evening.id);
    ASSERT_EQ(store.setups().size(), 1u);
    EXPECT_EQ(store.setups()[0].items.size(), 2u) << "the capture's windows";
}

TEST_F(SetupCaptureControllerUiTest, aPressBeforeTheStoreReadTheFileShowsTheUpdateFirstAndStoresNothing) {
    controller.present(capture(), "Dusk");
    CapturePreviewModel* review = controller.preview();
    std::vector<brisklet::Setup> saved;
    QObject::connect(&controller, &SetupCaptureController::saved, &controller,
                     [&](const brisklet::Setup& s) { saved.push_back(s); });
    const brisklet::Setup dusk = writeOutside("Dusk", "Mail");

    review->save(); // no event has run: the store hasn't read the file yet
    EXPECT_TRUE(saved.empty());
    ASSERT_EQ(controller.preview(), review) << "the review stays open";
    EXPECT_EQ(review->replacingLine(), "updates your existing “Dusk”");
    EXPECT_EQ(review->primaryText(), "Update Setup");
    ASSERT_EQ(store.setups().size(), 1u);
    EXPECT_EQ(store.setups()[0].items, dusk.items) << "its windows are not replaced unseen";

    // The line was read: the next press updates it, and says what was stored.
    clock.advance(CapturePreviewModel::settleSeconds);
    review->save();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].id, dusk.id);
    EXPECT_EQ(saved[0].name, "Dusk");
    EXPECT_EQ(saved[0].items, store.setups()[0].items);
    EXPECT_EQ(store.setups()[0].items.size(), 2u) << "the capture's windows";
    // The file as a fresh load reads it: one "Dusk", no copy renamed behind the message.
    const SetupStore again(store.filePath());
    ASSERT_EQ(again.setups().size(), 1u);
    EXPECT_EQ(again.setups()[0].name, saved[0].name);
    EXPECT_EQ(again.setups()[0].id, dusk.id);
}

// A setup "Late" says "vesper", so "Vesper" is refused and Save is off; another
// program removes Late and the line goes: a press 0.07 s after the reload was made
// while Save was off, and stores nothing; one after the settle time saves.
TEST_F(SetupCaptureControllerUiTest, aPressJustAfterTheRefusalWentAwayStoresNothing) {
    brisklet::Setup late;
    late.id = QUuid::createUuid();
    late.name = "Late";
    late.phrases = {"vesper"};
    late.items = {window("Mail")};
    CaptureOnFile::writeOutside({late});
    ASSERT_TRUE(waitFor([&] { return store.setups().size() == 1; }));
    controller.present(capture(), "Vesper");
    CapturePreviewModel* review = controller.preview();
    std::vector<brisklet::Setup> saved;
    QObject::connect(&controller, &SetupCaptureController::saved, &controller,
                     [&](const brisklet::Setup& s) { saved.push_back(s); });
    ASSERT_FALSE(review->problem().isEmpty());
    ASSERT_FALSE(review->canSave());
    clock.advance(5);

    CaptureOnFile::writeOutside({});
    ASSERT_TRUE(waitFor([&] { return review->problem().isEmpty(); })) << "the store reloads the file";
    EXPECT_TRUE(review->canSave());
    clock.advance(0.07);
    review->save();
    EXPECT_TRUE(saved.empty()) << "the press was made while Save was off";
    EXPECT_EQ(controller.preview(), review) << "the review stays open";
    EXPECT_TRUE(store.setups().empty());

    clock.advance(CapturePreviewModel::settleSeconds);
    review->save();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].name, "Vesper");
}

namespace {

class CaptureOnAFaultyDisk : public SetupCaptureControllerUiTest,
                             public ::testing::WithParamInterface<FolderFault> {};

} // namespace

// On a full disk or in a folder that takes no writes, Save leaves the review open as
// filled in, says why and sends no "Saved …"; what the file holds is all the store
// shows, whatever reloads come; once the folder takes writes, a second press saves
// it and a fresh start reads it.
TEST_P(CaptureOnAFaultyDisk, aCaptureTheFileDoesNotTakeKeepsTheReviewAsFilledInAndSaysSo) {
    const brisklet::Setup keeper = writeOutside("Keeper", "Mail");
    ASSERT_TRUE(waitFor([&] { return store.setups().size() == 1; }));
    controller.present(capture(), "Fulldisk");
    CapturePreviewModel* review = controller.preview();
    review->setIncluded(review->result().items[1].id.toString(QUuid::WithoutBraces), false);
    review->setCloseOthers(true);
    std::vector<brisklet::Setup> saved;
    QObject::connect(&controller, &SetupCaptureController::saved, &controller,
                     [&](const brisklet::Setup& s) { saved.push_back(s); });
    {
        FolderWriteFault fault(dir.path(), GetParam());
        ASSERT_TRUE(fault.holds()) << "the fault could not be set up, so the test cannot run";
        review->save();
    }
    EXPECT_TRUE(saved.empty()) << "no “Saved …”";
    ASSERT_EQ(controller.preview(), review) << "the review stays open";
    EXPECT_EQ(review->property("unsaved").toString(),
              "Couldn't save “Fulldisk” — the setups file can't be written");
    EXPECT_EQ(review->name(), "Fulldisk");
    EXPECT_EQ(review->keptText(), "1 of 2 kept");
    EXPECT_TRUE(review->closeOthers());
    EXPECT_TRUE(review->canSave());
    ASSERT_EQ(store.setups().size(), 1u);

    // Another program's write comes in: the review keeps what the user filled in.
    brisklet::Setup other = keeper;
    other.phrases = {"keep going"};
    CaptureOnFile::writeOutside({other});
    ASSERT_TRUE(waitFor([&] { return !store.setups()[0].phrases.isEmpty(); }));
    EXPECT_EQ(review->property("unsaved").toString(),
              "Couldn't save “Fulldisk” — the setups file can't be written");
    EXPECT_EQ(review->keptText(), "1 of 2 kept");

    // A second try once the folder takes writes.
    review->save();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].name, "Fulldisk");
    EXPECT_EQ(controller.preview(), nullptr) << "the review closes";
    const SetupStore next(store.filePath());
    ASSERT_EQ(next.setups().size(), 2u);
    EXPECT_EQ(next.setups()[1].name, "Fulldisk");
    EXPECT_EQ(next.setups()[1].items.size(), 1u);
    EXPECT_TRUE(next.setups()[1].closeOthers);
}

INSTANTIATE_TEST_SUITE_P(Faults, CaptureOnAFaultyDisk,
                         ::testing::Values(FolderFault::fullDisk, FolderFault::readOnlyFolder),
                         [](const auto& info) { return faultName(info.param); });
