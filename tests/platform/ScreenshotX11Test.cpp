#include "platform/linux/LinuxSystemActions.h"
#include "platform/linux/PosixProcessRunner.h"
#include "support/X11Session.h"

#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet::platform;

TEST(Screenshot, writesThePictureOfTheWholeScreenAndNeverReplacesOne) {
    brisklet::test::X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    QTemporaryDir dir;
    PosixProcessRunner runner;
    LinuxSystemActions actions(runner, {dir.path() + "/Desktop", {}});

    // Earlier shots of this second and the next are there already.
    QDir().mkpath(dir.path() + "/Desktop");
    const QDateTime now = QDateTime::currentDateTime();
    QStringList taken;
    for (int s = 0; s < 2; ++s) {
        const QString path =
            dir.path() + "/Desktop/" +
            LinuxSystemActions::screenshotName(now.addSecs(s).toString("yyyyMMdd-HHmmss"), 1);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("earlier");
        taken << path;
    }

    auto path = actions.screenshot();
    ASSERT_TRUE(path.has_value());
    EXPECT_TRUE(path->endsWith("-2.png")) << path->toStdString();
    QImage image(*path);
    EXPECT_EQ(image.size(), QSize(1920, 1080));
    for (const QString& earlier : taken) {
        QFile f(earlier);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), "earlier");
    }
}
