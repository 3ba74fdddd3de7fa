#include "platform/linux/AppIdentity.h"
#include "platform/linux/LinuxAppLauncher.h"
#include "platform/linux/LinuxDesktop.h"
#include "platform/linux/X11WindowSystem.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

using namespace brisklet::platform;

namespace {

void write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

// The child of process `pid` once it runs `program`; 0 when none came to.
qint64 childRunning(qint64 pid, const QString& program) {
    qint64 child = 0;
    const bool came = brisklet::test::waitFor(
        [&] {
            QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
            child = children.open(QIODevice::ReadOnly)
                        ? children.readAll().trimmed().split(' ').front().toLongLong()
                        : 0;
            return child > 0 && QFileInfo(QStringLiteral("/proc/%1/exe").arg(child))
                                    .symLinkTarget()
                                    .endsWith("/" + program);
        },
        10000);
    return came ? child : 0;
}

// Kills the processes a test started, the last first.
struct Processes {
    std::vector<qint64> pids;
    ~Processes() {
        for (auto it = pids.rbegin(); it != pids.rend(); ++it)
            ::kill(static_cast<pid_t>(*it), SIGKILL);
    }
};

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
    // Replaces the entry `id` and scans again.
    void install(const QString& id, const QByteArray& text) {
        write(apps() + "/" + id + ".desktop", "[Desktop Entry]\nType=Application\n" + text);
        entries = DesktopEntries::scan({apps()}, DesktopLocale::parse("C"));
    }
    // Starts `script` under sh as a menu starts the entry `id`: the launch's
    // variables set for the started process itself, which the script's programs
    // inherit. The started process's pid, 0 when it did not start.
    qint64 startAsTheMenu(QProcess& process, const QString& id, const QString& script) {
        process.start(
            "sh",
            {"-c",
             "export GIO_LAUNCHED_DESKTOP_FILE=\"$0\" GIO_LAUNCHED_DESKTOP_FILE_PID=$$; exec sh -c \"$1\"",
             apps() + "/" + id + ".desktop", script});
        return process.waitForStarted() ? process.processId() : 0;
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
    // The launch of an entry, by the variables the process's environment carries (a
    // wrapper script's program inherits them from the script, which they were set
    // for): before the executable, after the class.
    write(proc() + "/6050/stat", "6050 (sh) S 1 6000 6000 0 -1\n");
    write(proc() + "/6100/stat", "6100 (xterm) S 6050 6000 6000 0 -1\n");
    write(proc() + "/6100/environ",
          QByteArrayLiteral("HOME=/h\0GIO_LAUNCHED_DESKTOP_FILE=") + apps().toUtf8() +
              QByteArrayLiteral("/org.gnome.TextEditor.desktop\0GIO_LAUNCHED_DESKTOP_FILE_PID=6050\0"));
    write(proc() + "/6200/stat", "6200 (xterm) S 1 6200 6200 0 -1\n");
    write(proc() + "/6200/environ",
          QByteArrayLiteral(
              "GIO_LAUNCHED_DESKTOP_FILE=/elsewhere/ledger.desktop\0GIO_LAUNCHED_DESKTOP_FILE_PID=6200\0"));
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

TEST_F(AppIdentityTest, aWrapperStartedAppIsItsEntryStillAfterARestart) {
    // Ledger's program runs under a shell that stays on, with the terminal's
    // instance and a class of its own.
    install("ledger", "Name=Ledger\nExec=sh -c \"sleep 60; true\"\n");
    auto before = std::make_unique<LinuxDesktop>([this] { return entries; });
    const auto launch = before->launcher().launch("ledger");
    ASSERT_TRUE(launch.ok) << launch.error.toStdString();
    Processes started{{launch.pid}};
    const qint64 program = childRunning(launch.pid, "sleep");
    ASSERT_GT(program, 0);
    started.pids.push_back(program);
    const X11WindowSystem::IdentityQuery window{program, "xterm", "Ledgerwin", {}};
    EXPECT_EQ(before->identity().resolve(window).id, "ledger");

    before.reset();
    LinuxDesktop after([this] { return entries; });
    const auto found = after.identity().resolve(window);
    EXPECT_EQ(found.id, "ledger") << "the instance named the terminal's entry";
    EXPECT_EQ(found.name, "Ledger");
}

TEST_F(AppIdentityTest, aProcessIsTheEntryItsEnvironmentSaysTheDesktopStartedItThrough) {
    install("ledger", "Name=Ledger\nExec=sh -c \"sleep 60; true\"\n");
    QProcess menu;
    const qint64 wrapper = startAsTheMenu(menu, "ledger", "sleep 60; true");
    ASSERT_GT(wrapper, 0);
    Processes started{{wrapper}};
    const qint64 program = childRunning(wrapper, "sleep");
    ASSERT_GT(program, 0);
    started.pids.push_back(program);
    AppIdentity id([this] { return entries; });
    EXPECT_EQ(id.resolve({program, "xterm", "Ledgerwin", {}}).id, "ledger");
    EXPECT_EQ(id.resolve({wrapper, "sh", "Sh", {}}).id, "ledger");

    // The variables passed on to a process that the launched one did not start (as
    // a launcher's own reach whatever it starts apart from itself) name nothing.
    QProcess stray;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("GIO_LAUNCHED_DESKTOP_FILE", apps() + "/ledger.desktop");
    environment.insert("GIO_LAUNCHED_DESKTOP_FILE_PID", QString::number(wrapper));
    stray.setProcessEnvironment(environment);
    stray.start("sleep", {"60"});
    ASSERT_TRUE(stray.waitForStarted());
    EXPECT_EQ(id.resolve({stray.processId(), "xterm", "Ledgerwin", {}}).id, "debian-xterm");
}

TEST_F(AppIdentityTest, aProgramRunInsideALaunchedTerminalIsWhatItsClassSays) {
    // The terminal runs what it starts in a session of its own, as it does its shell.
    install("debian-xterm", "Name=XTerm\nExec=sh -c \"setsid sleep 60; true\"\nStartupWMClass=XTerm\n");
    LinuxDesktop desktop([this] { return entries; });
    const auto ours = desktop.launcher().launch("debian-xterm");
    ASSERT_TRUE(ours.ok) << ours.error.toStdString();
    QProcess menu;
    const qint64 theMenus = startAsTheMenu(menu, "debian-xterm", "setsid sleep 60; true");
    ASSERT_GT(theMenus, 0);
    Processes started{{ours.pid, theMenus}};
    for (const qint64 terminal : {ours.pid, theMenus}) {
        const qint64 program = childRunning(terminal, "sleep");
        ASSERT_GT(program, 0);
        started.pids.push_back(program);
        auto& id = desktop.identity();
        EXPECT_EQ(id.resolve({terminal, "term", "Term", {}}).id, "debian-xterm") << "the terminal itself";
        const auto inside = id.resolve({program, "xeyes", "XEyes", {}});
        EXPECT_EQ(inside.id, "xeyes") << (terminal == ours.pid ? "ours" : "the menu's");
        EXPECT_TRUE(id.pathOf(inside.id).isEmpty());
        EXPECT_EQ(id.resolve({program, "xterm", "XTerm", {}}).id, "debian-xterm");
    }
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
