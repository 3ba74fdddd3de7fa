#pragma once

#include "actions/BrightnessControl.h"
#include "base/Paths.h"
#include "setups/SetupEngine.h"
#include "setups/SetupStore.h"
#include "support/AnimatorTimers.h"
#include "support/FakeAppearanceSwitch.h"
#include "support/FakeApps.h"
#include "support/FakeBrightnessEngine.h"
#include "support/FakeBrowserLauncher.h"
#include "support/FakeClock.h"
#include "support/FakeDesktop.h"
#include "support/FakeMediaPlayers.h"
#include "support/FakeScheduler.h"
#include "support/FakeSystemActions.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace brisklet::test {

// A setup engine over a fake desktop of two displays, side by side: a primary of
// 1920 × 1080 with a 30-point panel at its top, and 1280 × 1024 to its right. The
// test is process 99; everything else is another app.
class SetupEngineFixture : public ::testing::Test {
protected:
    // The test framework's own Setup member would hide the record.
    using Setup = ::brisklet::Setup;
    static constexpr qint64 ownPid = 99;

    void SetUp() override {
        windows.setOwnPid(ownPid);
        useTwoDisplays();
        apps.setInstalled({{"code", "Code", "/apps/code.desktop"},
                           {"org.gnome.Terminal", "Terminal", "/apps/org.gnome.Terminal.desktop"},
                           {"slack", "Slack", "/apps/slack.desktop"},
                           {"firefox-esr", "Firefox", "/apps/firefox-esr.desktop"},
                           {"chromium", "Chromium", "/apps/chromium.desktop"}});
        for (const char* id : {"code", "org.gnome.Terminal", "slack"})
            launcher.install(id, {});
        engine = std::make_unique<SetupEngine>(windows, store, collaborators());
        QObject::connect(engine.get(), &SetupEngine::runReceipt,
                         [this](const SetupPort::RunReport& report, const Setup&, bool canUndo) {
                             receipts.push_back({report, canUndo});
                         });
        QObject::connect(engine.get(), &SetupEngine::soundCueRequested,
                         [this](const QString& name) { cues << name; });
    }

    virtual SetupEngine::Collaborators collaborators() {
        SetupEngine::Collaborators c;
        c.installed = &apps;
        c.running = &apps;
        c.launcher = &launcher;
        c.browsers = &browsers;
        c.system = &system;
        c.brightness = &brightness;
        c.players = &players;
        c.appearance = &appearance;
        c.own = &own;
        c.animatorTimer = virtualTimeTimer(clock);
        c.harvest = [this](const QString& id) -> BrowserScripting::HarvestResult {
            if (!harvestUrls)
                return {};
            BrowserScripting::HarvestResult result{BrowserScripting::HarvestResult::Kind::windows, {}};
            for (const auto& w : desktop.windows())
                if (w.appId == id)
                    result.windows.push_back({w.id, w.title, harvestUrls->value(w.id)});
            return result;
        };
        c.staleWindowCount = [this] { return staleCount; };
        c.stageManagerActive = [this] { return stageManager; };
        return c;
    }

    void useTwoDisplays() {
        desktop.setDisplays({FakeDesktop::display(1, QRectF(0, 0, 1920, 1080), 30),
                             FakeDesktop::display(2, QRectF(1920, 0, 1280, 1024))});
    }
    // A window of another app on another desktop.
    platform::WindowId addFarWindow(qint64 pid, const QString& id, const QString& name) {
        FakeDesktop::Window w;
        w.info.pid = pid;
        w.info.appId = id;
        w.info.appName = name;
        w.info.title = "far away";
        w.info.onCurrentDesktop = false;
        w.info.frame = QRectF(0, 0, 300, 300);
        return desktop.addWindow(w);
    }
    void useOneDisplay() { desktop.setDisplays({FakeDesktop::display(1, QRectF(0, 0, 1920, 1080), 30)}); }

    static SetupItem app(const QString& id, const QString& name, std::optional<SetupFrame> frame = {},
                         const QString& title = {}) {
        SetupItem item;
        item.id = QUuid::createUuid();
        item.bundleID = id;
        item.appName = name;
        item.title = title;
        item.frame = frame;
        return item;
    }
    static SetupItem page(const QString& url, const QString& browser = "firefox-esr",
                          std::optional<SetupFrame> frame = {}, const QString& title = {}) {
        SetupItem item = app(browser, browser == "firefox-esr" ? "Firefox" : "Chromium", frame, title);
        item.kind = SetupItemKind::url;
        item.url = url;
        return item;
    }
    static Setup setupOf(const QString& name, std::vector<SetupItem> items) {
        Setup s;
        s.id = QUuid::createUuid();
        s.name = name;
        s.items = std::move(items);
        s.fingerprint = "2:1920x1080,1280x1024";
        s.createdAt = s.updatedAt = QDateTime(QDate(2026, 12, 1), QTime(9, 0), Qt::UTC);
        return s;
    }
    // Runs what the run handed to the main thread.
    static void drain() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    struct Receipt {
        SetupPort::RunReport report;
        bool canUndo = false;
    };

    TempHome home;
    FakeClock clock;
    FakeDesktop desktop{clock};
    FakeOwnWindows own;
    FakeLauncher launcher{desktop, clock};
    FakeApps apps{desktop};
    FakeBrowserLauncher browsers{desktop, clock};
    FakeSystemActions system;
    FakeMediaPlayers players{&clock};
    FakeAppearanceSwitch appearance;
    std::shared_ptr<BrightnessLog> brightnessLog = std::make_shared<BrightnessLog>();
    bool brightnessWorks = true;
    BrightnessControl brightness{
        [this] { return std::make_unique<FakeBrightnessEngine>(brightnessLog, clock, brightnessWorks); },
        [this] { return std::make_unique<FakeBrightnessEngine>(brightnessLog, clock, brightnessWorks); },
        clock};
    WindowEngine windows{desktop, &own, &launcher, clock, virtualTimeTimer(clock)};
    FakeScheduler scheduler{clock};
    SetupStore store{Paths::setupsJSON(), scheduler};
    std::optional<QMap<platform::WindowId, QString>> harvestUrls; // absent: harvesting fails
    int staleCount = 0;
    bool stageManager = false;
    std::unique_ptr<SetupEngine> engine;
    std::vector<Receipt> receipts;
    QStringList cues;
};

inline bool within(const QRectF& a, const QRectF& b, double tolerance) {
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance &&
           std::abs(a.width() - b.width()) <= tolerance && std::abs(a.height() - b.height()) <= tolerance;
}

} // namespace brisklet::test
