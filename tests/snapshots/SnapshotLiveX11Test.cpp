// The snapshot mode's live variant on the test desktop: each window is shown on
// the real display behind everything else, grabbed once it has drawn, and taken
// away; the pictures come out at their sizes on their backdrops all the same.
#include "snapshots/SnapshotCatalogue.h"

#include "SnapshotProgram.h"
#include "support/X11Session.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::SnapshotCatalogue;
using namespace brisklet::test;

TEST(SnapshotLiveX11Test, everyShotIsGrabbedFromItsWindowOnTheDisplay) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    QTemporaryDir home;
    const QString folder = home.path() + "/live";
    QProcessEnvironment env = SnapshotProgram::environment(home.path(), folder);
    env.insert("DISPLAY", qEnvironmentVariable("DISPLAY"));
    env.insert("BRISKLET_SNAPSHOT_LIVE", "1");
    const SnapshotProgram result = SnapshotProgram::run(env);

    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, QStringLiteral("SNAPSHOTS WRITTEN: %1 -> %2\n").arg(shots().size()).arg(folder));
    EXPECT_TRUE(result.errors.isEmpty()) << result.errors.join('\n').toStdString();
    for (const Shot& shot : shots()) {
        SCOPED_TRACE(shot.name.toStdString());
        const QImage image(folder + '/' + shot.name + ".png");
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), shot.size);
    }
    const QImage home1(folder + "/home-1-home-warm.png");
    EXPECT_EQ(QColor(home1.pixel(home1.width() - 1, 0)), QColor(247, 244, 239))
        << "the canvas, not the desktop";
    const QImage hud(folder + "/hud-3-heard.png");
    const QColor corner(hud.pixel(0, 0));
    EXPECT_NEAR(corner.red(), 33, 3);
    EXPECT_NEAR(corner.blue(), 66, 3);
}
