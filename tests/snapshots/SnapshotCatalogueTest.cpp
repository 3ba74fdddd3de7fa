// The list of screens as data: unique names, dark twins that differ from their
// light shot only in appearance, and the heads-up display always dark on a clear
// window.
#include "snapshots/SnapshotCatalogue.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::SnapshotCatalogue;

namespace {

const Shot* find(const QString& name) {
    for (const Shot& shot : shots())
        if (shot.name == name)
            return &shot;
    return nullptr;
}

} // namespace

TEST(SnapshotCatalogue, namesAreUniqueFileStems) {
    QSet<QString> seen;
    for (const Shot& shot : shots()) {
        EXPECT_FALSE(seen.contains(shot.name)) << shot.name.toStdString();
        seen.insert(shot.name);
        EXPECT_FALSE(shot.name.isEmpty());
        EXPECT_FALSE(shot.name.contains(QLatin1Char('/'))) << shot.name.toStdString();
        EXPECT_FALSE(shot.name.endsWith(QLatin1String(".png"))) << shot.name.toStdString();
        EXPECT_FALSE(shot.size.isEmpty()) << shot.name.toStdString();
    }
}

TEST(SnapshotCatalogue, everyDarkShotIsItsLightTwinInTheDarkAppearance) {
    int twins = 0;
    for (const Shot& shot : shots()) {
        if (!shot.name.endsWith(QLatin1String("-dark")))
            continue;
        SCOPED_TRACE(shot.name.toStdString());
        const Shot* light = find(shot.name.chopped(5));
        ASSERT_NE(light, nullptr);
        EXPECT_TRUE(shot.dark);
        EXPECT_FALSE(light->dark);
        Shot same = *light;
        same.name = shot.name;
        same.dark = true;
        EXPECT_EQ(shot, same) << "only the appearance differs";
        ++twins;
    }
    EXPECT_GE(twins, 3);
}

TEST(SnapshotCatalogue, onlyDarkNamesAndTheHeadsUpDisplayAreDark) {
    for (const Shot& shot : shots()) {
        SCOPED_TRACE(shot.name.toStdString());
        const bool hud = std::holds_alternative<HUDShot>(shot.view);
        EXPECT_EQ(shot.dark, hud || shot.name.endsWith(QLatin1String("-dark")));
        if (hud) {
            EXPECT_EQ(shot.size, QSize(400, 160));
            EXPECT_EQ(shot.backdrop, Backdrop::clear);
        }
    }
}

TEST(SnapshotCatalogue, theHomeShotsAreStagedColdAndWarm) {
    const Shot* cold = find(QStringLiteral("home-1-home-cold"));
    const Shot* warm = find(QStringLiteral("home-1-home-warm"));
    ASSERT_NE(cold, nullptr);
    ASSERT_NE(warm, nullptr);
    EXPECT_EQ(cold->view, ShotView(HomeShot{QStringLiteral("Home"), Store::empty, Usage::cold}));
    EXPECT_EQ(warm->view, ShotView(HomeShot{QStringLiteral("Home"), Store::many, Usage::warm}));
    EXPECT_EQ(cold->size, QSize(940, 640));
    EXPECT_EQ(shots().front().name, "home-1-home-cold") << "built in order";
    const Shot* wide = find(QStringLiteral("resize-1-home-wide"));
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->size, QSize(1440, 900));
}

TEST(SnapshotCatalogue, theQuietListenerDiffersFromTheEmptyOneOnlyInItsBars) {
    const Shot* empty = find(QStringLiteral("hud-1-listening-empty"));
    const Shot* quiet = find(QStringLiteral("hud-1b-listening-quiet"));
    ASSERT_NE(empty, nullptr);
    ASSERT_NE(quiet, nullptr);
    EXPECT_EQ(std::get<HUDShot>(quiet->view), (HUDShot{HUDState::listening(), true}));
    EXPECT_EQ(std::get<HUDShot>(empty->view), (HUDShot{HUDState::listening(), false}));
}

TEST(SnapshotCatalogue, theHomeWindowShotsShowTheirPaneOverTheirStoreInTheirOrder) {
    struct Row {
        const char* name;
        const char* pane;
        Store store;
        QSize size;
    };
    const QSize home(940, 640);
    const QSize wide(1440, 900);
    const Row rows[] = {
        {"home-2-setups-empty", "Setups", Store::empty, home},
        {"home-2-setups-one", "Setups", Store::one, home},
        {"home-2-setups-many", "Setups", Store::many, home},
        {"home-3-commands", "Commands", Store::many, home},
        {"home-5-settings", "Settings", Store::many, home},
        {"resize-1-home-wide", "Home", Store::many, wide},
        {"resize-2-setups-wide", "Setups", Store::many, wide},
        {"resize-3-setups-narrow", "Setups", Store::many, QSize(860, 580)},
        {"resize-4-settings-wide", "Settings", Store::many, wide},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Shot* shot = find(QLatin1String(row.name));
        ASSERT_NE(shot, nullptr);
        EXPECT_EQ(shot->view, ShotView(HomeShot{QLatin1String(row.pane), row.store, Usage::warm}));
        EXPECT_EQ(shot->size, row.size);
        EXPECT_EQ(shot->backdrop, Backdrop::cream);
    }
    // The panes in the sidebar's order, then the resized windows.
    QStringList order;
    for (const Shot& shot : shots())
        if (std::holds_alternative<HomeShot>(shot.view) && !shot.name.endsWith(QLatin1String("-dark")))
            order << shot.name;
    const QStringList expected = {"home-1-home-cold",      "home-1-home-warm",     "home-1b-magic",
                                  "home-1b-magic-empty",   "home-1c-magic-built",  "home-1c-magic-unresolved",
                                  "home-1c-magic-failed",  "home-2-setups-empty",  "home-2-setups-one",
                                  "home-2-setups-many",    "home-3-commands",      "home-5-settings",
                                  "resize-1-home-wide",    "resize-2-setups-wide", "resize-3-setups-narrow",
                                  "resize-4-settings-wide"};
    EXPECT_EQ(order.join(' ').toStdString(), expected.join(' ').toStdString());
}

TEST(SnapshotCatalogue, theMagicShotsDifferOnlyInWhatTheScanFound) {
    const Shot* demo = find(QStringLiteral("home-1b-magic"));
    const Shot* empty = find(QStringLiteral("home-1b-magic-empty"));
    ASSERT_NE(demo, nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(demo->view,
              ShotView(HomeShot{QStringLiteral("Magic"), Store::empty, Usage::warm, Magic::demo}));
    Shot same = *demo;
    same.name = empty->name;
    std::get<HomeShot>(same.view).magic = Magic::empty;
    EXPECT_EQ(*empty, same);
    for (const Shot& shot : shots()) {
        if (const auto* home = std::get_if<HomeShot>(&shot.view); home && home->pane != "Magic") {
            EXPECT_EQ(home->magic, Magic::demo) << shot.name.toStdString();
            EXPECT_EQ(home->build, Build::none) << shot.name.toStdString();
        }
    }
    // The builder's three answers, over a scan with nothing, tall enough for the card.
    const std::pair<const char*, Build> builds[] = {{"home-1c-magic-built", Build::built},
                                                    {"home-1c-magic-unresolved", Build::unresolved},
                                                    {"home-1c-magic-failed", Build::failed}};
    for (const auto& [name, build] : builds) {
        const Shot* shot = find(QLatin1String(name));
        ASSERT_NE(shot, nullptr) << name;
        EXPECT_EQ(shot->view,
                  ShotView(HomeShot{QStringLiteral("Magic"), Store::empty, Usage::warm, Magic::empty, build}))
            << name;
        EXPECT_EQ(shot->size, QSize(940, 900)) << name;
    }
}

TEST(SnapshotCatalogue, theOnboardingStepsCarryTheirGrantsAndProgress) {
    struct Row {
        const char* name;
        OnboardingShot state;
    };
    const Row rows[] = {
        {"onboarding-0-permissions", {0, true, false, false, false, false, false}},
        {"onboarding-1-summon", {1, true, true, true, false, false, false}},
        {"onboarding-2-firstcommand", {2, true, true, true, false, false, false}},
        {"onboarding-2-success", {2, true, true, true, true, false, false}},
        {"onboarding-3-magic", {3, true, true, true, true, true, true}},
        {"onboarding-3-magic-empty", {3, true, true, true, true, true, false}},
        {"onboarding-4-finish", {4, true, true, true, false, false, false}},
        {"onboarding-2-minsize", {2, true, true, true, false, false, false}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Shot* shot = find(QLatin1String(row.name));
        ASSERT_NE(shot, nullptr);
        EXPECT_EQ(shot->view, ShotView(row.state));
        EXPECT_EQ(shot->backdrop, Backdrop::window);
        EXPECT_EQ(shot->size, QString(row.name).endsWith("minsize") ? QSize(560, 480) : QSize(620, 560));
    }
    int steps = 0;
    for (const Shot& shot : shots())
        steps += std::holds_alternative<OnboardingShot>(shot.view) ? 1 : 0;
    EXPECT_EQ(steps, 10);
}

TEST(SnapshotCatalogue, theEditorAndTheCaptureReviewInTheirStates) {
    const Shot* fresh = find(QStringLiteral("editor-new"));
    const Shot* edit = find(QStringLiteral("editor-edit"));
    ASSERT_NE(fresh, nullptr);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(fresh->view, ShotView(EditorShot{}));
    EXPECT_EQ(edit->view, ShotView(EditorShot{QStringLiteral("deep work")}));
    EXPECT_EQ(edit->size, QSize(660, 640));
    const std::pair<const char*, CaptureShot::Found> captures[] = {
        {"capture-preview", CaptureShot::Found::items},
        {"capture-preview-empty", CaptureShot::Found::nothing},
        {"capture-preview-overlap", CaptureShot::Found::overlapping}};
    for (const auto& [name, found] : captures) {
        SCOPED_TRACE(name);
        const Shot* shot = find(QLatin1String(name));
        ASSERT_NE(shot, nullptr);
        EXPECT_EQ(shot->view, ShotView(CaptureShot{found}));
        EXPECT_EQ(shot->size, QSize(620, 700));
        EXPECT_EQ(shot->backdrop, Backdrop::cream);
    }
}

TEST(SnapshotCatalogue, fiftyShotsWithTheHeadsUpDisplayAfterTheWindows) {
    EXPECT_EQ(shots().size(), 50u);
    EXPECT_EQ(shots()[35].name, "hud-1-listening-empty");
    EXPECT_EQ(shots().back().name, "addcommand-sheet");
}
