#include "commands/Vocabulary.h"
#include "commands/CommandRegistry.h"
#include "commands/ReservedPhrases.h"

#include <gtest/gtest.h>

using namespace brisklet;

TEST(Vocabulary, keepsTheFirstHundredAndDropsCaseDuplicatesAndEmpties) {
    QStringList phrases{"Firefox", "", "firefox", "FIREFOX"};
    for (int i = 0; i < 150; ++i)
        phrases << QStringLiteral("phrase %1").arg(i);
    const QStringList out = Vocabulary::cap(phrases);
    ASSERT_EQ(out.size(), 100);
    EXPECT_EQ(out[0], "Firefox");
    EXPECT_EQ(out[1], "phrase 0");
    EXPECT_EQ(out[99], "phrase 98");
}

TEST(ReservedPhrases, holdTheFixedOnesAndEveryRegistryPhraseEnabledOrNot) {
    CommandRegistry registry(QStringLiteral("/nonexistent/commands.json"));
    registry.setEntries({});
    const QStringList fixed = ReservedPhrases::of(registry);
    EXPECT_EQ(fixed.size(), 27);
    EXPECT_TRUE(fixed.contains("put it back"));
    EXPECT_TRUE(fixed.contains("do not disturb"));

    CommandEntry off;
    off.id = "custom-abcd1234";
    off.phrases = {"Play Jazz!", "  "};
    off.action = "runShortcut";
    off.params = {{"name", "Jazz"}};
    off.enabled = false;
    registry.setEntries({off});
    const QStringList reserved = ReservedPhrases::of(registry);
    EXPECT_TRUE(reserved.contains("play jazz")) << "normalised, even when disabled";
    EXPECT_FALSE(reserved.contains(QString())) << "a blank phrase reserves nothing";
    EXPECT_TRUE(std::is_sorted(reserved.begin(), reserved.end()));
}
