#pragma once

#include "base/Clock.h"
#include "platform/BrowserLauncher.h"
#include "support/FakeDesktop.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace brisklet::test {

// A browser that maps a window titled after its first page some time after a launch.
class FakeBrowserLauncher final : public platform::BrowserLauncher {
public:
    FakeBrowserLauncher(FakeDesktop& desktop, Clock& clock) : desktop_(desktop), clock_(clock) {}
    double delay = 0.3; // negative: the window never comes
    bool fails = false;
    std::set<QString> installed{"firefox-esr", "chromium"};
    std::optional<QString> defaultId = QString("chromium");
    std::vector<std::pair<QString, QStringList>> calls;
    QString pageTitle; // set: the title of a page's window instead of its address
    // Set: a start without pages while the browser has no window restores these
    // windows (title, seconds after the launch) instead of opening a new tab.
    std::vector<std::pair<QString, double>> session;
    // A launch asked to carry a fresh startup id gets one; a running browser puts it
    // on the window it opens (a cold one only on its client leader, which no window
    // shows).
    bool passesStartupId = true;

    using BrowserLauncher::launchWithArguments;
    Launch launchWithArguments(const QString& id, const QStringList& arguments, StartupId fresh) override {
        calls.emplace_back(id, arguments);
        if (fails || !installed.contains(id))
            return {false, 0, "exec failed", {}};
        const bool withPages = std::any_of(arguments.begin(), arguments.end(),
                                           [](const QString& a) { return !a.startsWith("--"); });
        const auto listed = desktop_.windows();
        const bool cold =
            std::none_of(listed.begin(), listed.end(), [&](const auto& w) { return w.appId == id; });
        const QString startupId =
            fresh == StartupId::fresh ? QStringLiteral("fake-startup-%1").arg(++launches_) : QString();
        if (!withPages && cold && !session.empty()) {
            for (const auto& [title, after] : session)
                desktop_.addWindow(windowOf(id, title, after));
            return {true, 4242, {}, startupId};
        }
        if (delay >= 0) {
            FakeDesktop::Window w;
            w.info.pid = 4242;
            w.info.appId = id;
            w.info.appName = id;
            const auto page = std::find_if(arguments.begin(), arguments.end(),
                                           [](const QString& a) { return !a.startsWith("--"); });
            w.info.title = page == arguments.end() ? "New Tab" : pageTitle.isEmpty() ? *page : pageTitle;
            w.info.frame = QRectF(10, 10, 900, 700);
            w.appearsAt = clock_.now() + delay;
            if (passesStartupId && !cold)
                w.startupId = startupId;
            desktop_.addWindow(w);
        }
        return {true, 4242, {}, startupId};
    }
    bool isInstalled(const QString& id) override { return installed.contains(id); }
    std::optional<QString> defaultBrowser() override {
        if (QThread::currentThread() == QCoreApplication::instance()->thread())
            ++defaultAskedOnMainThread;
        else
            ++defaultAskedElsewhere;
        return defaultId;
    }
    // The default is found through a child process: never something to wait on in
    // the main thread.
    std::atomic<int> defaultAskedOnMainThread{0};
    std::atomic<int> defaultAskedElsewhere{0};
    // Entries besides the default that open web addresses.
    QStringList otherWebHandlers;
    std::optional<QString> fileManagerId;
    std::optional<QString> defaultFileManager() override { return fileManagerId; }
    QStringList webHandlers() override {
        QStringList ids = otherWebHandlers;
        if (defaultId)
            ids << *defaultId;
        return ids;
    }

private:
    FakeDesktop::Window windowOf(const QString& id, const QString& title, double after) {
        FakeDesktop::Window w;
        w.info.pid = 4242;
        w.info.appId = id;
        w.info.appName = id;
        w.info.title = title;
        w.info.frame = QRectF(40, 40, 800, 600);
        w.appearsAt = clock_.now() + after;
        return w;
    }

    FakeDesktop& desktop_;
    Clock& clock_;
    int launches_ = 0;
};

} // namespace brisklet::test
