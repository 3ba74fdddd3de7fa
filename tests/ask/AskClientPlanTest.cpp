#include "ask/AskClient.h"

#include <gtest/gtest.h>

using namespace brisklet;

namespace {

struct Accepted {
    const char* reply;
    Plan plan;
};

struct Rejected {
    const char* reply;
    const char* message;
};

Plan parsed(const QString& reply) {
    const AskClient::ParsedPlan p = AskClient::parsePlan(reply);
    EXPECT_FALSE(p.error) << qPrintable(reply) << " → " << qPrintable(p.error->msg);
    return p.plan;
}

QString rejection(const QString& reply) {
    const AskClient::ParsedPlan p = AskClient::parsePlan(reply);
    EXPECT_TRUE(p.plan.empty());
    return p.error ? p.error->msg : QStringLiteral("<accepted>");
}

} // namespace

TEST(AskClientPlanTest, everyTypeBecomesItsAction) {
    const std::vector<Accepted> table = {
        {R"([{"type":"openApp","name":"Firefox"}])", {Action::openApp("Firefox")}},
        {R"([{"type":"quitApp","name":"Files"}])", {Action::quitApp("Files")}},
        {R"([{"type":"focusApp","name":"Code","extra":1}])", {Action::focusApp("Code")}},
        {R"([{"type":"moveWindow","position":"maximize"}])", {Action::moveWindow(WindowPosition::maximize)}},
        {R"([{"type":"applyLayout","name":"Desk"}])", {Action::applyLayout("Desk")}},
        {R"([{"type":"sortWindows"}])", {Action::sortActive(std::nullopt)}},
        {R"([{"type":"sortWindows","scope":"active","count":4}])", {Action::sortActive(4)}},
        {R"([{"type":"sortWindows","scope":"all","count":3}])", {Action::sortAll()}},
        {R"([{"type":"sortWindows","scope":7}])", {Action::sortActive(std::nullopt)}},
        {R"([{"type":"setVolume","level":100}])", {Action::setVolume(100)}},
        {R"([{"type":"setVolume","level":42.9}])", {Action::setVolume(42)}},
        {R"([{"type":"setVolume","level":-0.5}])", {Action::setVolume(0)}},
        {R"([{"type":"mute","value":false}])", {Action::mute(false)}},
        {R"([{"type":"screenshot"},{"type":"lockScreen"},{"type":"undoSetup"}])",
         {Action::screenshot(), Action::lockScreen(), Action::undoSetup()}},
        {R"([{"type":"runShortcut","name":"Brisklet DND"}])", {Action::runShortcut("Brisklet DND")}},
        {R"([{"type":"playMusic","query":"zevro","app":"Spotify"}])",
         {Action::playMusic("zevro", "Spotify")}},
        {R"([{"type":"playMusic","query":"zevro","app":""}])", {Action::playMusic("zevro", std::nullopt)}},
        {R"([{"type":"mediaControl","op":"playPause"}])", {Action::mediaControl(MediaOp::playPause)}},
        {R"([{"type":"runSetup","name":"study"},{"type":"endSetup","name":"work"}])",
         {Action::runSetup("study"), Action::endSetup("work")}},
        {R"([{"type":"captureSetup","name":null}])", {Action::captureSetup(std::nullopt)}},
        {R"([{"type":"captureSetup","name":"Deep"}])", {Action::captureSetup("Deep")}},
        {"```json\n[{\"type\":\"screenshot\"}]\n```", {Action::screenshot()}},
        {"  \n[]\n ", {}},
    };
    for (const Accepted& row : table)
        EXPECT_EQ(parsed(QString::fromUtf8(row.reply)), row.plan) << row.reply;
}

TEST(AskClientPlanTest, aBrokenRuleRejectsTheWholeReplyWithItsMessage) {
    const std::vector<Rejected> table = {
        {R"({"type":"screenshot"})", "not a JSON array of objects"},
        {R"([{"type":"screenshot"},3])", "not a JSON array of objects"},
        {R"([{"name":"x"}])", "missing/empty type"},
        {R"([{"type":""}])", "missing/empty type"},
        {R"([{"type":"OpenApp","name":"x"}])", "unknown type OpenApp"},
        {R"([{"type":"openApp"}])", "missing/empty name"},
        {R"([{"type":"openApp","name":7}])", "missing/empty name"},
        {R"([{"type":"moveWindow","position":"Left"}])", "bad position"},
        {R"([{"type":"moveWindow"}])", "missing/empty position"},
        {R"([{"type":"sortWindows","scope":"ALL"}])", "bad scope"},
        {R"([{"type":"sortWindows","scope":"ALL","count":0}])", "bad scope"},
        {R"([{"type":"sortWindows","count":0}])", "bad count"},
        {R"([{"type":"sortWindows","count":13}])", "bad count"},
        {R"([{"type":"sortWindows","count":null}])", "bad count"},
        {R"([{"type":"setVolume","level":101}])", "bad level"},
        {R"([{"type":"setVolume","level":-1}])", "bad level"},
        {R"([{"type":"setVolume","level":"50"}])", "bad level"},
        {R"([{"type":"setVolume","level":true}])", "bad level"},
        {R"([{"type":"setVolume"}])", "bad level"},
        {R"([{"type":"mute","value":1}])", "bad value"},
        {R"([{"type":"mute","value":"true"}])", "bad value"},
        {R"([{"type":"playMusic","query":"x","app":3}])", "bad app"},
        {R"([{"type":"playMusic","app":"Music"}])", "missing/empty query"},
        {R"([{"type":"mediaControl","op":"stop"}])", "bad op"},
        {R"([{"type":"mediaControl"}])", "missing/empty op"},
        {R"([{"type":"captureSetup","name":false}])", "bad name"},
        {R"([{"type":"openApp","name":"A"},{"type":"openApp","name":"B"},{"type":"lockscreen"}])",
         "unknown type lockscreen"},
    };
    for (const Rejected& row : table)
        EXPECT_EQ(rejection(QString::fromUtf8(row.reply)), QString::fromUtf8(row.message)) << row.reply;
}

TEST(AskClientPlanTest, hugeAndNonFiniteNumbersAreRejectedNotWrapped) {
    EXPECT_EQ(rejection(R"([{"type":"setVolume","level":1e300}])"), "bad level");
    EXPECT_EQ(rejection(R"([{"type":"setVolume","level":-1e300}])"), "bad level");
    EXPECT_EQ(rejection(R"([{"type":"setVolume","level":4294967346}])"), "bad level");
    EXPECT_EQ(rejection(R"([{"type":"sortWindows","count":4294967299}])"), "bad count");
    // The reader itself refuses an infinite literal.
    EXPECT_TRUE(AskClient::parsePlan(R"([{"type":"sortWindows","count":1e999}])").error);
}

TEST(AskClientPlanTest, tenActionsPassAndElevenAreTooLong) {
    QStringList objects;
    for (int i = 0; i < 11; ++i)
        objects << QStringLiteral(R"({"type":"screenshot"})");
    EXPECT_EQ(parsed('[' + objects.mid(0, 10).join(',') + ']').size(), 10u);
    EXPECT_EQ(rejection('[' + objects.join(',') + ']'), "plan too long (11)");
}

TEST(AskClientPlanTest, fencesAreStrippedOnlyWhenTheReplyStartsWithOne) {
    EXPECT_EQ(parsed("```\n[{\"type\":\"lockScreen\"}]```"), Plan{Action::lockScreen()});
    const QString prose = "Here you go:\n```json\n[{\"type\":\"screenshot\"}]\n```";
    const AskClient::ParsedPlan p = AskClient::parsePlan(prose);
    ASSERT_TRUE(p.error);
    EXPECT_TRUE(p.plan.empty());
    // A fence marked with another language leaves its word behind, which is no JSON.
    EXPECT_TRUE(AskClient::parsePlan("```JSON\n[]\n```").error);
}

TEST(AskClientPlanTest, namesLoseControlAndFormatCharactersBeforeAnyoneSeesThem) {
    // A right-to-left override could make "Quit X?" read as another app.
    EXPECT_EQ(parsed(QString::fromUtf8(R"([{"type":"quitApp","name":"Fire\u202Efox\n"}])")),
              Plan{Action::quitApp("Firefox")});
    EXPECT_EQ(parsed(QString::fromUtf8(R"([{"type":"playMusic","query":"a\u200Bb","app":"\u200E"}])")),
              Plan{Action::playMusic("ab", std::nullopt)});
    EXPECT_EQ(parsed(QString::fromUtf8(R"([{"type":"captureSetup","name":"\t"}])")),
              Plan{Action::captureSetup(std::nullopt)});
    EXPECT_EQ(rejection(QString::fromUtf8(R"([{"type":"runSetup","name":"\u202E\r\n"}])")),
              "missing/empty name");
    // The type is compared as sent: a hidden character does not make it right.
    EXPECT_EQ(rejection(QString::fromUtf8("[{\"type\":\"open\u200BApp\",\"name\":\"x\"}]")),
              QString::fromUtf8("unknown type open\u200BApp"));
    // Letters outside the basic plane survive.
    EXPECT_EQ(parsed(QString::fromUtf8(R"([{"type":"openApp","name":"𝄞 Notes"}])")),
              Plan{Action::openApp(QString::fromUtf8("𝄞 Notes"))});
}

TEST(AskClientPlanTest, syntaxErrorsCarryTheReadersMessage) {
    const AskClient::ParsedPlan p = AskClient::parsePlan("[{\"type\":");
    ASSERT_TRUE(p.error);
    EXPECT_FALSE(p.error->msg.isEmpty());
    EXPECT_NE(p.error->msg, "not a JSON array of objects");
}
