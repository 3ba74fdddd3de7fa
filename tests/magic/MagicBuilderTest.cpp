// The builder's routes and its one report: failures known before a request come at
// once without one, the user's key wins, route failures pass through unchanged, and
// a builder gone before the reply reports nothing.
#include "magic/MagicBuilder.h"
#include "base/Prefs.h"
#include "magic/MagicBackend.h"
#include "magic/MagicFixtures.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class StubRoute final : public MagicBackend {
public:
    bool available = true;
    QStringList sent;
    std::function<void(const TextResult&)> pending;
    bool isAvailable() const override { return available; }
    void build(const QString& description, std::function<void(const TextResult&)> completion) override {
        sent << description;
        pending = std::move(completion);
    }
};

class MagicBuilderTest : public ::testing::Test {
protected:
    void SetUp() override {
        Prefs::registerDefaults();
        auto d = std::make_unique<StubRoute>();
        auto s = std::make_unique<StubRoute>();
        direct = d.get();
        service = s.get();
        builder = std::make_unique<MagicBuilder>(std::move(d), std::move(s));
        builder->inventoryProvider = [] {
            return MagicRecommender::inventory({{}, kNow}, {indexed("kitty", "kitty")}, {}, {});
        };
        builder->reservedPhrasesProvider = [] { return QSet<QString>{"kitty"}; };
    }
    std::vector<MagicBuilder::Result> propose(const QString& text) {
        builder->propose(text, [this](const MagicBuilder::Result& r) { results.push_back(r); });
        return results;
    }

    TempHome home;
    StubRoute* direct = nullptr;
    StubRoute* service = nullptr;
    std::unique_ptr<MagicBuilder> builder;
    std::vector<MagicBuilder::Result> results;
};

} // namespace

TEST_F(MagicBuilderTest, failuresKnownBeforeARequestComeAtOnce) {
    Prefs::setValue(Prefs::Key::askEnabled, false);
    EXPECT_FALSE(builder->isEnabled());
    EXPECT_EQ(propose("a writing setup").back().error, AskError::disabled);
    Prefs::setValue(Prefs::Key::askEnabled, true);
    EXPECT_EQ(propose(" \n\t ").back().error, AskError::badPlan);
    direct->available = false;
    service->available = false;
    EXPECT_FALSE(builder->isEnabled());
    EXPECT_EQ(propose("a writing setup").back().error, AskError::serviceUnavailable);
    EXPECT_EQ(results.size(), 3u);
    EXPECT_TRUE(direct->sent.isEmpty() && service->sent.isEmpty());
}

TEST_F(MagicBuilderTest, theUsersKeyWinsAndTheDescriptionIsBounded) {
    EXPECT_TRUE(builder->isEnabled());
    propose("  " + QString(500, 'w') + "  ");
    ASSERT_EQ(direct->sent.size(), 1);
    EXPECT_EQ(direct->sent[0], QString(400, 'w'));
    EXPECT_TRUE(service->sent.isEmpty());
    EXPECT_TRUE(results.empty()) << "nothing until the reply";

    direct->available = false;
    propose("code");
    EXPECT_EQ(service->sent, QStringList{"code"});
}

TEST_F(MagicBuilderTest, theReplyIsGroundedWithTheProvidersAndFailuresPassThrough) {
    propose("shell");
    direct->pending(TextResult::success(R"({"name":"Kitty","items":[{"app":"kitty","placement":"full"}]})"));
    ASSERT_EQ(results.size(), 1u);
    ASSERT_TRUE(results[0].built);
    EXPECT_EQ(results[0].built->proposal.title, "My Kitty") << "the reserved phrase was asked for";
    EXPECT_EQ(results[0].built->proposal.draft.items.at(0).frame, (SetupFrame{0, 0, 1, 1, 0}));

    propose("shell");
    direct->pending(TextResult::failure(AskError::server, "500"));
    EXPECT_EQ(results.back(), (MagicBuilder::Result{std::nullopt, AskError::server}));
    propose("shell");
    direct->pending(TextResult::success("nonsense"));
    EXPECT_EQ(results.back().error, AskError::badPlan);
}

TEST_F(MagicBuilderTest, aBuilderGoneBeforeTheReplyReportsNothing) {
    propose("shell");
    auto reply = direct->pending;
    builder.reset();
    reply(TextResult::success(R"({"name":"Kitty","items":[{"app":"kitty"}]})"));
    EXPECT_TRUE(results.empty());
}
