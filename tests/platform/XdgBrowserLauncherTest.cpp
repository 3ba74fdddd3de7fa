#include "platform/linux/XdgBrowserLauncher.h"
#include "support/DesktopEntryFixture.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

using namespace brisklet::platform;

TEST(XdgBrowserLauncher, putsTheArgumentsWhereTheEntryTakesUrls) {
    const struct {
        const char* exec;
        QStringList expected;
    } cases[] = {
        {"/usr/lib/firefox-esr/firefox-esr %u",
         {"/usr/lib/firefox-esr/firefox-esr", "--new-window", "https://a", "https://b"}},
        {"chromium %U", {"chromium", "--new-window", "https://a", "https://b"}},
        {"epiphany", {"epiphany", "--new-window", "https://a", "https://b"}},
        {"flatpak run --file-forwarding org.mozilla.firefox @@u %u @@",
         {"flatpak", "run", "--file-forwarding", "org.mozilla.firefox", "@@u", "--new-window", "https://a",
          "https://b", "@@"}},
        {"browser %F", {"browser", "--new-window", "https://a", "https://b"}},
        {"browser --url=%u", {"browser", "--new-window", "https://a", "https://b"}},
    };
    for (const auto& c : cases) {
        const QByteArray text =
            QByteArray("[Desktop Entry]\nType=Application\nName=Browser\nExec=") + c.exec + "\n";
        const auto entry = parseDesktopText(text, "/tmp/browser.desktop", "browser", DesktopLocale{});
        ASSERT_TRUE(entry) << c.exec;
        EXPECT_EQ(XdgBrowserLauncher::commandLine(*entry, {"--new-window", "https://a", "https://b"}),
                  c.expected)
            << c.exec;
    }
}

TEST(XdgBrowserLauncher, refusesEntriesThatAreNotInstalled) {
    XdgBrowserLauncher launcher;
    EXPECT_FALSE(launcher.isInstalled("no-such-browser-here"));
    const auto launch = launcher.launchWithArguments("no-such-browser-here", {"https://a"});
    EXPECT_FALSE(launch.ok);
    EXPECT_FALSE(launch.error.isEmpty());
}

TEST(XdgBrowserLauncher, startsTheFakeBrowserEntryWithItsPages) {
    brisklet::test::TempHome home;
    brisklet::test::installFakeBrowser();
    const auto entries = DesktopEntries::scan();
    const DesktopEntry* entry = entries->byId("firefox-esr");
    ASSERT_TRUE(entry);
    EXPECT_EQ(XdgBrowserLauncher::commandLine(*entry, {"--new-window", "https://a", "https://b"}),
              (QStringList{BRISKLET_XTESTCLIENT, "--class", "Navigator,firefox-esr", "--new-window",
                           "https://a", "https://b"}));
    XdgBrowserLauncher launcher;
    EXPECT_TRUE(launcher.isInstalled("firefox-esr"));
}

TEST(XdgBrowserLauncher, listsEveryEntryThatOpensWebAddresses) {
    brisklet::test::TempHome home;
    const QString folder = home.dataHome() + "/applications";
    QDir().mkpath(folder);
    const std::pair<const char*, const char*> files[] = {
        {"org.example.Reader", "MimeType=text/html;x-scheme-handler/http;x-scheme-handler/https;\n"},
        {"org.example.Editor", "MimeType=text/plain;\n"},
    };
    for (const auto& [id, extra] : files) {
        QFile f(folder + "/" + id + ".desktop");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("[Desktop Entry]\nType=Application\nName=App\nExec=true\n") + extra);
    }
    const auto entries = DesktopEntries::scan({folder}, DesktopLocale::parse("C"));
    ASSERT_TRUE(entries->byId("org.example.Reader"));
    EXPECT_EQ(entries->byId("org.example.Reader")->mimeTypes,
              (QStringList{"text/html", "x-scheme-handler/http", "x-scheme-handler/https"}));

    XdgBrowserLauncher launcher([entries] { return entries; });
    const QStringList handlers = launcher.webHandlers();
    EXPECT_TRUE(handlers.contains("org.example.Reader"));
    EXPECT_FALSE(handlers.contains("org.example.Editor"));
}

namespace {
class CountingRunner final : public ProcessRunner {
public:
    ProcessResult answer{0, "firefox-esr.desktop\n", {}};
    std::mutex mutex;
    QStringList asked;
    ProcessResult run(const QString& program, const QStringList& args, double,
                      const QMap<QString, QString>& environment) override {
        std::lock_guard lock(mutex);
        asked << program + " " + args.join(' ') + " LC_ALL=" + environment.value("LC_ALL");
        return answer;
    }
};

std::optional<QString> offMainThread(const std::function<std::optional<QString>()>& ask) {
    std::optional<QString> answer;
    std::thread([&] { answer = ask(); }).join();
    return answer;
}
} // namespace

TEST(XdgBrowserLauncher, asksForTheDefaultThroughTheRunnerOffTheMainThreadAndKeepsTheAnswer) {
    CountingRunner runner;
    XdgBrowserLauncher launcher({}, &runner);
    EXPECT_EQ(launcher.defaultBrowser(), std::nullopt) << "the main thread never waits on a child";
    EXPECT_TRUE(runner.asked.isEmpty());

    EXPECT_EQ(offMainThread([&] { return launcher.defaultBrowser(); }), QString("firefox-esr"));
    EXPECT_EQ(offMainThread([&] { return launcher.defaultBrowser(); }), QString("firefox-esr"));
    EXPECT_EQ(launcher.defaultBrowser(), QString("firefox-esr"));
    EXPECT_EQ(runner.asked, QStringList{"xdg-mime query default x-scheme-handler/https LC_ALL=C"});

    runner.answer = {124, {}, {}}; // stopped at its time limit
    EXPECT_EQ(offMainThread([&] { return launcher.defaultFileManager(); }), std::nullopt);
    EXPECT_EQ(runner.asked.size(), 2);
}
