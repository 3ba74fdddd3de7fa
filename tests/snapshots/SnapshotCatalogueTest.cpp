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
