// The reading of a model's raw reply that the plan and draft readers share.
#include "ask/ModelReply.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace brisklet;

TEST(ModelReplyTest, fencesComeOffOnlyAroundTheReply) {
    EXPECT_EQ(ModelReply::withoutFences(QStringLiteral("  ```json\n[1]\n```  ")), QStringLiteral("[1]"));
    EXPECT_EQ(ModelReply::withoutFences(QStringLiteral("```\n{}\n```")), QStringLiteral("{}"));
    // A reply that does not open with a fence is left as it is, but trimmed.
    EXPECT_EQ(ModelReply::withoutFences(QStringLiteral(" [\"```\"] ")), QStringLiteral("[\"```\"]"));
}

TEST(ModelReplyTest, onlyVisibleCharactersAreKept) {
    const QString text = QStringLiteral("Quit\n Fi") + QChar(0x202E) + QStringLiteral("les\t");
    EXPECT_EQ(ModelReply::visible(text), QStringLiteral("Quit Files"));
    // Characters outside the basic plane survive whole.
    const QString emoji = QString::fromUcs4(U"go \U0001F680");
    EXPECT_EQ(ModelReply::visible(emoji), emoji);
}

TEST(ModelReplyTest, arraysOfObjectsOnly) {
    const auto array = [](const char* json) { return QJsonDocument::fromJson(json).array(); };
    EXPECT_TRUE(ModelReply::allObjects(array("[]")));
    EXPECT_TRUE(ModelReply::allObjects(array(R"([{}, {"a": 1}])")));
    EXPECT_FALSE(ModelReply::allObjects(array(R"([{}, 2])")));
}
