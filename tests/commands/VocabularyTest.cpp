#include "commands/Vocabulary.h"
#include "CommandFakes.h"
#include "commands/AppIndex.h"
#include "commands/CommandRegistry.h"
#include "commands/IntentMatcher.h"
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

// The names the shapes' slots take: setups with their trigger phrases, layouts and
// every installed app, far past the phrases' cap, each app also by the shorter parts
// of its name that find it, but no command phrase.
TEST(Vocabulary, slotNamesHoldSetupsLayoutsAndAppsButNoCommandPhrase) {
    test::FakeSetups setups(std::vector<SetupNames>{{"Deep Work", {"focus time"}}});
    test::FakeLayouts layouts({"coding"});
    test::FakeInstalledApps installed;
    installed.apps.push_back({"galculator", "Galculator", "/apps/galculator.desktop"});
    for (int i = 0; i < 600; ++i)
        installed.apps.push_back({QStringLiteral("app%1").arg(i), QStringLiteral("App %1").arg(i),
                                  QStringLiteral("/apps/%1.desktop").arg(i)});
    installed.apps.push_back({"deep-work", "deep work", "/apps/deep-work.desktop"});
    installed.apps.insert(installed.apps.begin() + 1, {"code", "Visual Studio Code", "/apps/code.desktop"});
    AppIndex index(&installed, nullptr);
    index.refresh();
    index.waitForScans();
    CommandRegistry registry(QStringLiteral("/nonexistent/commands.json"));
    IntentMatcher matcher(registry, setups, &layouts, &index);
    using Slot = platform::SpeechShapes::Slot;
    auto names = Vocabulary::shapes(matcher, setups, layouts, index).names;
    EXPECT_EQ(names[Slot::setup], (QStringList{"Deep Work", "focus time"}));
    EXPECT_EQ(names[Slot::layout], QStringList{"coding"});
    const QStringList apps = names[Slot::app];
    EXPECT_EQ(apps.mid(0, 3), (QStringList{"Galculator", "Visual Studio Code", "App 0"}));
    EXPECT_TRUE(apps.contains("App 397") && !apps.contains("App 398")) << "the first apps, up to the limit";
    const QStringList shorter = Vocabulary::shapes(matcher, setups, layouts, index).shortAppNames;
    for (const char* part : {"visual studio", "studio code", "visual", "studio", "code"})
        EXPECT_TRUE(shorter.contains(part)) << part;
    EXPECT_FALSE(shorter.contains("deep")) << "past the limit";
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
