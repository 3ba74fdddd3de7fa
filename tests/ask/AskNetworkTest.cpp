// Both model routes against loopback servers that misbehave: a handshake that never
// ends, a reply too big to hold, a redirect to another host, a connection closed
// before any answer, a reply that trickles in, headers without end and bytes that
// are no HTTP at all; and through a loopback proxy.
#include "ask/AnthropicDirectBackend.h"
#include "ask/ProxyEnvironment.h"
#include "ask/ServiceClient.h"

#include "support/FakeHttpServer.h"
#include "support/FakeSecretStore.h"
#include "support/HeaderFloodServer.h"
#include "support/LogCapture.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace brisklet;
using namespace brisklet::test;
using Answer = FakeHttpServer::Answer;

namespace {

// The highest resident size this process has had, in kB.
qint64 peakResidentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

class AskNetworkTest : public ::testing::Test {
protected:
    TempHome home;
    FakeHttpServer service;
    FakeHttpServer messages;
    ScopedEnv url{"BRISKLET_SERVICE_URL", service.base().toUtf8()};
    ScopedEnv anonKey{"BRISKLET_SERVICE_ANON_KEY", QByteArray("sb_publishable_test")};
    ScopedEnv apiKey{"ANTHROPIC_API_KEY", QByteArray("sk-test")};
    ScopedEnv snapshot{"BRISKLET_SNAPSHOT_DIR", std::nullopt};
    QNetworkAccessManager network;
    FakeSecretStore secrets;
    ServiceClient client{network, &secrets};
    AnthropicDirectBackend direct{network, &secrets, messages.base()};

    void SetUp() override { network.setProxy(QNetworkProxy::NoProxy); }

    TextResult ask() {
        return oneResult<TextResult>([&](auto done) { client.ask(QStringLiteral("hello"), done); });
    }
    AskResult plan(AnthropicDirectBackend& backend) {
        return oneResult<AskResult>([&](auto done) { backend.plan(QStringLiteral("hello"), done); });
    }
    AskResult plan() { return plan(direct); }
};

} // namespace

TEST_F(AskNetworkTest, aStalledSecureConnectionIsNotReusedByTheNextRequest) {
    client.askTimeoutMs = 300;
    ScopedEnv secure("BRISKLET_SERVICE_URL", service.httpsBase().toUtf8());
    AnthropicDirectBackend secureDirect{network, &secrets, messages.httpsBase()};
    secureDirect.timeoutMs = 300;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ask().error, AskError::network);
        EXPECT_EQ(plan(secureDirect).error, AskError::network);
    }
    EXPECT_EQ(service.connections(), 3) << "each request after a time-out opens its own connection";
    EXPECT_EQ(messages.connections(), 3);
}

TEST_F(AskNetworkTest, aFailedRequestLeavesAnotherInFlightToFinish) {
    // Ask and Magic share one manager: a plan that fails must not cut off a reply
    // that is still on its way.
    client.askTimeoutMs = 3000;
    service.enqueue({Answer::Kind::reply, 200, "slow answer", 800});
    std::optional<TextResult> slow;
    client.ask(QStringLiteral("hello"), [&](const TextResult& r) { slow = r; });
    messages.enqueue(Answer::closed());
    EXPECT_EQ(plan().error, AskError::network);
    ASSERT_TRUE(waitFor([&] { return slow.has_value(); }, 6000));
    EXPECT_EQ(*slow, TextResult::success(QStringLiteral("slow answer")));
}

TEST_F(AskNetworkTest, aHugeReplyIsCutShortAndLeavesNoPeak) {
    constexpr qint64 huge = 256ll << 20;
    const qint64 before = peakResidentKb();
    ASSERT_GT(before, 0);
    service.enqueue(Answer::streamed(huge));
    EXPECT_EQ(ask(), TextResult::failure(AskError::badPlan));
    messages.enqueue(Answer::streamed(huge));
    EXPECT_EQ(plan(), AskResult::failure(AskError::badPlan));
    // The reader stops about a megabyte in: what the server got out is that and
    // the system's socket buffers, never the whole body.
    EXPECT_LT(service.bodyBytesSent(), 32ll << 20);
    EXPECT_LT(messages.bodyBytesSent(), 32ll << 20);
    const qint64 grown = peakResidentKb() - before;
    EXPECT_LT(grown, 64 * 1024) << grown << " kB more at the peak";
}

TEST_F(AskNetworkTest, aRedirectIsAnAnswerNotAPlaceToSendTheKeyTo) {
    FakeHttpServer elsewhere;
    for (const int status : {307, 302}) {
        service.enqueue(Answer::redirect(status, elsewhere.base().toUtf8() + "/functions/v1/ask"));
        EXPECT_EQ(ask(), TextResult::failure(AskError::server, QString::number(status)));
        messages.enqueue(Answer::redirect(status, elsewhere.base().toUtf8() + "/v1/messages"));
        EXPECT_EQ(plan(), AskResult::failure(AskError::server, QString::number(status)));
    }
    EXPECT_TRUE(elsewhere.requests().empty());
    EXPECT_EQ(elsewhere.connections(), 0);
}

TEST_F(AskNetworkTest, aRequestWhoseConnectionClosesUnansweredIsSentOnce) {
    service.enqueue(Answer::closed());
    service.enqueue(Answer::ok(R"([{"type":"screenshot"}])"));
    EXPECT_EQ(ask().error, AskError::network);
    EXPECT_EQ(service.requests().size(), 1u);

    messages.enqueue(Answer::closed());
    messages.enqueue(Answer::ok(R"({"content":[{"type":"text","text":"[{\"type\":\"screenshot\"}]"}]})"));
    EXPECT_EQ(plan().error, AskError::network);
    EXPECT_EQ(messages.requests().size(), 1u);
}

TEST_F(AskNetworkTest, theTimeLimitCountsFromTheStartNotFromTheLastByte) {
    // Sixty bytes a tenth of a second apart never leave the line silent for long.
    client.askTimeoutMs = 500;
    direct.timeoutMs = 500;
    service.enqueue(Answer::trickled(60, 100));
    const TextResult served = ask();
    EXPECT_EQ(served.error, AskError::network);
    EXPECT_FALSE(served.text);
    EXPECT_LT(service.bodyBytesSent(), 60) << "the answer came only when the trickle ended";

    messages.enqueue(Answer::trickled(60, 100));
    EXPECT_EQ(plan().error, AskError::network);
    EXPECT_LT(messages.bodyBytesSent(), 60);
}

TEST_F(AskNetworkTest, endlessHeadersEndAtTheDeadlineWithoutHoldingUpTheInterface) {
    HeaderFloodServer flood;
    ScopedEnv to("BRISKLET_SERVICE_URL", flood.base().toUtf8());
    client.askTimeoutMs = 1000;
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    QTimer tick;
    tick.callOnTimeout([&] {
        longestGap = std::max(longestGap, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
    });
    tick.start(100);
    std::optional<TextResult> result;
    qint64 doneAt = 0;
    client.ask(QStringLiteral("hello"), [&](const TextResult& r) {
        result = r;
        doneAt = clock.elapsed();
    });
    ASSERT_TRUE(waitFor([&] { return result.has_value(); }, 20000));
    EXPECT_EQ(result->error, AskError::server);
    EXPECT_LT(doneAt, client.askTimeoutMs + 500) << "the completion came before the deadline plus a margin";
    EXPECT_TRUE(waitFor([&] { return flood.openConnections() == 0; }))
        << "the endless headers are still being read after the completion";
    ASSERT_TRUE(waitFor([&] { return lastTick > doneAt; }));
    EXPECT_LT(longestGap, 1000) << "the event loop stood still for " << longestGap << " ms";
}

TEST_F(AskNetworkTest, aStallDoesNotHoldUpTheNextAskWhileABuildIsInFlight) {
    HeaderFloodServer flood;
    client.askTimeoutMs = 1000;
    service.enqueue({Answer::Kind::reply, 200, "built", 3000});
    std::optional<TextResult> built;
    client.buildSetup(QStringLiteral("a desk"), [&](const TextResult& r) { built = r; });
    ASSERT_TRUE(waitFor([&] { return service.requests().size() == 1; }));
    {
        ScopedEnv stalled("BRISKLET_SERVICE_URL", flood.base().toUtf8());
        EXPECT_EQ(ask().error, AskError::server);
    }
    service.enqueue(Answer::ok("[]"));
    EXPECT_EQ(ask(), TextResult::success(QStringLiteral("[]")));
    EXPECT_FALSE(built.has_value()) << "the build was meant to be still on its way";
    EXPECT_EQ(service.connections(), 2) << "the ask after the stall came on a connection of its own";
    ASSERT_TRUE(waitFor([&] { return built.has_value(); }));
    EXPECT_EQ(*built, TextResult::success(QStringLiteral("built")));
}

TEST_F(AskNetworkTest, aReplyInChunksIsReadWhole) {
    const QByteArray plan = R"([{"type":"openApp","name":"Calculator"}])";
    service.enqueue(Answer::inChunks(plan, 7));
    EXPECT_EQ(ask(), TextResult::success(QString::fromUtf8(plan)));
}

TEST_F(AskNetworkTest, aReplyThatIsNotHttpIsTroubleAtTheServerNotNoInternet) {
    LogCapture log;
    const QByteArray noise = QByteArray::fromHex("8d1f03c2a7e4590b6612ffee00417c3b");
    service.enqueue(Answer::rawBytes(noise));
    EXPECT_EQ(ask(), TextResult::failure(AskError::server, "0"));
    messages.enqueue(Answer::rawBytes(noise));
    EXPECT_EQ(plan(), AskResult::failure(AskError::server, "0"));
    EXPECT_EQ(log.count("The reply was not HTTP"), 2) << qPrintable(log.messages().join('|'));
    EXPECT_EQ(log.count("ask HTTP 0"), 1);

    // Headers past their bound.
    HeaderFloodServer flood;
    ScopedEnv to("BRISKLET_SERVICE_URL", flood.base().toUtf8());
    EXPECT_EQ(ask(), TextResult::failure(AskError::server, "0"));
    AnthropicDirectBackend flooded{network, &secrets, flood.base()};
    EXPECT_EQ(plan(flooded), AskResult::failure(AskError::server, "0"));
}

// The proxy variables in charge, each unset until a test sets it, and a proxy.
class AskProxyTest : public AskNetworkTest {
protected:
    struct SystemProxies {
        SystemProxies() { QNetworkProxyFactory::setUseSystemConfiguration(true); }
        ~SystemProxies() { QNetworkProxyFactory::setUseSystemConfiguration(false); }
    } system;
    std::vector<std::unique_ptr<ScopedEnv>> unset = [] {
        std::vector<std::unique_ptr<ScopedEnv>> all;
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                 "ALL_PROXY", "no_proxy", "NO_PROXY"})
            all.push_back(std::make_unique<ScopedEnv>(name, std::nullopt));
        return all;
    }();
    FakeHttpServer proxy;

    void SetUp() override { network.setProxy(QNetworkProxy::DefaultProxy); }
};

// The proxied hosts are names of no machine: the proxy alone resolves them (a proxy
// elsewhere cannot reach this machine's loopback, so those addresses go direct).
TEST_F(AskProxyTest, theProxyVariablesAreHonouredExceptForTheHostsNoProxyNames) {
    ScopedEnv named("BRISKLET_SERVICE_URL", service.base("service.test").toUtf8());
    const QByteArray askAddress = service.base("service.test").toUtf8() + "/functions/v1/ask";
    {
        ScopedEnv via("http_proxy", proxy.base().toUtf8());
        proxy.enqueue(Answer::ok("[]"));
        EXPECT_EQ(ask(), TextResult::success("[]"));
        ASSERT_EQ(proxy.requests().size(), 1u);
        EXPECT_EQ(proxy.requests()[0].method, "POST");
        EXPECT_EQ(proxy.requests()[0].path, askAddress) << "an http address goes to the proxy whole";
        EXPECT_EQ(service.connections(), 0);

        // A host no_proxy names goes straight to itself. Asked of the proxy choice
        // alone: a request would look the name up, off this machine.
        ScopedEnv except("no_proxy", "example.org, .test");
        const std::optional<QNetworkProxy> passedBy = ProxyEnvironment::forUrl(QUrl(askAddress));
        ASSERT_TRUE(passedBy);
        EXPECT_EQ(passedBy->type(), QNetworkProxy::NoProxy) << "the proxy is passed by";
        const std::optional<QNetworkProxy> named = ProxyEnvironment::forUrl(QUrl("http://service.example/"));
        ASSERT_TRUE(named);
        EXPECT_EQ(named->type(), QNetworkProxy::HttpProxy) << "a host it does not name";
    }
    {
        ScopedEnv via("https_proxy", proxy.base().toUtf8());
        proxy.resolveToLoopback("messages.test");
        AnthropicDirectBackend secure{network, &secrets, messages.httpsBase("messages.test")};
        secure.timeoutMs = 500;
        proxy.enqueue(Answer::tunnelled());
        // The loopback server speaks no TLS: the handshake through the tunnel never ends.
        EXPECT_EQ(plan(secure).error, AskError::network);
        ASSERT_EQ(proxy.requests().size(), 2u);
        EXPECT_EQ(proxy.requests()[1].method, "CONNECT");
        EXPECT_EQ(proxy.requests()[1].path, messages.httpsBase("messages.test").mid(8).toUtf8());
        EXPECT_EQ(messages.connections(), 1) << "the tunnel reached the host";
    }
    {
        ScopedEnv via("ALL_PROXY", proxy.base().toUtf8());
        proxy.enqueue(Answer::ok("[]"));
        EXPECT_EQ(ask(), TextResult::success("[]"));
        ASSERT_EQ(proxy.requests().size(), 3u);
        EXPECT_EQ(proxy.requests()[2].path, askAddress);
    }
}

// A proxy elsewhere cannot reach a service on this machine, and an http request to
// it would carry the phrase and the key in clear.
TEST_F(AskProxyTest, aServiceOnThisMachineIsReachedDirectlyWhateverTheProxyVariablesSay) {
    ScopedEnv via("http_proxy", proxy.base().toUtf8());
    for (const QString& host : {QStringLiteral("127.0.0.1"), QStringLiteral("localhost")}) {
        SCOPED_TRACE(host.toStdString());
        ScopedEnv at("BRISKLET_SERVICE_URL", service.base(host).toUtf8());
        service.enqueue(Answer::ok("[]"));
        EXPECT_EQ(ask(), TextResult::success("[]"));
    }
    EXPECT_EQ(service.requests().size(), 2u);

    FakeHttpServer elsewhereOnLoopback(QHostAddress(QStringLiteral("127.0.0.2")));
    ScopedEnv at("BRISKLET_SERVICE_URL", elsewhereOnLoopback.base().toUtf8());
    elsewhereOnLoopback.enqueue(Answer::ok("[]"));
    EXPECT_EQ(ask(), TextResult::success("[]")) << "all of 127.0.0.0/8";

    FakeHttpServer v6(QHostAddress::LocalHostIPv6);
    ASSERT_EQ(v6.httpsBase().left(13), "https://[::1]");
    AnthropicDirectBackend secure{network, &secrets, v6.httpsBase()};
    secure.timeoutMs = 300;
    // The loopback server speaks no TLS: the handshake never ends, but it began there.
    EXPECT_EQ(plan(secure).error, AskError::network);
    EXPECT_EQ(v6.connections(), 1);

    // A name under "localhost" is this machine too, resolved or not.
    const std::optional<QNetworkProxy> sub =
        ProxyEnvironment::forUrl(QUrl(service.base("service.localhost") + "/functions/v1/ask"));
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->type(), QNetworkProxy::NoProxy);
    EXPECT_EQ(proxy.connections(), 0);
}
