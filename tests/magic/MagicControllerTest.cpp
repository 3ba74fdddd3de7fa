// The controller behind Magic: one scan at a time on its own queue, a single wait
// while the app index is still empty, publication in order on the main thread, and
// nothing after it is gone.
#include "magic/MagicController.h"
#include "platform/Apps.h"
#include "setups/SetupStore.h"

#include "support/FakeClock.h"
#include "support/FakeScheduler.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class StubInstalled final : public platform::InstalledApps {
public:
    std::vector<platform::AppEntry> apps;
    std::vector<platform::AppEntry> installedApps() override { return apps; }
};

class StubRunning final : public platform::RunningApps {
public:
    std::vector<platform::RunningApp> runningApps() override {
        return {{1, "code", "Code", "", true}, {2, "kitty", "kitty", "", true}};
    }
    std::optional<platform::RunningApp> frontmostApp() override { return std::nullopt; }
};

class MagicControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        installed.apps = {{"code", "Code", "/a/code.desktop"}, {"kitty", "kitty", "/a/kitty.desktop"}};
        store = std::make_unique<SetupStore>(home.dataHome() + "/setups.json", scheduler);
    }
    std::unique_ptr<MagicController> make(MagicRecommender::Desktop desktop = {}) {
        MagicController::Sources sources{{nullptr, &running}, [desktop] { return desktop; }};
        auto controller = std::make_unique<MagicController>(index, *store, std::move(sources), scheduler);
        QObject::connect(controller.get(), &MagicController::profileChanged, [this] { events << "profile"; });
        QObject::connect(controller.get(), &MagicController::proposalsChanged,
                         [this] { events << "proposals"; });
        QObject::connect(controller.get(), &MagicController::scanningChanged,
                         [this, c = controller.get()] { events << (c->scanning() ? "scanning" : "idle"); });
        controller->onScanComplete = [this](const std::vector<MagicProposal>& p) {
            events << "complete " + QString::number(p.size());
        };
        return controller;
    }
    void fillIndex() {
        index.refresh();
        index.waitForScans();
    }

    TempHome home;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    StubInstalled installed;
    StubRunning running;
    AppIndex index{&installed, nullptr, scheduler};
    std::unique_ptr<SetupStore> store;
    QStringList events;
};

} // namespace

TEST_F(MagicControllerTest, aScanPublishesProfileProposalsThenIdleThenCompletes) {
    fillIndex();
    auto magic = make();
    magic->refresh();
    magic->refresh(); // ignored: one is running
    EXPECT_TRUE(magic->scanning());
    ASSERT_TRUE(waitFor([&] { return !magic->scanning(); }));
    QTest::qWait(20);
    EXPECT_EQ(events, (QStringList{"scanning", "profile", "proposals", "idle", "complete 2"}));
    ASSERT_TRUE(magic->profile());
    EXPECT_EQ(magic->profile()->apps.size(), 2u) << "both running, so both ranked";
    ASSERT_EQ(magic->proposals().size(), 2u);
    EXPECT_EQ(magic->proposals()[0].title, "Code");
    EXPECT_EQ(magic->proposals()[1].title, "Everyday") << "four fifths of the same apps' score";
}

TEST_F(MagicControllerTest, theDesktopReadOnTheQueueIsPublishedWithTheScan) {
    fillIndex();
    auto magic = make(MagicRecommender::Desktop{QStringLiteral("firefox"), QStringLiteral("1:1280x800")});
    magic->refresh();
    ASSERT_TRUE(waitFor([&] { return !magic->scanning(); }));
    EXPECT_EQ(magic->desktop().defaultBrowser, "firefox");
    ASSERT_FALSE(magic->proposals().empty());
    EXPECT_EQ(magic->proposals()[0].draft.fingerprint, "1:1280x800");
    EXPECT_TRUE(std::any_of(magic->proposals().begin(), magic->proposals().end(), [](const MagicProposal& p) {
        return p.title == "Deep Work";
    })) << "the default browser fills its slot";
}

TEST_F(MagicControllerTest, savedSetupNamesAndPhrasesKeepTheirProposalsAway) {
    fillIndex();
    brisklet::Setup saved;
    saved.id = QUuid::createUuid();
    saved.name = "Studio";
    saved.phrases = {"everyday"};
    ASSERT_TRUE(store->upsert(saved));
    saved.id = QUuid::createUuid();
    saved.name = "Code!";
    saved.phrases.clear();
    ASSERT_TRUE(store->upsert(saved));
    auto magic = make();
    magic->refresh();
    ASSERT_TRUE(waitFor([&] { return !magic->scanning(); }));
    EXPECT_TRUE(magic->proposals().empty());
}

TEST_F(MagicControllerTest, anEmptyIndexWaitsOnceThenScansWhatever) {
    auto magic = make();
    magic->refresh();
    EXPECT_TRUE(magic->scanning());
    QTest::qWait(30);
    EXPECT_FALSE(magic->profile()) << "nothing before the retry";
    EXPECT_DOUBLE_EQ(scheduler.nextDueIn(), MagicController::emptyIndexRetry);
    scheduler.advance(MagicController::emptyIndexRetry);
    ASSERT_TRUE(waitFor([&] { return !magic->scanning(); }));
    ASSERT_TRUE(magic->profile());
    EXPECT_TRUE(magic->profile()->apps.empty());
    EXPECT_EQ(scheduler.pendingCount(), 0u) << "retried exactly once";
}

TEST_F(MagicControllerTest, aControllerGoneBeforeItsRetryOrPublicationDropsTheWork) {
    auto magic = make();
    magic->refresh();
    magic.reset();
    scheduler.advance(MagicController::emptyIndexRetry);
    fillIndex();
    magic = make();
    magic->refresh();
    magic.reset();
    QTest::qWait(50);
    EXPECT_FALSE(events.contains("profile"));
}

TEST_F(MagicControllerTest, everyOutcomeIsAChangeEvenWhenEqualButForItsStamp) {
    auto magic = make();
    int changes = 0;
    QObject::connect(magic.get(), &MagicController::lastRunOutcomeChanged, [&] { ++changes; });
    const QUuid draft = QUuid::createUuid();
    magic->setLastRunOutcome({draft, false, "Couldn't open Code.", QUuid::createUuid()});
    magic->setLastRunOutcome({draft, false, "Couldn't open Code.", QUuid::createUuid()});
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(magic->lastRunOutcome()->message, "Couldn't open Code.");
}
