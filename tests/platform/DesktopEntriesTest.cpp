#include "platform/linux/DesktopEntries.h"
#include "platform/linux/XdgInstalledApps.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet::platform;

namespace {

void writeFile(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QByteArray app(const QByteArray& name, const QByteArray& extra = {}) {
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + name.toLower() + " %U\n" + extra;
}

std::vector<QString> ids(const std::vector<DesktopEntry>& entries) {
    std::vector<QString> out;
    for (const auto& e : entries)
        out.push_back(e.id);
    return out;
}

} // namespace

TEST(DesktopEntries, ParsesOnlyTheDesktopEntryGroupWithEscapesAndComments) {
    const QByteArray text = "# a comment\n"
                            "Name=Outside\n"
                            "[Desktop Entry]\n"
                            "Type=Application\n"
                            "# Name=Commented\n"
                            "Name = Text\\sEditor\\\\x\n"
                            "Name[de]=Texteditor\n"
                            "Name[de_DE]=Texteditor DE\n"
                            "Exec=\"/opt/my apps/edit\" --file %F\n"
                            "TryExec=/opt/edit\n"
                            "StartupWMClass=EditWin\n"
                            "NoDisplay=true\n"
                            "[Desktop Action New]\n"
                            "Name=New Window\n"
                            "Exec=other\n";
    auto entry = parseDesktopText(text, "/x/edit.desktop", "edit", DesktopLocale{});
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "Text Editor\\x");
    EXPECT_EQ(entry->execProgram(), "edit");
    EXPECT_EQ(entry->execArguments(), QStringList({"/opt/my apps/edit", "--file", "%F"}));
    EXPECT_EQ(entry->tryExec, "/opt/edit");
    EXPECT_EQ(entry->startupWMClass, "EditWin");
    EXPECT_TRUE(entry->noDisplay);
    EXPECT_FALSE(entry->isListed());

    EXPECT_EQ(parseDesktopText(text, "", "edit", DesktopLocale::parse("de_DE.UTF-8"))->name, "Texteditor DE");
    EXPECT_EQ(parseDesktopText(text, "", "edit", DesktopLocale::parse("de_AT.UTF-8@euro"))->name,
              "Texteditor");
    EXPECT_EQ(parseDesktopText(text, "", "edit", DesktopLocale::parse("fr_FR"))->name, "Text Editor\\x");
    EXPECT_FALSE(parseDesktopText("Name=x\n", "", "x", DesktopLocale{}));
}

TEST(DesktopEntries, LocaleCandidatesGoFromSpecificToPlain) {
    EXPECT_EQ(DesktopLocale::parse("sr_RS.UTF-8@latin").candidates(),
              QStringList({"sr_RS@latin", "sr_RS", "sr@latin", "sr"}));
    EXPECT_TRUE(DesktopLocale::parse("C.UTF-8").candidates().isEmpty());
    EXPECT_TRUE(DesktopLocale::parse("POSIX").candidates().isEmpty());
}

TEST(DesktopEntries, LaunchArgumentsExpandFieldCodesWithoutAShell) {
    DesktopEntry e;
    e.name = "Viewer";
    e.path = "/a/viewer.desktop";
    e.icon = "viewer";
    e.exec = "viewer %i --name=%c %f 100%% %d";
    EXPECT_EQ(e.launchArguments({"file:///tmp/a b.png", "https://x.org/"}),
              QStringList({"viewer", "--icon", "viewer", "--name=Viewer", "/tmp/a b.png", "100%"}));
    // A web address is no local file: %f drops it.
    EXPECT_EQ(e.launchArguments({"https://x.org/"}),
              QStringList({"viewer", "--icon", "viewer", "--name=Viewer", "100%"}));
    e.exec = "browser --new %U";
    EXPECT_EQ(e.launchArguments({"https://a", "https://b"}),
              QStringList({"browser", "--new", "https://a", "https://b"}));
    EXPECT_EQ(e.launchArguments(), QStringList({"browser", "--new"}));
    e.exec = "sh -c \"echo \\\"$HOME\\\"\" %k";
    EXPECT_EQ(e.launchArguments(), QStringList({"sh", "-c", "echo \"$HOME\"", "/a/viewer.desktop"}));
    e.exec = "broken \"open";
    EXPECT_TRUE(e.launchArguments().isEmpty());
}

TEST(DesktopEntries, LaunchArgumentsPassOnlyRealFilesAndNeverRunAnAddress) {
    DesktopEntry e;
    e.exec = "viewer %F";
    // Only absolute paths and file: addresses are files; nothing may pass as an option.
    EXPECT_EQ(
        e.launchArguments({"-rf", "--exec=evil", "notes.txt", "/tmp/a.txt", "file:///tmp/b.txt", "file:-x"}),
        QStringList({"viewer", "/tmp/a.txt", "/tmp/b.txt"}));
    e.exec = "viewer %f";
    EXPECT_EQ(e.launchArguments({"--help", "/tmp/a.txt"}), QStringList({"viewer", "/tmp/a.txt"}));
    EXPECT_EQ(e.launchArguments({"--help"}), QStringList({"viewer"}));
    e.exec = "browser %U";
    EXPECT_EQ(e.launchArguments({"-x", "https://a"}), QStringList({"browser", "https://a"}));
    // The program itself must be named: a field code in its place runs nothing.
    for (const char* exec : {"%u", "%U", "%f", "%F", "%k x", "\"%u\" --new"}) {
        e.exec = exec;
        EXPECT_TRUE(e.launchArguments({"/usr/bin/xterm"}).isEmpty()) << exec;
    }
}

class DesktopTree : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString home() const { return dir.path() + "/home/applications"; }
    QString sys() const { return dir.path() + "/sys/applications"; }
    QString local() const { return dir.path() + "/local/applications"; }
};

TEST_F(DesktopTree, FirstIdWinsHiddenClaimsAndSubFoldersGiveDashedIds) {
    writeFile(home() + "/firefox.desktop", app("Firefox Home"));
    writeFile(sys() + "/firefox.desktop", app("Firefox System"));
    writeFile(home() + "/gone.desktop", "[Desktop Entry]\nType=Application\nName=Gone\nHidden=true\n");
    writeFile(sys() + "/gone.desktop", app("Gone System"));
    writeFile(sys() + "/quiet.desktop", app("Quiet", "NoDisplay=true\n"));
    writeFile(sys() + "/link.desktop", "[Desktop Entry]\nType=Link\nName=Site\nURL=https://a\n");
    writeFile(sys() + "/kde4/konsole.desktop", app("Konsole", "StartupWMClass=konsole\n"));
    writeFile(sys() + "/a/b/deep.desktop", app("Deep"));
    writeFile(sys() + "/notes.txt", "x");
    writeFile(local() + "/code.desktop", app("Code", "StartupWMClass=Code\n"));
    writeFile(local() + "/firefox.desktop", app("Firefox Local"));

    auto entries = DesktopEntries::scan({home(), sys(), local()}, DesktopLocale{});
    const std::vector<QString> listed = ids(entries->listed());
    EXPECT_EQ(listed, std::vector<QString>({"firefox", "kde4-konsole", "code"}));
    EXPECT_EQ(entries->byId("firefox")->name, "Firefox Home");
    EXPECT_EQ(entries->byId("gone"), nullptr);
    ASSERT_NE(entries->byId("quiet"), nullptr); // owns windows even when not listed
    EXPECT_EQ(entries->byStartupWMClass("KONSOLE")->id, "kde4-konsole");
    EXPECT_EQ(entries->byStartupWMClass("code")->id, "code");
    EXPECT_EQ(entries->byExecProgram("/usr/lib/code")->id, "code");
    EXPECT_EQ(entries->byExecProgram("nothing"), nullptr);
    EXPECT_EQ(entries->byIdIgnoringCase("CODE")->id, "code");
    EXPECT_EQ(entries->byId("CODE"), nullptr);
}

TEST_F(DesktopTree, InstalledAppsReadTheXdgFoldersFromTheEnvironment) {
    writeFile(home() + "/editor.desktop", app("Editor", "Name[de]=Bearbeiter\n"));
    writeFile(sys() + "/editor.desktop", app("Other Editor"));
    writeFile(sys() + "/term.desktop", app("Term"));
    const QByteArray oldHome = qgetenv("XDG_DATA_HOME"), oldDirs = qgetenv("XDG_DATA_DIRS"),
                     oldLang = qgetenv("LANG"), oldAll = qgetenv("LC_ALL"), oldMsg = qgetenv("LC_MESSAGES");
    qputenv("XDG_DATA_HOME", (dir.path() + "/home").toUtf8());
    qputenv("XDG_DATA_DIRS", (dir.path() + "/sys:relative/path:" + dir.path() + "/sys/").toUtf8());
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    qputenv("LANG", "de_DE.UTF-8");
    XdgInstalledApps installed;
    const auto apps = installed.installedApps();
    qputenv("XDG_DATA_HOME", oldHome);
    qputenv("XDG_DATA_DIRS", oldDirs);
    qputenv("LANG", oldLang);
    if (!oldAll.isEmpty())
        qputenv("LC_ALL", oldAll);
    if (!oldMsg.isEmpty())
        qputenv("LC_MESSAGES", oldMsg);

    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0], (AppEntry{"editor", "Bearbeiter", home() + "/editor.desktop"}));
    EXPECT_EQ(apps[1].id, "term");
    EXPECT_EQ(installed.entries()->byId("term")->name, "Term");
}

TEST(DesktopEntries, TheRealMachineHasEntries) {
    // The test machine ships a few entries (the window manager's among them).
    XdgInstalledApps installed;
    const auto apps = installed.installedApps();
    EXPECT_FALSE(apps.empty());
    for (const auto& a : apps) {
        EXPECT_FALSE(a.id.isEmpty());
        EXPECT_FALSE(a.name.isEmpty());
        EXPECT_TRUE(QFile::exists(a.path)) << a.path.toStdString();
    }
}
