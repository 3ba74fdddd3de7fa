// The Magic pane's model: the scan card's rows, bars and insight, what each card
// shows after the user's choices and the runs' outcomes, and the builder.
#include "ui/magic/MagicPaneModel.h"

#include "ui/magic/MagicPaneFixture.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

QVariantMap cardAt(const MagicPaneModel& model, int i) {
    return model.proposalCards().value(i).toMap();
}

} // namespace

TEST(MagicPaneRowsTest, rowsRankTheFirstFiveWithBarsAgainstTheTop) {
    const MagicProfile three = MagicPaneFixture::profile(
        {usage("a", "A", 999), usage("b", "B", 9), usage("c", "C", 0, false, true)});
    const auto rows = MagicPaneModel::usageRows(three);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].rank, 3);
    EXPECT_DOUBLE_EQ(rows[0].barWidth, 90);
    EXPECT_DOUBLE_EQ(rows[1].barWidth, 30) << "a third of the top score";
    EXPECT_DOUBLE_EQ(MagicPaneModel::usageBarWidth(0.1), 9);
    EXPECT_DOUBLE_EQ(MagicPaneModel::usageBarWidth(0.01), 6);
    EXPECT_DOUBLE_EQ(MagicPaneModel::usageBarWidth(1.5), 90);
    std::vector<AppUsage> seven;
    for (int i = 0; i < 7; ++i)
        seven.push_back(usage(QString::number(i), QString::number(i), 100 - i));
    EXPECT_EQ(MagicPaneModel::usageRows(MagicPaneFixture::profile(seven)).size(), 5u);
}

TEST(MagicPaneRowsTest, theInsightNamesAHeavyAppMissingFromTheDockFirst) {
    auto profile = MagicPaneFixture::profile({usage("a", "Code", 250), usage("b", "B", 5, true),
                                              usage("c", "C", 5, true), usage("d", "D", 5, true),
                                              usage("e", "E", 5, true)});
    EXPECT_EQ(MagicPaneModel::insightLine(profile), "You live in Code — and it isn't even in your dock.");
    profile.apps[0].inDock = true;
    EXPECT_EQ(MagicPaneModel::insightLine(profile), "4 of your ranked apps are open right now.");
    profile = MagicPaneFixture::profile({usage("a", "A", 5, true), usage("b", "B", 5, true),
                                         usage("c", "C", 5, true, true), usage("d", "D", 5, false, true),
                                         usage("e", "E", 5, false, true), usage("f", "F", 100)});
    EXPECT_EQ(MagicPaneModel::insightLine(profile), "3 of your ranked apps are open right now.")
        << "rank six doesn't count for the dock sentence";
    profile.apps[2].isRunning = false;
    EXPECT_EQ(MagicPaneModel::insightLine(profile), "");
}

TEST(MagicPaneModelTest, theScanCardFollowsTheController) {
    MagicPaneFixture f;
    MagicPaneModel model;
    model.setHost(&f.host);
    EXPECT_EQ(model.scanState(), "empty");
    model.appeared();
    EXPECT_EQ(model.scanState(), "scanning") << "the first visit starts a scan";
    f.magic.publish(MagicPaneFixture::profile({usage("a", "A", 5)}), {});
    EXPECT_EQ(model.scanState(), "ranking");
    EXPECT_EQ(model.rankedLine(),
              "Ranked from 1 apps you actually use — read locally, nothing leaves this computer.");
    f.magic.publish(MagicPaneFixture::profile({}), {});
    EXPECT_EQ(model.scanState(), "empty");
}

TEST(MagicPaneModelTest, cardsShowRanUntilUndoOrAFailedOutcome) {
    MagicPaneFixture f;
    MagicPaneModel model;
    model.setHost(&f.host);
    const MagicProposal code = proposalOf("Code", {"code", "kitty"});
    f.magic.publish(MagicPaneFixture::profile({}), {code});
    const QString id = cardAt(model, 0)["id"].toString();
    EXPECT_FALSE(cardAt(model, 0)["ran"].toBool());
    EXPECT_FALSE(cardAt(model, 0)["allowEdit"].toBool()) << "no editor yet";

    model.run(id);
    EXPECT_TRUE(cardAt(model, 0)["ran"].toBool());
    f.magic.setLastRunOutcome({code.id(), false, "Couldn't open kitty.", QUuid::createUuid()});
    EXPECT_FALSE(cardAt(model, 0)["ran"].toBool());
    EXPECT_EQ(cardAt(model, 0)["runFailure"].toString(), "Couldn't open kitty.");
    model.run(id);
    EXPECT_EQ(cardAt(model, 0)["runFailure"].toString(), "") << "a new run clears the message";
    f.magic.setLastRunOutcome({code.id(), true, "Done", QUuid::createUuid()});
    EXPECT_TRUE(cardAt(model, 0)["ran"].toBool());
    model.undo(id);
    EXPECT_FALSE(cardAt(model, 0)["ran"].toBool());
    EXPECT_EQ(f.choices, (QStringList{"run Code", "run Code", "undo"}));
    f.granted = false;
    EXPECT_FALSE(cardAt(model, 0)["axGranted"].toBool()) << "read each time a card is made";
}

TEST(MagicPaneModelTest, aSaveCountsOnlyWhenItWorkedAndNeverOverwritesAStoredSetup) {
    MagicPaneFixture f;
    MagicPaneModel model;
    model.setHost(&f.host);
    const MagicProposal code = proposalOf("Code", {"code"});
    const MagicProposal tuned = proposalOf("Writing", {"abiword"});
    f.magic.publish(MagicPaneFixture::profile({}), {code, tuned});

    f.saveWorks = false;
    model.save(cardAt(model, 0)["id"].toString());
    EXPECT_FALSE(cardAt(model, 0)["saved"].toBool());
    f.saveWorks = true;
    model.save(cardAt(model, 0)["id"].toString());
    EXPECT_TRUE(cardAt(model, 0)["saved"].toBool());

    // The second draft was tuned and saved from the editor under its own id.
    brisklet::Setup edited = tuned.draft;
    edited.name = "My writing";
    ASSERT_TRUE(f.store.upsert(edited));
    EXPECT_TRUE(cardAt(model, 1)["saved"].toBool()) << "the store holds it: saved";
    f.choices.clear();
    model.save(cardAt(model, 1)["id"].toString());
    EXPECT_TRUE(f.choices.isEmpty()) << "nothing is handed on to be written";
    EXPECT_EQ(f.store.setup(tuned.id())->name, "My writing");
}

TEST(MagicPaneModelTest, theBuilderThinksThenShowsItsCardOrTheMessage) {
    MagicPaneFixture f;
    auto model = std::make_unique<MagicPaneModel>();
    model->setHost(&f.host);
    EXPECT_TRUE(model->builderAvailable());
    model->setDescription("  \t ");
    EXPECT_FALSE(model->canBuild());
    model->submit();
    EXPECT_FALSE(model->thinking()) << "nothing to build";
    model->setDescription("a shell");
    model->submit();
    EXPECT_TRUE(model->thinking());
    EXPECT_FALSE(model->canBuild());
    f.route->pending(TextResult::failure(AskError::network, "down"));
    EXPECT_EQ(model->builderFailure(),
              "No internet — the builder needs a connection. Everything above still works.");
    EXPECT_EQ(model->description(), "a shell") << "kept for another try";

    model->submit();
    f.route->pending(TextResult::success("garbage"));
    EXPECT_EQ(model->builderFailure(), "Couldn't build that — try naming the apps or pages you want in it.");

    // Leaving the pane while building drops the answer.
    model->submit();
    auto reply = f.route->pending;
    model.reset();
    reply(TextResult::failure(AskError::server));

    Prefs::setValue(Prefs::Key::askEnabled, false);
    MagicPaneModel off;
    off.setHost(&f.host);
    EXPECT_FALSE(off.builderAvailable());
    EXPECT_EQ(off.builderNoteNow(), MagicPaneModel::builderNote(false));
    EXPECT_EQ(MagicPaneModel::failureMessage(AskError::noKey),
              "The builder isn't available right now. Your recommendations above still work.");
}
