// Icons of desktop entries from a private XDG tree: a theme name found in the
// icon theme, an absolute path (PNG and SVG), a name only the pixmaps folder holds,
// and the entries that have no icon that loads.
#include "platform/linux/XdgAppIcons.h"

#include "platform/linux/XdgIconTheme.h"
#include "platform/linux/XdgInstalledApps.h"
#include "support/FileFaults.h"
#include "support/ScopedEnv.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void writePng(const QString& path, const QColor& colour, int size = 48) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(path));
}

void writeEntry(const QString& data, const QString& id, const QString& icon) {
    QByteArray text = "[Desktop Entry]\nType=Application\nName=" + id.toUtf8() + "\nExec=true\n";
    if (!icon.isNull())
        text += "Icon=" + icon.toUtf8() + "\n";
    writeFile(data + "/applications/" + id + ".desktop", text);
}

QColor centre(const QImage& image) {
    return QColor::fromRgba(image.pixel(image.width() / 2, image.height() / 2));
}

} // namespace

TEST(XdgAppIconsUiTest, entriesIconsComeFromTheThemeAPathOrThePixmapsFolder) {
    QTemporaryDir dir;
    const QString data = dir.filePath("data");
    const QString system = dir.filePath("system");
    ScopedEnv home("XDG_DATA_HOME", data.toUtf8());
    ScopedEnv dirs("XDG_DATA_DIRS", system.toUtf8());

    writeFile(
        system + "/icons/hicolor/index.theme",
        "[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps\n\n[48x48/apps]\nSize=48\nType=Threshold\n");
    writePng(system + "/icons/hicolor/48x48/apps/org.example.themed.png", Qt::red);
    writeEntry(data, "org.example.Themed", "org.example.themed");
    writeEntry(data, "org.example.FileName", "org.example.themed.png");
    writePng(dir.filePath("own icon.png"), Qt::green, 128);
    writeEntry(data, "org.example.Path", dir.filePath("own icon.png"));
    writeFile(dir.filePath("vector.svg"), "<svg xmlns='http://www.w3.org/2000/svg' width='16' height='16'>"
                                          "<rect width='16' height='16' fill='#0000ff'/></svg>");
    writeEntry(data, "org.example.Vector", dir.filePath("vector.svg"));
    writePng(system + "/pixmaps/org.example.pix.png", Qt::yellow, 32);
    writeEntry(data, "org.example.Pixmap", "org.example.pix");
    writeEntry(data, "org.example.NoIcon", QString());
    writeEntry(data, "org.example.Missing", "no-such-icon-anywhere");
    writeEntry(data, "org.example.Relative", "icons/../secret");

    platform::XdgInstalledApps installed;
    platform::XdgAppIcons icons(installed);

    const QImage themed = icons.icon("org.example.Themed", 64);
    ASSERT_FALSE(themed.isNull());
    EXPECT_LE(themed.width(), 64);
    EXPECT_EQ(centre(themed).rgb(), QColor(Qt::red).rgb());
    EXPECT_EQ(centre(icons.icon("org.example.FileName", 64)).rgb(), QColor(Qt::red).rgb())
        << "a file name stands for the icon's name";

    const QImage path = icons.icon("org.example.Path", 64);
    ASSERT_FALSE(path.isNull());
    EXPECT_EQ(path.size(), QSize(64, 64)) << "scaled to the size asked for";
    EXPECT_EQ(centre(path).rgb(), QColor(Qt::green).rgb());

    const QImage vector = icons.icon("org.example.Vector", 64);
    ASSERT_FALSE(vector.isNull()) << "SVG needs the image format plugin";
    EXPECT_EQ(vector.size(), QSize(64, 64)) << "drawn at the size, not scaled up";
    EXPECT_EQ(centre(vector).rgb(), QColor(Qt::blue).rgb());

    EXPECT_EQ(centre(icons.icon("org.example.Pixmap", 64)).rgb(), QColor(Qt::yellow).rgb());

    EXPECT_TRUE(icons.icon("org.example.NoIcon", 64).isNull());
    EXPECT_TRUE(icons.icon("org.example.Missing", 64).isNull());
    EXPECT_TRUE(icons.icon("org.example.Relative", 64).isNull()) << "a relative path is no name";
    EXPECT_TRUE(icons.icon("org.example.NotInstalled", 64).isNull());
    EXPECT_TRUE(icons.icon("", 64).isNull());
}

TEST(XdgAppIconsUiTest, pipesNamedAsIconsEntriesOrThemeFilesAreNeverOpened) {
    QTemporaryDir dir;
    const QString data = dir.filePath("data");
    const QString system = dir.filePath("system");
    ScopedEnv home("XDG_DATA_HOME", data.toUtf8());
    ScopedEnv dirs("XDG_DATA_DIRS", system.toUtf8());
    QDir().mkpath(system + "/pixmaps");
    QDir().mkpath(data + "/applications");
    QDir().mkpath(data + "/icons/hicolor");
    QDir().mkpath(system + "/icons/hicolor/64x64/apps");
    writeFile(system + "/icons/hicolor/index.theme",
              "[Icon Theme]\nName=Hicolor\nDirectories=64x64/apps\n\n[64x64/apps]\nSize=64\nType=Fixed\n");
    writePng(system + "/icons/hicolor/64x64/apps/org.example.fine.png", Qt::red, 64);
    const QStringList pipes{dir.filePath("icon.png"), system + "/pixmaps/org.example.pipe.png",
                            data + "/applications/org.example.PipeEntry.desktop",
                            system + "/icons/hicolor/64x64/apps/org.example.pipe.png",
                            // searched before the theme's real index
                            data + "/icons/hicolor/index.theme"};
    for (const QString& pipe : pipes)
        ASSERT_TRUE(makePipe(pipe));
    writeEntry(data, "org.example.Path", dir.filePath("icon.png"));
    writeEntry(data, "org.example.Pixmap", "org.example.pipe");

    // Each of these would wait for a writer if it opened a pipe.
    PipeRescue rescue(pipes);
    platform::XdgInstalledApps installed;
    platform::XdgAppIcons icons(installed);
    EXPECT_TRUE(icons.icon("org.example.Path", 64).isNull());
    EXPECT_TRUE(icons.icon("org.example.Pixmap", 64).isNull());
    EXPECT_TRUE(icons.icon("org.example.PipeEntry", 64).isNull());
    EXPECT_EQ(centre(platform::XdgAppIcons::iconFor("org.example.fine", 64)).rgb(), QColor(Qt::red).rgb())
        << "the theme is still found through its readable index";
    EXPECT_FALSE(rescue.finish()) << "a lookup waited on a pipe";
}

// Sizes past what an int holds once a threshold or scale is applied, and a largest
// size below zero: none of those folders fits, and the one that does is still found.
TEST(XdgAppIconsUiTest, aThemesOutlandishSizesNeverHideTheFolderThatFits) {
    QTemporaryDir dir;
    const QString theme = dir.filePath("icons/hicolor");
    writeFile(theme + "/index.theme",
              "[Icon Theme]\nName=Hicolor\nDirectories=below,scaled,huge,1024x1024\n\n"
              "[below]\nSize=48\nType=Scalable\nMaxSize=-2147483000\n\n"
              "[scaled]\nSize=2000000000\nScale=4\n\n"
              "[huge]\nSize=2147483647\nThreshold=-5\n\n"
              "[1024x1024]\nSize=1024\nType=Fixed\n");
    for (const char* folder : {"below", "scaled", "huge", "1024x1024"})
        writePng(theme + "/" + folder + "/org.example.app.png", Qt::red);
    EXPECT_EQ(platform::XdgIconTheme::find("org.example.app", 1024, "hicolor", {dir.filePath("icons")})
                  .toStdString(),
              (theme + "/1024x1024/org.example.app.png").toStdString());
}
