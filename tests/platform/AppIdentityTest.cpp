#include "platform/linux/AppIdentity.h"
#include "platform/linux/LinuxAppLauncher.h"
#include "platform/linux/X11WindowSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace brisklet::platform;

namespace {

void write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

class AppIdentityTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::shared_ptr<const DesktopEntries> entries;
    QString apps() const { return dir.path() + "/applications"; }
    QString proc() const { return dir.path() + "/proc"; }

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        auto entry = [&](const QString& id, const QByteArray& extra) {
            write(apps() + "/" + id + ".desktop",
                  "[Desktop Entry]\nType=Application\nName=" + id.toUtf8() + " app\n" + extra);
        };
        entry("firefox-esr", "Exec=/usr/lib/firefox-esr/firefox-esr %u\n");
        entry("code", "Exec=/usr/share/code/code --unity-launch %F\nStartupWMClass=Code\n");
        entry("org.gnome.TextEditor", "Exec=gnome-text-editor %U\n");
        entry("org.example.Viewer", "Exec=viewer-bin\nStartupWMClass=FancyViewer\n");
        entry("com.spotify.Client", "Exec=spotify\n");
        entry("spotify_spotify", "Exec=spotify\n");
        // As a terminal's package installs it: an ID that is not its program's name,
        // and a class that many windows carry in their instance.
        entry("debian-xterm", "Exec=xterm\nStartupWMClass=XTerm\n");
        entries = DesktopEntries::scan({apps()}, DesktopLocale::parse("C"));
    }
    AppIdentity identity() {
        return AppIdentity([this] { return entries; }, proc());
    }
};

} // namespace

TEST_F(AppIdentityTest, cgroupScopesNameTheirApplication) {
    auto known = [&](const QString& id) { return entries->byId(id) != nullptr; };
    struct Case {
        const char* line;
        const char* id;
    };
    const Case cases[] = {
        {"0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-gnome-firefox\\x2desr-4242.scope",
         "firefox-esr"},
        {"0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-gnome-org.gnome.TextEditor-77.scope",
         "org.gnome.TextEditor"},
        {"0::/user.slice/app.slice/app-dbus\\x2d:1.2\\x2dorg.gnome.TextEditor@3.service", ""},
        {"0::/app.slice/app-org.gnome.TextEditor@9f1e.service", "org.gnome.TextEditor"},
        {"0::/user.slice/app.slice/app-flatpak-com.spotify.Client-31337.scope", "com.spotify.Client"},
        {"0::/user.slice/user@1000.service/app.slice/snap.spotify.spotify-1a2b.scope", "spotify_spotify"},
        {"0::/user.slice/user@1000.service/app.slice/app-gnome-unknown-12.scope", ""},
        {"0::/init.scope", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AppIdentity::idFromCgroup(QString::fromUtf8(c.line), known), QString(c.id)) << c.line;
}

TEST_F(AppIdentityTest, windowsMapToEntriesInTheOrderOfTheRules) {
    auto id = identity();
    // The GTK application ID first.
    EXPECT_EQ(id.resolve({0, "gnome-text-editor", "Gnome-text-editor", "org.gnome.TextEditor"}).id,
              "org.gnome.TextEditor");
    // A systemd scope of the process.
    write(proc() + "/4242/cgroup", "0::/app.slice/app-gnome-firefox\\x2desr-4242.scope\n");
    EXPECT_EQ(id.resolve({4242, "Navigator", "Navigator", {}}).id, "firefox-esr");
    // A Flatpak's own record.
    write(proc() + "/5000/root/.flatpak-info", "[Application]\nname=com.spotify.Client\n");
    EXPECT_EQ(id.resolve({5000, "spotify", "Spotify", {}}).id, "com.spotify.Client");
    // WM_CLASS against StartupWMClass, then against the ID, ignoring case.
    const auto viewer = id.resolve({0, "viewer", "FancyViewer", {}});
    EXPECT_EQ(viewer.id, "org.example.Viewer");
    EXPECT_EQ(viewer.name, "org.example.Viewer app");
    EXPECT_EQ(id.resolve({0, "code", "Code", {}}).id, "code");
    EXPECT_EQ(id.resolve({0, "Navigator", "Firefox-esr", {}}).id, "firefox-esr");
    // A GTK program without its application ID on the window: the toolkit capitalises
    // the ID's first letter for the class.
    EXPECT_EQ(id.resolve({0, "gnome-text-editor", "Org.gnome.TextEditor", {}}).id, "org.gnome.TextEditor");
    // A launch of ours, by the startup id the process's environment carries (a
    // wrapper script's program inherits it): before the executable, after the class.
    id.noteLaunch("brisklet-1-2-3", "org.gnome.TextEditor");
    write(proc() + "/6100/environ", QByteArrayLiteral("HOME=/h\0DESKTOP_STARTUP_ID=brisklet-1-2-3\0"));
    write(proc() + "/6200/environ", QByteArrayLiteral("DESKTOP_STARTUP_ID=brisklet-1-2-4\0"));
    QDir().mkpath(proc() + "/6000");
    for (const char* pid : {"6000", "6100", "6200"})
        ASSERT_TRUE(QFile::link("/usr/local/bin/viewer-bin", proc() + "/" + pid + "/exe"));
    const auto launched = id.resolve({6100, "xterm", "Ledgerwin", {}});
    EXPECT_EQ(launched.id, "org.gnome.TextEditor") << "the instance named the terminal's entry";
    EXPECT_EQ(launched.name, "org.gnome.TextEditor app");
    EXPECT_EQ(id.resolve({6100, "viewer", "FancyViewer", {}}).id, "org.example.Viewer");
    EXPECT_EQ(id.resolve({6100, "xterm", "XTerm", {}}).id, "debian-xterm") << "a terminal started inside";
    // The instance against StartupWMClass or the ID, ignoring case: a plain terminal,
    // or one whose process no launch of ours started.
    EXPECT_EQ(id.resolve({0, "xterm", "XTerm", {}}).id, "debian-xterm");
    EXPECT_EQ(id.resolve({6200, "xterm", "Ledgerwin", {}}).id, "debian-xterm") << "another launch's";
    EXPECT_EQ(id.resolve({6200, "Code", "Workspace", {}}).id, "code");
    // The executable's name against Exec's program.
    EXPECT_EQ(id.resolve({6200, "ledger", "Ledgerwin", {}}).id, "org.example.Viewer") << "another launch's";
    EXPECT_EQ(id.resolve({6000, "vb", "Vb", {}}).id, "org.example.Viewer");
    // Else the instance itself, with no entry.
    const auto stranger = id.resolve({0, "xeyes", "XEyes", {}});
    EXPECT_EQ(stranger.id, "xeyes");
    EXPECT_EQ(stranger.name, "XEyes");
    EXPECT_TRUE(id.pathOf("xeyes").isEmpty());
    EXPECT_TRUE(id.pathOf("code").endsWith("/applications/code.desktop"));
}

TEST(DetachedLaunch, startsTheProgramAndReportsAMissingOne) {
    QTemporaryDir dir;
    const QString marker = dir.path() + "/started";
    const auto ok = LinuxAppLauncher::spawnDetached({"touch", marker});
    ASSERT_TRUE(ok.ok) << ok.error.toStdString();
    EXPECT_GT(ok.pid, 1);
    for (int i = 0; i < 200 && !QFile::exists(marker); ++i)
        QThread::msleep(10);
    EXPECT_TRUE(QFile::exists(marker));

    const auto missing = LinuxAppLauncher::spawnDetached({dir.path() + "/no-such-program"});
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.isEmpty());
    EXPECT_FALSE(LinuxAppLauncher::spawnDetached({}).ok);
}

TEST(DetachedLaunch, argumentsReachTheProgramAsTheyAreWithoutAShell) {
    QTemporaryDir dir;
    const QString out = dir.path() + "/out";
    // A shell would expand the variable and split at the blank; we pass both through.
    const auto r = LinuxAppLauncher::spawnDetached({"cp", "/dev/null", out + " $HOME"});
    ASSERT_TRUE(r.ok);
    for (int i = 0; i < 200 && !QFile::exists(out + " $HOME"); ++i)
        QThread::msleep(10);
    EXPECT_TRUE(QFile::exists(out + " $HOME"));
}

TEST(X11WindowSystemOffline, withoutADisplayThereIsStillOneScreen) {
    X11WindowSystem ws(":7777", QRect(0, 0, 1280, 800));
    EXPECT_FALSE(ws.isConnected());
    const auto displays = ws.displays();
    ASSERT_EQ(displays.size(), 1u);
    EXPECT_EQ(displays[0].id, 1u);
    EXPECT_EQ(displays[0].frame, QRectF(0, 0, 1280, 800));
    EXPECT_EQ(displays[0].visibleFrame, QRectF(0, 0, 1280, 800));
    EXPECT_TRUE(ws.windows().empty());
    EXPECT_FALSE(ws.setFrame(0x400001, QRectF(0, 0, 10, 10)));
    EXPECT_FALSE(ws.activeWindow().has_value());
}
