// The demo data the pictures show: three setups with their frames, phrases,
// fingerprints and run times, the registry's own command, the speaking bars and
// counters that agree with the app's own sum; and which environment picks which mode.
#include "snapshots/SnapshotFixtures.h"
#include "base/AppState.h"
#include "snapshots/SnapshotEnvironment.h"

#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

const QDateTime now = QDateTime(QDate(2026, 3, 2), QTime(9, 30), Qt::UTC);
const QString here = QStringLiteral("1:800x600");

} // namespace

TEST(SnapshotFixtures, theThreeSetupsInOrderWithTheirFingerprints) {
    const std::vector<brisklet::Setup> setups = SnapshotFixtures::demoSetups(here, now);
    ASSERT_EQ(setups.size(), 3u);
    EXPECT_EQ(setups[0].name, "deep work");
    EXPECT_EQ(setups[1].name, "writing");
    EXPECT_EQ(setups[2].name, "monday review");
    EXPECT_EQ(setups[0].fingerprint, here);
    EXPECT_EQ(setups[1].fingerprint, here);
    EXPECT_EQ(setups[2].fingerprint, "2:1728x1117,2560x1440") << "whatever machine renders it";
    EXPECT_NE(setups[0].id, setups[1].id);
    for (const brisklet::Setup& setup : setups) {
        EXPECT_TRUE(setup.endQuitsApps);
        EXPECT_FALSE(setup.requiresAllDisplays);
        EXPECT_FALSE(setup.icon);
        EXPECT_EQ(setup.createdAt, now);
    }
}

TEST(SnapshotFixtures, deepWorkPlaysMusicQuietlyAndRanTwoHoursAgo) {
    const brisklet::Setup deep = SnapshotFixtures::demoSetups(here, now)[0];
    EXPECT_EQ(deep.phrases, QStringList{"grind time"});
    ASSERT_EQ(deep.items.size(), 3u);
    EXPECT_EQ(deep.items[0].kind, SetupItemKind::url);
    EXPECT_EQ(deep.items[0].bundleID, "firefox-esr");
    EXPECT_TRUE(deep.items[0].url && deep.items[0].url->startsWith("https://"));
    EXPECT_EQ(deep.items[1].title, "Sprint notes");
    EXPECT_EQ(deep.items[1].frame, (SetupFrame{0.5, 0, 0.5, 1.0, 0}));
    EXPECT_FALSE(deep.items[2].frame) << "opened, not placed";
    EXPECT_EQ(deep.system.volume, 25);
    EXPECT_EQ(deep.system.music, SetupSystemState::Music::play);
    EXPECT_FALSE(deep.system.appearance);
    EXPECT_EQ(deep.lastRunAt, now.addSecs(-7200));
    EXPECT_FALSE(deep.closeOthers);
}

TEST(SnapshotFixtures, writingSplitsInThirdsAndMondayReviewSpansTwoDisplays) {
    const std::vector<brisklet::Setup> setups = SnapshotFixtures::demoSetups(here, now);
    const brisklet::Setup& writing = setups[1];
    ASSERT_EQ(writing.items.size(), 2u);
    EXPECT_EQ(writing.items[0].frame->rw, 0.6666666666666666);
    EXPECT_EQ(writing.items[1].frame->rx, 0.6666666666666666);
    EXPECT_EQ(writing.items[1].frame->rw, 0.3333333333333333);
    EXPECT_EQ(writing.system.appearance, SetupSystemState::Appearance::dark);
    EXPECT_TRUE(writing.phrases.isEmpty());
    EXPECT_EQ(writing.lastRunAt, now.addSecs(-172800));

    const brisklet::Setup& review = setups[2];
    EXPECT_TRUE(review.closeOthers);
    EXPECT_FALSE(review.lastRunAt) << "never run";
    EXPECT_TRUE(review.system.isEmpty());
    EXPECT_EQ(review.displaysNeeded(), 2);
}

TEST(SnapshotFixtures, theCaptureFindsFiveItemsAndOverlapsOnlyWhenAsked) {
    const auto plain = SnapshotFixtures::demoCapture(here);
    ASSERT_EQ(plain.items.size(), 5u);
    EXPECT_EQ(plain.items[0].title, "Pull requests");
    EXPECT_EQ(plain.items[1].kind, SetupItemKind::url);
    EXPECT_EQ(plain.items[3].frame, (SetupFrame{0.25, 0.1, 0.5, 0.6, 0}));
    EXPECT_FALSE(plain.items[4].frame);
    EXPECT_EQ(plain.notes.size(), 1);
    EXPECT_TRUE(plain.overlapPairs.empty());
    EXPECT_EQ(plain.fingerprint, here);

    const auto overlapping = SnapshotFixtures::demoCapture(here, true);
    ASSERT_EQ(overlapping.overlapPairs.size(), 2u);
    const QUuid terminal = overlapping.items[3].id;
    EXPECT_EQ(overlapping.overlapPairs[0], std::make_pair(overlapping.items[1].id, terminal));
    EXPECT_EQ(overlapping.overlapPairs[1], std::make_pair(overlapping.items[2].id, terminal));
}

TEST(SnapshotFixtures, theScanRanksFourAppsFoundTwoMinutesAgo) {
    const MagicProfile profile = SnapshotFixtures::demoProfile(now);
    EXPECT_EQ(profile.scannedAt, now.addSecs(-120));
    ASSERT_EQ(profile.apps.size(), 4u);
    QStringList ids;
    for (const AppUsage& app : profile.apps)
        ids << app.bundleID;
    EXPECT_EQ(ids,
              (QStringList{"org.gnome.Terminal", "firefox-esr", "org.gnome.Notes", "org.gnome.Rhythmbox3"}));
    EXPECT_EQ(profile.apps[0].useCount, 7289);
    EXPECT_TRUE(profile.apps[1].isRunning);
    EXPECT_TRUE(profile.apps[1].inDock);
    EXPECT_EQ(profile.apps[2].lastUsed, now.addSecs(-86400));
    EXPECT_FALSE(profile.apps[3].isRunning);
}

TEST(SnapshotFixtures, aBlankSetupHasAFreshIdAndNothingElse) {
    const brisklet::Setup a = SnapshotFixtures::blankSetup(now);
    EXPECT_FALSE(a.id.isNull());
    EXPECT_NE(a.id, SnapshotFixtures::blankSetup(now).id);
    EXPECT_TRUE(a.name.isEmpty());
    EXPECT_TRUE(a.items.empty());
    EXPECT_TRUE(a.phrases.isEmpty());
    EXPECT_TRUE(a.fingerprint.isEmpty());
    EXPECT_TRUE(a.system.isEmpty());
    EXPECT_FALSE(a.lastRunAt);
    EXPECT_EQ(a.createdAt, now);
}

TEST(SnapshotFixtures, magicProposesCodeThenEverydayWithEvidenceForEveryApp) {
    const std::vector<MagicProposal> proposals = SnapshotFixtures::demoProposals(now);
    ASSERT_EQ(proposals.size(), 2u);
    const MagicProposal& code = proposals[0];
    const MagicProposal& everyday = proposals[1];
    EXPECT_EQ(code.title, "Code");
    EXPECT_EQ(code.draft.name, "Code");
    EXPECT_GT(code.score, everyday.score) << "ranked first";
    EXPECT_NE(code.id(), everyday.id());
    ASSERT_EQ(code.draft.items.size(), 2u);
    EXPECT_EQ(code.draft.items[0].bundleID, "org.gnome.TextEditor");
    EXPECT_EQ(code.draft.items[1].frame, (SetupFrame{0.66, 0, 0.34, 1.0, 0}));
    EXPECT_EQ(everyday.title, "Everyday");
    ASSERT_EQ(everyday.draft.items.size(), 4u);
    EXPECT_EQ(everyday.evidence.at("org.gnome.Notes"), "in your dock");
    for (const MagicProposal& proposal : proposals) {
        SCOPED_TRACE(proposal.title.toStdString());
        EXPECT_EQ(proposal.evidence.size(), proposal.draft.items.size());
        for (const SetupItem& item : proposal.draft.items) {
            EXPECT_TRUE(proposal.evidence.count(item.bundleID)) << item.bundleID.toStdString();
            EXPECT_EQ(item.kind, SetupItemKind::app);
            EXPECT_TRUE(item.frame);
        }
        for (const auto& [id, why] : proposal.evidence)
            EXPECT_FALSE(why.contains("Mac")) << why.toStdString();
        EXPECT_TRUE(proposal.draft.phrases.isEmpty());
        EXPECT_TRUE(proposal.draft.system.isEmpty());
        EXPECT_TRUE(proposal.draft.endQuitsApps);
        EXPECT_EQ(proposal.draft.createdAt, now);
    }
}

TEST(SnapshotFixtures, theRegistrysOwnCommandOpensTheBrowser) {
    const CommandEntry entry = SnapshotFixtures::demoCommand();
    EXPECT_EQ(entry.id, "custom-fixture1");
    EXPECT_EQ(entry.phrases, QStringList{"standup"});
    EXPECT_EQ(entry.action, "openApp");
    EXPECT_EQ(entry.params.value("name"), "Firefox");
    EXPECT_TRUE(entry.enabled);
    EXPECT_TRUE(CommandEntry::fromJson(entry.toJson())) << "a valid entry";
}

TEST(SnapshotFixtures, speakingBarsAndWarmCounters) {
    const QList<qreal> bars = SnapshotFixtures::speakingBars();
    ASSERT_EQ(bars.size(), 20);
    EXPECT_DOUBLE_EQ(bars[0], 0.15);
    for (qreal bar : bars) {
        EXPECT_GE(bar, 0.15);
        EXPECT_LE(bar, 0.9);
    }
    const auto warm = SnapshotFixtures::warmCounters();
    EXPECT_EQ(warm.commandsRun, 412);
    EXPECT_EQ(warm.setupsRun, 38);
    EXPECT_EQ(warm.secondsSaved, 8656);
    EXPECT_EQ(warm.secondsSaved, AppState::secondsSaved(warm.commandsRun, warm.setupsRun));
}

TEST(SnapshotEnvironment, onlyANonEmptyFolderSelectsTheModeAndOnlyOneSelectsLive) {
    {
        ScopedEnv dir("BRISKLET_SNAPSHOT_DIR", QByteArray());
        EXPECT_FALSE(SnapshotEnvironment::folder());
    }
    {
        ScopedEnv dir("BRISKLET_SNAPSHOT_DIR", std::nullopt);
        EXPECT_FALSE(SnapshotEnvironment::folder());
    }
    ScopedEnv dir("BRISKLET_SNAPSHOT_DIR", QByteArray("/tmp/shots"));
    EXPECT_EQ(SnapshotEnvironment::folder(), "/tmp/shots");
    for (const char* value : {"true", "yes", "01", " 1", ""}) {
        ScopedEnv live("BRISKLET_SNAPSHOT_LIVE", QByteArray(value));
        EXPECT_FALSE(SnapshotEnvironment::liveMode()) << value;
    }
    ScopedEnv live("BRISKLET_SNAPSHOT_LIVE", QByteArray("1"));
    EXPECT_TRUE(SnapshotEnvironment::liveMode()) << "read afresh each time";
}

TEST(SnapshotEnvironment, theCallersOffscreenOptionsStayAndEveryOtherPlatformGivesWay) {
    const QByteArray screens = "offscreen:configfile=/tmp/two-screens.json";
    EXPECT_EQ(SnapshotEnvironment::offscreenPlatform(screens), screens);
    EXPECT_EQ(SnapshotEnvironment::offscreenPlatform("offscreen"), "offscreen");
    for (const char* other : {"", "xcb", "wayland", "offscreenish", "xcb:offscreen"})
        EXPECT_EQ(SnapshotEnvironment::offscreenPlatform(other), "offscreen") << other;
}
