#include "ask/AnthropicDirectBackend.h"

#include "ask/MessagesApi.h"
#include "magic/AnthropicDirectMagicBackend.h"
#include "support/FakeHttpServer.h"
#include "support/FakeSecretStore.h"
#include "support/LogCapture.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <QFile>
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

QByteArray messagesReply(const QJsonArray& content) {
    return QJsonDocument(QJsonObject{{"id", "msg_1"}, {"content", content}}).toJson();
}

QByteArray textReply(const QString& text) {
    return messagesReply({QJsonObject{{"type", "text"}, {"text", text}}});
}

QByteArray shippedPrompt(const char* name) {
    QFile file(QStringLiteral(BRISKLET_TEST_SOURCE_DIR "/../resources/prompts/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

class AnthropicDirectBackendTest : public ::testing::Test {
protected:
    TempHome home;
    FakeHttpServer server;
    ScopedEnv key{"ANTHROPIC_API_KEY", QByteArray("sk-test")};
    ScopedEnv snapshot{"BRISKLET_SNAPSHOT_DIR", std::nullopt};
    QNetworkAccessManager network;
    FakeSecretStore secrets;
    AnthropicDirectBackend backend{network, &secrets, server.base()};

    void SetUp() override { network.setProxy(QNetworkProxy::NoProxy); }

    AskResult plan(const QString& phrase = QStringLiteral("open calculator")) {
        return oneResult<AskResult>([&](auto done) { backend.plan(phrase, done); });
    }
};

} // namespace

TEST_F(AnthropicDirectBackendTest, theSystemPromptsShipByteForByte) {
    const QString ask = MessagesApi::prompt("ask-system.txt");
    const QString magic = MessagesApi::prompt("magic-system.txt");
    EXPECT_EQ(ask.toUtf8().size(), 1495);
    EXPECT_EQ(magic.toUtf8().size(), 1057);
    EXPECT_EQ(ask.toUtf8(), shippedPrompt("ask-system.txt"));
    EXPECT_EQ(magic.toUtf8(), shippedPrompt("magic-system.txt"));
    EXPECT_EQ(ask.count('\n'), 2);
    EXPECT_EQ(magic.count('\n'), 2);
    EXPECT_FALSE(magic.contains("Mac"));
    EXPECT_TRUE(ask.startsWith("Convert the user's phrase into a minified JSON array of actions."));
    EXPECT_TRUE(ask.endsWith("respond with []."));
}

TEST_F(AnthropicDirectBackendTest, anAskRequestIsTheMessagesCallWithExactlyFourKeys) {
    server.enqueue(Answer::ok(textReply(R"([{"type":"openApp","name":"Calculator"}])")));
    EXPECT_EQ(plan("open calculator"), AskResult::success({Action::openApp("Calculator")}));
    ASSERT_EQ(server.requests().size(), 1u);
    const FakeHttpServer::Request& r = server.requests()[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.path, "/v1/messages");
    EXPECT_EQ(r.headers.value("content-type"), "application/json");
    EXPECT_EQ(r.headers.value("x-api-key"), "sk-test");
    EXPECT_EQ(r.headers.value("anthropic-version"), "2023-06-01");
    const QJsonObject expected{
        {"model", "claude-haiku-4-5"},
        {"max_tokens", 500},
        {"system", QString::fromUtf8(shippedPrompt("ask-system.txt"))},
        {"messages", QJsonArray{QJsonObject{{"role", "user"}, {"content", "open calculator"}}}}};
    EXPECT_EQ(QJsonDocument::fromJson(r.body).object(), expected);
    EXPECT_EQ(backend.timeoutMs, 4000);
}

TEST_F(AnthropicDirectBackendTest, theFirstTextBlockIsReadAndLaterOnesIgnored) {
    server.enqueue(
        Answer::ok(messagesReply({QJsonObject{{"type", "thinking"}, {"thinking", "hm"}},
                                  QJsonObject{{"type", "text"}, {"text", R"([{"type":"lockScreen"}])"}},
                                  QJsonObject{{"type", "text"}, {"text", "ignored"}}})));
    EXPECT_EQ(plan(), AskResult::success({Action::lockScreen()}));

    server.enqueue(
        Answer::ok(messagesReply({QJsonObject{{"type", "text"}, {"text", 5}},
                                  QJsonObject{{"type", "text"}, {"text", R"([{"type":"lockScreen"}])"}}})));
    EXPECT_EQ(plan(), AskResult::failure(AskError::badPlan));

    for (const QByteArray& body : {QByteArray("not json"), QByteArray("[]"), QByteArray(R"({"content":{}})"),
                                   messagesReply({QJsonObject{{"type", "tool_use"}}})}) {
        server.enqueue(Answer::ok(body));
        EXPECT_EQ(plan(), AskResult::failure(AskError::badPlan)) << body.constData();
    }
}

TEST_F(AnthropicDirectBackendTest, aContentArrayHoldingAnythingButObjectsIsRefused) {
    const QJsonObject text{{"type", "text"}, {"text", R"([{"type":"lockScreen"}])"}};
    for (const QJsonValue& stray :
         {QJsonValue(5), QJsonValue("text"), QJsonValue(QJsonArray{text}), QJsonValue(QJsonValue::Null)}) {
        server.enqueue(Answer::ok(messagesReply({text, stray})));
        EXPECT_EQ(plan(), AskResult::failure(AskError::badPlan))
            << stray.toVariant().toString().toStdString();
    }
}

TEST_F(AnthropicDirectBackendTest, failuresMapToTheirErrorsAndLogLines) {
    LogCapture log;
    server.enqueue(Answer::ok(textReply("[]")));
    EXPECT_EQ(plan(), AskResult::failure(AskError::badPlan));
    EXPECT_TRUE(log.messages().isEmpty()) << qPrintable(log.messages().join('|'));

    server.enqueue(Answer::ok(textReply(R"([{"type":"setVolume","level":300}])")));
    EXPECT_EQ(plan(), AskResult::failure(AskError::badPlan));
    EXPECT_EQ(log.count("ask plan rejected: bad level"), 1);

    server.enqueue(Answer::ok(""));
    EXPECT_EQ(plan(), AskResult::failure(AskError::server, "200"));
    EXPECT_EQ(log.count("ask HTTP 200"), 1);

    // The direct route has no "unavailable": every other status is the server's.
    for (const int status : {401, 429, 503, 529}) {
        server.enqueue(Answer::withStatus(status, R"({"type":"error"})"));
        EXPECT_EQ(plan(), AskResult::failure(AskError::server, QString::number(status)));
        EXPECT_EQ(log.count(QStringLiteral("ask HTTP %1").arg(status)), 1);
    }

    server.enqueue(Answer::closed());
    const AskResult closed = plan();
    EXPECT_EQ(closed.error, AskError::network);
    EXPECT_EQ(log.count("ask network error: " + closed.detail), 1);

    backend.timeoutMs = 300;
    server.enqueue(Answer::silent());
    EXPECT_EQ(plan().error, AskError::network);
}

TEST_F(AnthropicDirectBackendTest, withoutAKeyNothingIsSent) {
    ScopedEnv none("ANTHROPIC_API_KEY", QByteArray(""));
    EXPECT_FALSE(backend.isAvailable());
    int calls = 0;
    backend.plan("open calculator", [&](const AskResult& r) {
        ++calls;
        EXPECT_EQ(r, AskResult::failure(AskError::noKey));
    });
    EXPECT_EQ(calls, 1);
    // A key from the keyring works the same way, trimmed.
    secrets.items.insert("anthropic-api-key", "  sk-stored\n");
    EXPECT_TRUE(backend.isAvailable());
    server.enqueue(Answer::ok(textReply(R"([{"type":"screenshot"}])")));
    EXPECT_EQ(plan(), AskResult::success({Action::screenshot()}));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].headers.value("x-api-key"), "sk-stored");
}

TEST_F(AnthropicDirectBackendTest, anEnvironmentKeyThatWouldBreakAHeaderIsNoKey) {
    ScopedEnv broken("ANTHROPIC_API_KEY", QByteArray("sk\r\nx-evil: 1"));
    EXPECT_FALSE(backend.isAvailable());
    secrets.items.insert("anthropic-api-key", "sk-a\nsk-b");
    EXPECT_FALSE(backend.isAvailable());
}

TEST_F(AnthropicDirectBackendTest, aRefusedEnvironmentKeyIsLoggedOnceWithoutItsValue) {
    ScopedEnv broken("ANTHROPIC_API_KEY", QByteArray("sk-secret-value\x07"));
    LogCapture log;
    AnthropicDirectMagicBackend magic(network, &secrets, server.base());
    EXPECT_FALSE(backend.isAvailable());
    EXPECT_FALSE(magic.isAvailable());
    EXPECT_EQ(plan(), AskResult::failure(AskError::noKey));
    EXPECT_EQ(log.count("ANTHROPIC_API_KEY"), 1) << qPrintable(log.messages().join('|'));
    EXPECT_EQ(log.count("sk-secret"), 0);
}

TEST_F(AnthropicDirectBackendTest, theMagicRequestSendsItsOwnPromptAndReturnsTheTextUnparsed) {
    AnthropicDirectMagicBackend magic(network, &secrets, server.base());
    EXPECT_EQ(magic.timeoutMs, 12000);
    server.enqueue(Answer::ok(textReply(R"({"name":"Desk"})")));
    LogCapture log;
    TextResult result;
    bool done = false;
    magic.build("a calm writing desk", [&](const TextResult& r) {
        result = r;
        done = true;
    });
    ASSERT_TRUE(waitFor([&] { return done; }));
    EXPECT_EQ(result, TextResult::success(R"({"name":"Desk"})"));
    const QJsonObject body = QJsonDocument::fromJson(server.requests().at(0).body).object();
    EXPECT_EQ(body.value("max_tokens").toInt(), 700);
    EXPECT_EQ(body.value("system").toString().toUtf8(), shippedPrompt("magic-system.txt"));
    EXPECT_EQ(body.value("messages").toArray().at(0).toObject().value("content"), "a calm writing desk");

    server.enqueue(Answer::withStatus(500));
    done = false;
    magic.build("x", [&](const TextResult& r) {
        result = r;
        done = true;
    });
    ASSERT_TRUE(waitFor([&] { return done; }));
    EXPECT_EQ(result, TextResult::failure(AskError::server, "500"));
    EXPECT_EQ(log.count("ask HTTP"), 0);
}
