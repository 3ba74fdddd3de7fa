#include "ask/ServiceClient.h"

#include "ask/Brand.h"
#include "base/Prefs.h"
#include "support/FakeHttpServer.h"
#include "support/FakeSecretStore.h"
#include "support/LogCapture.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;
using Answer = FakeHttpServer::Answer;

namespace {

class ServiceClientTest : public ::testing::Test {
protected:
    TempHome home;
    FakeHttpServer server;
    ScopedEnv url{"BRISKLET_SERVICE_URL", server.base().toUtf8()};
    ScopedEnv key{"BRISKLET_SERVICE_ANON_KEY", QByteArray("sb_publishable_test")};
    ScopedEnv snapshot{"BRISKLET_SNAPSHOT_DIR", std::nullopt};
    QNetworkAccessManager network;
    FakeSecretStore secrets;

    void SetUp() override { network.setProxy(QNetworkProxy::NoProxy); }

    // Sends one phrase and waits for its one result, checking it comes on the main thread.
    TextResult ask(ServiceClient& client, const QString& phrase = QStringLiteral("hello")) {
        return oneResult<TextResult>([&](auto done) {
            client.ask(phrase, [done](const TextResult& r) {
                EXPECT_EQ(QThread::currentThread(), qApp->thread());
                done(r);
            });
        });
    }
};

} // namespace

TEST_F(ServiceClientTest, anAskRequestCarriesThePathHeadersAndBody) {
    ServiceClient client(network, &secrets);
    server.enqueue(Answer::ok(R"([{"type":"screenshot"}])"));
    EXPECT_EQ(ask(client, QString::fromUtf8("open “calculator”/now")),
              TextResult::success(R"([{"type":"screenshot"}])"));
    ASSERT_EQ(server.requests().size(), 1u);
    const FakeHttpServer::Request& r = server.requests()[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.path, "/functions/v1/ask");
    EXPECT_EQ(r.headers.value("content-type"), "application/json");
    EXPECT_EQ(r.headers.value("apikey"), "sb_publishable_test");
    EXPECT_EQ(r.headers.value("authorization"), "Bearer sb_publishable_test");
    EXPECT_EQ(r.headers.value("x-install-id"), client.installID().toUtf8());
    EXPECT_EQ(r.headers.value("x-app-version"), ServiceClient::appVersion().toUtf8());
    EXPECT_EQ(r.headers.value("accept-encoding"), "identity") << "a compressed reply would read as garbage";
    EXPECT_EQ(QJsonDocument::fromJson(r.body).object(),
              QJsonObject({{"phrase", QString::fromUtf8("open “calculator”/now")}}));
}

TEST_F(ServiceClientTest, aBuildRequestSaysItsKindAndWaitsLonger) {
    ServiceClient client(network, &secrets);
    EXPECT_EQ(client.askTimeoutMs, 6000);
    EXPECT_EQ(client.buildTimeoutMs, 20000);
    EXPECT_EQ(client.functionRequest("ask", "POST")->transferTimeout(), 6000);
    server.enqueue(Answer::ok("{}"));
    bool done = false;
    client.buildSetup("a writing desk", [&](const TextResult& r) {
        EXPECT_EQ(r, TextResult::success("{}"));
        done = true;
    });
    ASSERT_TRUE(waitFor([&] { return done; }));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].path, "/functions/v1/ask");
    EXPECT_EQ(QJsonDocument::fromJson(server.requests()[0].body).object(),
              QJsonObject({{"phrase", "a writing desk"}, {"kind", "build"}}));
}

TEST_F(ServiceClientTest, repliesMapToResultsByStatusNotByTransportError) {
    ServiceClient client(network, &secrets);
    client.askTimeoutMs = 300;
    const struct {
        Answer answer;
        TextResult expected;
    } cases[] = {
        {Answer::withStatus(503, "busy"), TextResult::failure(AskError::serviceUnavailable)},
        {Answer::withStatus(500, "oops"), TextResult::failure(AskError::server, "500")},
        {Answer::withStatus(404), TextResult::failure(AskError::server, "404")},
        {Answer::withStatus(429), TextResult::failure(AskError::server, "429")},
        {Answer::ok(""), TextResult::success("")},
        {Answer{Answer::Kind::reply, 200, "late but in time", 150}, TextResult::success("late but in time")},
        {Answer::ok("\xFF\xFE[]"), TextResult::success("")},
    };
    for (const auto& c : cases) {
        server.enqueue(c.answer);
        EXPECT_EQ(ask(client), c.expected) << c.answer.status;
    }
    for (const Answer& broken : {Answer::closed(), Answer{Answer::Kind::headersThenClose, 200, "[", 0},
                                 Answer::silent(), Answer{Answer::Kind::reply, 200, "too late", 900}}) {
        server.enqueue(broken);
        LogCapture log;
        const TextResult r = ask(client);
        EXPECT_EQ(r.error, AskError::network) << int(broken.kind);
        EXPECT_FALSE(r.text);
        EXPECT_FALSE(r.detail.isEmpty());
        EXPECT_EQ(log.count("ask network error: " + r.detail), 1) << int(broken.kind);
    }
}

TEST_F(ServiceClientTest, anUnusableServiceAddressOrKeyFailsAtOnceWithoutARequest) {
    ServiceClient client(network, &secrets);
    const std::pair<QByteArray, QByteArray> bad[] = {
        {"https://YOUR-PROJECT.example", "k"},
        {"http://exa mple.com", "k"},
        {"not a web address", "k"},
        {"ftp://127.0.0.1", "k"},
        {"http://", "k"},
        {server.base().toUtf8(), "k\r\nx-evil: 1"},
        {server.base().toUtf8(), "k\n"},
    };
    for (const auto& [base, anonKey] : bad) {
        ScopedEnv u("BRISKLET_SERVICE_URL", base);
        ScopedEnv k("BRISKLET_SERVICE_ANON_KEY", anonKey);
        EXPECT_FALSE(Brand::serviceConfigured()) << base.constData();
        int calls = 0;
        client.ask("hello", [&](const TextResult& r) {
            ++calls;
            EXPECT_EQ(r, TextResult::failure(AskError::serviceUnavailable));
        });
        EXPECT_EQ(calls, 1) << "not at once: " << base.constData();
    }
    QTest::qWait(50);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(ServiceClientTest, theBaseIsUsedAsGivenAndDefaultsToTheUnconfiguredPlaceholder) {
    ServiceClient client(network, &secrets);
    {
        ScopedEnv u("BRISKLET_SERVICE_URL", server.base().toUtf8() + "/");
        EXPECT_EQ(client.functionRequest("ask", "POST")->url().path(), "//functions/v1/ask");
    }
    ScopedEnv unset("BRISKLET_SERVICE_URL", std::nullopt);
    EXPECT_TRUE(Brand::serviceBaseAddress().contains("YOUR-PROJECT"));
    EXPECT_FALSE(Brand::serviceConfigured());
    ScopedEnv noKey("BRISKLET_SERVICE_ANON_KEY", std::nullopt);
    EXPECT_EQ(Brand::publishableKey().size(), 46);
    EXPECT_TRUE(Brand::publishableKey().startsWith("sb_publishable_"));
}

TEST_F(ServiceClientTest, theInstallIdIsKeptInBothPlacesAndRepairedWhenUnfit) {
    {
        ServiceClient fresh(network, &secrets);
        EXPECT_TRUE(QRegularExpression("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$")
                        .match(fresh.installID())
                        .hasMatch())
            << qPrintable(fresh.installID());
        EXPECT_EQ(secrets.items.value("install-id"), fresh.installID());
        EXPECT_EQ(Prefs::stringValue(Prefs::Key::installID), fresh.installID());
    }
    secrets.items.clear();
    Prefs::setValue(Prefs::Key::installID, "FROM-SETTINGS");
    EXPECT_EQ(ServiceClient(network, &secrets).installID(), "FROM-SETTINGS");
    EXPECT_EQ(secrets.items.value("install-id"), "FROM-SETTINGS");

    secrets.items.insert("install-id", "FROM-KEYRING");
    EXPECT_EQ(ServiceClient(network, &secrets).installID(), "FROM-KEYRING");
    EXPECT_EQ(Prefs::stringValue(Prefs::Key::installID), "FROM-KEYRING");
    const int writes = secrets.writes;
    EXPECT_EQ(ServiceClient(network, &secrets).installID(), "FROM-KEYRING");
    EXPECT_EQ(secrets.writes, writes) << "a keyring that holds the id is not written again";

    // A stored value that would break a header line is replaced, not sent.
    secrets.items.insert("install-id", "bad\r\nx-evil: 1");
    Prefs::setValue(Prefs::Key::installID, "also\nbad");
    const QString repaired = ServiceClient(network, &secrets).installID();
    EXPECT_TRUE(Brand::headerSafe(repaired));
    EXPECT_EQ(repaired.size(), 36);
    EXPECT_EQ(secrets.items.value("install-id"), repaired);
}

TEST_F(ServiceClientTest, snapshotModeNeverTouchesTheKeyring) {
    ScopedEnv s("BRISKLET_SNAPSHOT_DIR", QByteArray("/tmp/x"));
    EXPECT_EQ(ServiceClient(network, &secrets).installID(), "snapshot-install");
    EXPECT_EQ(secrets.reads, 0);
    EXPECT_TRUE(secrets.items.isEmpty());
}
