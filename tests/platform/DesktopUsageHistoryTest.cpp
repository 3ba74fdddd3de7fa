// Usage and dock launchers from what the desktop records, over fixture files in a
// private home: GNOME Shell's application state, the recently-used list, GNOME
// favourites (through a stand-in gsettings), KDE and Plank launchers. Missing or
// broken sources are no signal.
#include "platform/linux/DesktopUsageHistory.h"
#include "platform/ProcessRunner.h"

#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::platform;

namespace {

class StubRunner final : public ProcessRunner {
public:
    ProcessResult answer{0, "['firefox-esr.desktop', 'org.gnome.Terminal.desktop']\n", {}};
    QStringList asked;
    ProcessResult run(const QString& program, const QStringList& args, double,
                      const QMap<QString, QString>&) override {
        asked << program + " " + args.join(' ');
        return answer;
    }
};

void write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

void copyFixture(const QString& name, const QString& to) {
    QFile from(QStringLiteral(BRISKLET_TEST_SOURCE_DIR "/platform/fixtures/usage/") + name);
    ASSERT_TRUE(from.open(QIODevice::ReadOnly));
    write(to, from.readAll());
}

AppEntry entry(const test::TempHome& home, const QString& id, const QString& name, const QString& exec) {
    const QString path = home.dataHome() + "/applications/" + id + ".desktop";
    write(path,
          "[Desktop Entry]\nType=Application\nName=" + name.toUtf8() + "\nExec=" + exec.toUtf8() + "\n");
    return {id, name, path};
}

QDateTime utc(const char* iso) {
    return QDateTime::fromString(QLatin1String(iso), Qt::ISODateWithMs);
}

} // namespace

TEST(DesktopUsageHistoryTest, shellStateAndRecentFilesGiveCountsAndLastUse) {
    test::TempHome home;
    copyFixture("application_state", home.dataHome() + "/gnome-shell/application_state");
    copyFixture("recently-used.xbel", home.dataHome() + "/recently-used.xbel");
    const std::vector<AppEntry> apps{
        entry(home, "org.gnome.Terminal", "Terminal", "gnome-terminal"),
        entry(home, "firefox-esr", "Firefox ESR", "/usr/lib/firefox-esr/firefox-esr %u"),
        entry(home, "org.gnome.TextEditor", "Text Editor", "gnome-text-editor %U"),
        entry(home, "libreoffice-writer", "LibreOffice Writer",
              "/usr/lib/libreoffice/program/soffice --writer %U"),
        entry(home, "kitty", "kitty", "kitty")};
    DesktopUsageHistory history(nullptr);
    const auto usage = history.usage(apps);

    EXPECT_EQ(usage.at("org.gnome.Terminal"),
              (UsageSignal{4636, QDateTime::fromSecsSinceEpoch(1772280000, Qt::UTC)}));
    // The larger count and the newer date of the two sources.
    EXPECT_EQ(usage.at("firefox-esr").useCount, 30);
    EXPECT_EQ(usage.at("firefox-esr").lastUsed, QDateTime::fromSecsSinceEpoch(1772100000, Qt::UTC));
    // By the entry's Name, summed over files, newest date kept.
    EXPECT_EQ(usage.at("org.gnome.TextEditor").useCount, 12);
    EXPECT_EQ(usage.at("org.gnome.TextEditor").lastUsed, utc("2026-02-28T09:30:00.123Z"));
    // By the program the list started.
    EXPECT_EQ(usage.at("libreoffice-writer").useCount, 4);
    EXPECT_FALSE(usage.count("kitty"));
    EXPECT_FALSE(usage.count("gimp")) << "not installed";
}

TEST(DesktopUsageHistoryTest, missingOrBrokenFilesAreNoSignal) {
    test::TempHome home;
    const std::vector<AppEntry> apps{entry(home, "kitty", "kitty", "kitty")};
    DesktopUsageHistory history(nullptr);
    EXPECT_TRUE(history.usage(apps).empty());
    write(home.dataHome() + "/gnome-shell/application_state", "<application-state><context><application id=");
    write(home.dataHome() + "/recently-used.xbel", "\xff\xfe garbage");
    EXPECT_TRUE(history.usage(apps).empty());
    EXPECT_TRUE(history.dockIDs().empty());
    const auto state = DesktopUsageHistory::parseApplicationState(
        R"(<application-state><context id=""><application id="broken.desktop" score="lots" last-seen="-5"/></context></application-state>)");
    EXPECT_EQ(state.at("broken"), UsageSignal{});
}

TEST(DesktopUsageHistoryTest, theDockIsTheUnionOfEveryDesktopsLaunchers) {
    test::TempHome home;
    write(home.configHome() + "/plasma-org.kde.plasma.desktop-appletsrc",
          "[Containments][2][Applets][5][Configuration][General]\n"
          "launchers=applications:org.kde.dolphin.desktop,file:///usr/share/applications/kitty.desktop,"
          "preferred://browser\n");
    write(home.configHome() + "/plank/dock1/launchers/code.dockitem",
          "[PlankDockItemPreferences]\nLauncher=file:///usr/share/applications/code.desktop\n");
    write(home.configHome() + "/plank/dock1/launchers/bad.dockitem",
          "[PlankDockItemPreferences]\nLauncher=\n");
    StubRunner runner;
    DesktopUsageHistory history(&runner);
    EXPECT_EQ(history.dockIDs(),
              (std::set<QString>{"firefox-esr", "org.gnome.Terminal", "org.kde.dolphin", "kitty", "code"}));
    EXPECT_EQ(runner.asked, QStringList{"gsettings get org.gnome.shell favorite-apps"});
    runner.answer = {1, "", "No such schema"};
    EXPECT_EQ(history.dockIDs().count("firefox-esr"), 0u) << "a failed gsettings is no signal";
}

TEST(DesktopUsageHistoryTest, gsettingsListsAndXbelProgramsAreReadStrictly) {
    EXPECT_EQ(DesktopUsageHistory::parseFavoriteApps("@as []\n"), QStringList{});
    EXPECT_EQ(DesktopUsageHistory::parseFavoriteApps("['a.desktop', 'not-an-entry', 'b.c.desktop']"),
              (QStringList{"a", "b.c"}));
    EXPECT_EQ(DesktopUsageHistory::xbelProgram("'/usr/bin/gedit %u'"), "gedit");
    EXPECT_EQ(DesktopUsageHistory::xbelProgram("\"%u\""), "");
    EXPECT_EQ(DesktopUsageHistory::xbelProgram(""), "");
}
