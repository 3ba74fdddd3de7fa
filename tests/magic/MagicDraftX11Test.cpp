// A setup described in words, drafted by the hosted service on a loopback server,
// grounded on two test clients installed here, run as a draft on the real X
// desktop and put back.
#include "ask/ServiceClient.h"
#include "base/Paths.h"
#include "base/Prefs.h"
#include "magic/AnthropicDirectMagicBackend.h"
#include "magic/MagicBuilder.h"
#include "magic/ServiceMagicBackend.h"
#include "platform/linux/LinuxDesktop.h"
#include "setups/SetupEngine.h"
#include "setups/SetupStore.h"

#include "support/DesktopEntryFixture.h"
#include "support/FakeHttpServer.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::platform;
using namespace brisklet::test;

namespace {

constexpr const char* left = "org.example.Jotter";
constexpr const char* right = "org.example.Research";

class EntryApps final : public InstalledApps {
public:
    std::shared_ptr<const DesktopEntries> entries;
    std::vector<AppEntry> installedApps() override {
        std::vector<AppEntry> apps;
        for (const auto& e : entries->listed())
            apps.push_back({e.id, e.name, e.path});
        return apps;
    }
};

} // namespace

TEST(MagicDraftX11Test, aBuiltProposalRunsAsADraftAndIsPutBack) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    TempHome home;
    Prefs::registerDefaults();
    for (const char* id : {left, right}) {
        const QString name = QString::fromLatin1(id).mid(12);
        ASSERT_TRUE(QFile::exists(writeTestClientEntry(
            id, name,
            {"--class", id + QStringLiteral(",") + name, "--title", name, "--geometry", "400x300+100+100"})));
    }
    const QString folder = home.dataHome() + "/applications";
    EntryApps installed;
    installed.entries = DesktopEntries::scan({folder}, DesktopLocale::parse("C"));
    LinuxDesktop desktop([&] { return installed.entries; });
    WindowEngine windows(desktop.windows(), &desktop.ownWindows(), &desktop.launcher());
    SetupStore store(Paths::setupsJSON());
    SetupEngine::Collaborators c;
    c.installed = &installed;
    c.running = &desktop.runningApps();
    c.launcher = &desktop.launcher();
    SetupEngine engine(windows, store, c);

    // The hosted route on the loopback server; no key of the user's own.
    FakeHttpServer server;
    ScopedEnv url("BRISKLET_SERVICE_URL", server.base().toUtf8());
    ScopedEnv anon("BRISKLET_SERVICE_ANON_KEY", QByteArray("sb_publishable_test"));
    ScopedEnv key("ANTHROPIC_API_KEY", std::nullopt);
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    ServiceClient service(network, nullptr);
    MagicBuilder builder(
        std::make_unique<AnthropicDirectMagicBackend>(network, nullptr, "http://127.0.0.1:9"),
        std::make_unique<ServiceMagicBackend>([&]() -> ServiceClient& { return service; }));
    std::vector<IndexedApp> index;
    for (const AppEntry& app : installed.installedApps())
        index.push_back(IndexedApp::make(app.name, app.path, app.id));
    builder.inventoryProvider = [&] { return MagicRecommender::inventory({{}, QDateTime()}, index, {}, {}); };
    server.enqueue(FakeHttpServer::Answer::ok(
        R"({"name":"Study","blurb":"Jotter beside research.","items":[)"
        R"({"app":"Jotter","placement":"left"},{"app":"Research","placement":"right"},{"app":"Figma"}]})"));

    const auto result = oneResult<MagicBuilder::Result>(
        [&](auto done) { builder.propose("my jotter on the left, research on the right", done); });
    ASSERT_TRUE(result.built) << int(result.error);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_TRUE(server.requests()[0].body.contains("\"kind\":\"build\""));
    const MagicBuilt& built = *result.built;
    EXPECT_EQ(built.unresolved, QStringList{"Figma"});
    ASSERT_EQ(built.proposal.draft.items.size(), 2u);

    auto windowOf = [&](const QString& id) -> std::optional<WindowRef> {
        for (const auto& w : windows.visibleWindows())
            if (w.bundleID == id)
                return w;
        return std::nullopt;
    };
    // The jotter is already open somewhere; the draft moves it and opens research.
    ASSERT_TRUE(x.startClient(
        {"--class", QString(left) + ",Jotter", "--title", "Jotter", "--geometry", "420x300+700+200"}));
    ASSERT_TRUE(X11Session::waitUntil([&] { return windowOf(left).has_value(); }, 5));
    const QRectF before = windowOf(left)->axFrame;

    const auto ran = engine.runDraft(built.proposal.draft);
    EXPECT_EQ(ran.placed, 2) << ran.notes.join(" | ").toStdString();
    ASSERT_TRUE(X11Session::waitUntil([&] { return windowOf(left) && windowOf(right); }, 5));
    EXPECT_TRUE(X11Session::waitUntil([&] { return !near(windowOf(left)->axFrame, before, 12); }, 3));
    EXPECT_LT(windowOf(left)->axFrame.center().x(), windowOf(right)->axFrame.center().x());
    EXPECT_FALSE(store.setup(built.proposal.id())) << "a draft run saves nothing";

    const auto undone = engine.undoLast();
    ASSERT_TRUE(undone);
    EXPECT_EQ(undone->restoredWindows, 1) << undone->notes.join(" | ").toStdString();
    EXPECT_TRUE(X11Session::waitUntil([&] { return near(windowOf(left)->axFrame, before, 12); }, 5))
        << "the jotter is back where it was";
    desktop.launcher().quit(left);
    desktop.launcher().quit(right);
}
