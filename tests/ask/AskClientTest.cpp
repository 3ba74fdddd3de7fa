#include "ask/AskClient.h"

#include "base/Prefs.h"
#include "support/FakeHttpServer.h"
#include "support/FakeSecretStore.h"
#include "support/LogCapture.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;
using Answer = FakeHttpServer::Answer;

namespace {

class AskClientTest : public ::testing::Test {
protected:
    TempHome home;
    FakeHttpServer service;
    FakeHttpServer messages;
    ScopedEnv url{"BRISKLET_SERVICE_URL", service.base().toUtf8()};
    ScopedEnv anon{"BRISKLET_SERVICE_ANON_KEY", QByteArray("sb_publishable_test")};
    ScopedEnv key{"ANTHROPIC_API_KEY", std::nullopt};
    ScopedEnv snapshot{"BRISKLET_SNAPSHOT_DIR", std::nullopt};
    QNetworkAccessManager network;
    FakeSecretStore secrets;
    std::unique_ptr<AskClient> client;

    void SetUp() override {
        network.setProxy(QNetworkProxy::NoProxy);
        Prefs::registerDefaults();
        AskClient::Options options;
        options.network = &network;
        options.directApiBase = messages.base();
        client = std::make_unique<AskClient>(&secrets, options);
    }

    AskResult ask(const QString& phrase = QStringLiteral("open calculator")) {
        return oneResult<AskResult>([&](auto done) { client->plan(phrase, done); });
    }
    // Fails the test unless the completion came before plan() returned.
    AskResult askAtOnce() {
        std::optional<AskResult> result;
        client->plan("open calculator", [&](const AskResult& r) { result = r; });
        EXPECT_TRUE(result) << "not at once";
        return result.value_or(AskResult{});
    }
};

const QByteArray kCalculator = R"([{"type":"openApp","name":"Calculator"}])";

} // namespace

TEST_F(AskClientTest, withoutAKeyThePhraseGoesToTheHostedService) {
    ScopedEnv empty("ANTHROPIC_API_KEY", QByteArray(""));
    EXPECT_TRUE(client->isEnabled());
    service.enqueue(Answer::ok(kCalculator));
    EXPECT_EQ(ask(), AskResult::success({Action::openApp("Calculator")}));
    EXPECT_EQ(service.requests().size(), 1u);
    EXPECT_TRUE(messages.requests().empty());
}

TEST_F(AskClientTest, theUsersOwnKeyAlwaysWins) {
    secrets.items.insert("anthropic-api-key", "sk-stored");
    const QByteArray reply =
        QJsonDocument(
            QJsonObject{{"content", QJsonArray{QJsonObject{{"type", "text"},
                                                           {"text", QString::fromUtf8(kCalculator)}}}}})
            .toJson();
    messages.enqueue(Answer::ok(reply));
    EXPECT_EQ(ask(), AskResult::success({Action::openApp("Calculator")}));
    EXPECT_TRUE(service.requests().empty());
    ASSERT_EQ(messages.requests().size(), 1u);
    EXPECT_EQ(messages.requests()[0].headers.value("x-api-key"), "sk-stored");
}

TEST_F(AskClientTest, askSwitchedOffAnswersDisabledWithoutARequest) {
    Prefs::setValue(Prefs::Key::askEnabled, false);
    EXPECT_FALSE(client->isEnabled());
    EXPECT_EQ(askAtOnce(), AskResult::failure(AskError::disabled));
    secrets.items.insert("anthropic-api-key", "sk-stored");
    EXPECT_FALSE(client->isEnabled());
    EXPECT_EQ(askAtOnce(), AskResult::failure(AskError::disabled));
    QTest::qWait(30);
    EXPECT_TRUE(service.requests().empty());
    EXPECT_TRUE(messages.requests().empty());
}

TEST_F(AskClientTest, withNeitherRouteTheRequestIsUnavailableAtOnce) {
    ScopedEnv unconfigured("BRISKLET_SERVICE_URL", QByteArray("https://YOUR-PROJECT.invalid"));
    EXPECT_FALSE(client->isEnabled());
    EXPECT_EQ(askAtOnce(), AskResult::failure(AskError::serviceUnavailable));
    ScopedEnv malformed("BRISKLET_SERVICE_URL", QByteArray("http://[::1"));
    EXPECT_FALSE(client->isEnabled());
    EXPECT_EQ(askAtOnce(), AskResult::failure(AskError::serviceUnavailable));
}

TEST_F(AskClientTest, serviceRepliesBecomePlansOrTheirErrors) {
    LogCapture log;
    service.enqueue(Answer::ok(R"([{"type":"mute","value":1}])"));
    EXPECT_EQ(ask(), AskResult::failure(AskError::badPlan));
    EXPECT_EQ(log.count("service plan rejected: bad value"), 1);

    service.enqueue(Answer::ok("[]"));
    EXPECT_EQ(ask(), AskResult::failure(AskError::badPlan));
    service.enqueue(Answer::ok(""));
    EXPECT_EQ(ask(), AskResult::failure(AskError::badPlan));
    EXPECT_EQ(log.count("rejected"), 2) << "an empty plan is not logged; an empty reply is a reader error";

    service.enqueue(Answer::withStatus(503));
    EXPECT_EQ(ask(), AskResult::failure(AskError::serviceUnavailable));
    service.enqueue(Answer::withStatus(500));
    EXPECT_EQ(ask(), AskResult::failure(AskError::server, "500"));
    service.enqueue(Answer::closed());
    EXPECT_EQ(ask().error, AskError::network);
}

TEST_F(AskClientTest, theStoredKeyIsTrimmedAndRefusedWhenUnfit) {
    EXPECT_FALSE(AskClient::keychainKey(&secrets));
    secrets.items.insert("anthropic-api-key", " \tsk-1 \n");
    EXPECT_EQ(AskClient::keychainKey(&secrets), "sk-1");
    secrets.items.insert("anthropic-api-key", "   ");
    EXPECT_FALSE(AskClient::keychainKey(&secrets));
    secrets.items.insert("anthropic-api-key", "sk-1\r\nx-evil: 1");
    EXPECT_FALSE(AskClient::keychainKey(&secrets));
    EXPECT_FALSE(AskClient::keychainKey(nullptr));
    secrets.items.insert("anthropic-api-key", "sk-1");
    ScopedEnv s("BRISKLET_SNAPSHOT_DIR", QByteArray(""));
    EXPECT_FALSE(AskClient::keychainKey(&secrets));
}

TEST_F(AskClientTest, savingANewKeyKeepsTheOldOneUntilTheNewOneIsStored) {
    EXPECT_TRUE(AskClient::setKeychainKey(&secrets, QString("  sk-old\n")));
    EXPECT_EQ(secrets.items.value("anthropic-api-key"), "sk-old");
    secrets.failWrites = true;
    EXPECT_FALSE(AskClient::setKeychainKey(&secrets, QString("sk-new")));
    EXPECT_EQ(secrets.items.value("anthropic-api-key"), "sk-old");
    // A removal that fails says so.
    EXPECT_FALSE(AskClient::setKeychainKey(&secrets, std::nullopt));
    secrets.failWrites = false;
    EXPECT_TRUE(AskClient::setKeychainKey(&secrets, QString(" ")));
    EXPECT_FALSE(secrets.items.contains("anthropic-api-key"));
    EXPECT_TRUE(AskClient::setKeychainKey(&secrets, std::nullopt)) << "removing a missing key is fine";
    ScopedEnv s("BRISKLET_SNAPSHOT_DIR", QByteArray("x"));
    secrets.failWrites = true;
    EXPECT_TRUE(AskClient::setKeychainKey(&secrets, QString("sk")));
}

TEST_F(AskClientTest, theKeyComesFromTheEnvironmentOnlyWhenNonEmpty) {
    EXPECT_FALSE(AskClient::keyIsFromEnvironment());
    ScopedEnv empty("ANTHROPIC_API_KEY", QByteArray(""));
    EXPECT_FALSE(AskClient::keyIsFromEnvironment());
    ScopedEnv set("ANTHROPIC_API_KEY", QByteArray("sk-env"));
    EXPECT_TRUE(AskClient::keyIsFromEnvironment());
}

TEST_F(AskClientTest, theInstallIdIsReadOnlyWhenTheServiceIsFirstUsed) {
    EXPECT_EQ(secrets.reads, 0);
    EXPECT_TRUE(client->isEnabled());
    const int keyReads = secrets.reads;
    service.enqueue(Answer::ok(kCalculator));
    ask();
    EXPECT_GT(secrets.reads, keyReads);
    EXPECT_EQ(service.requests().at(0).headers.value("x-install-id"),
              secrets.items.value("install-id").toUtf8());
}
