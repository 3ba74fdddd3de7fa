// Names of real desktop apps said by flite voices, heard by the real recogniser with
// the phrases and names the app gives it, and read by the matcher: each app opens by
// voice and nearly every one quits (a quit whose verb the general model did not hear
// is missed), and a phrase naming an app that is not installed ends as free text
// or a miss, never as another command.
#include "SpokenDesktop.h"
#include "platform/linux/speech/PocketSphinxRecognizer.h"
#include "support/SpeechSet.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet;
namespace SpeechSet = brisklet::test::SpeechSet;

namespace {

// The desktop above with one setup, and what its recogniser makes of a clip.
struct Desktop : test::SpokenDesktop {
    QString lastDecision; // how the recogniser decided the last clip, for messages

    explicit Desktop(std::vector<platform::AppEntry> apps)
        : SpokenDesktop(std::move(apps), {{"Deep Work", {}}}, {}) {}

    // What one spoken clip becomes: the transcript and the plan the matcher makes of it.
    std::pair<QString, Plan> hear(platform::PocketSphinxRecognizer& recognizer, const SpeechSet::Clip& clip) {
        const auto samples = SpeechSet::readClip(clip.file);
        if (!samples)
            return {};
        const auto decoded = SpeechSet::decode(recognizer, *samples, request(), SpeechSet::roomOf(clip));
        const QString heard = Text::normalize(decoded.finalText.value_or(QString()));
        const auto d = recognizer.lastDecision();
        lastDecision = QString("grammar \"%1\" %2/frame cover %3, general \"%4\"")
                           .arg(d.grammarText)
                           .arg(d.scorePerFrame, 0, 'f', 1)
                           .arg(d.coverage, 0, 'f', 2)
                           .arg(d.generalText);
        return {heard, matcher->match(heard)};
    }
};

platform::PocketSphinxRecognizer& recognizer() {
    static platform::PocketSphinxRecognizer shared;
    static const bool loading = (shared.load(), true);
    (void)loading;
    return shared;
}

} // namespace

TEST(SpokenAppNames, eachInstalledAppOpensAndQuitsByVoice) {
    ASSERT_TRUE(recognizer().waitUntilLoaded()) << "the pocketsphinx-en-us model did not load";
    Desktop desktop(test::SpokenDesktop::debianApps());
    struct Said {
        const char* spoken;
        Action::Kind kind;
        const char* app; // desktop ID
    };
    const std::vector<Said> said = {
        {"open galculator", Action::Kind::openApp, "galculator"},
        {"quit galculator", Action::Kind::quitApp, "galculator"},
        {"open uxterm", Action::Kind::openApp, "debian-uxterm"},
        {"quit uxterm", Action::Kind::quitApp, "debian-uxterm"},
        {"open imagemagick", Action::Kind::openApp, "display-im6.q16"},
        {"quit imagemagick", Action::Kind::quitApp, "display-im6.q16"},
        {"open mousepad", Action::Kind::openApp, "org.xfce.mousepad"},
        {"quit featherpad", Action::Kind::quitApp, "featherpad"},
    };
    std::vector<SpeechSet::Phrase> phrases;
    for (const Said& s : said)
        phrases.push_back({s.spoken, s.spoken});
    QTemporaryDir folder;
    QString error;
    const auto clips = SpeechSet::generate(folder.path(), phrases, {"slt", "rms"}, std::nullopt, &error);
    ASSERT_EQ(clips.size(), said.size() * 2) << qPrintable(error);
    int quitsMissed = 0;

    for (const auto& clip : clips) {
        const auto it = std::find_if(said.begin(), said.end(),
                                     [&](const Said& s) { return clip.spoken == QLatin1String(s.spoken); });
        ASSERT_NE(it, said.end());
        const auto [heard, plan] = desktop.hear(recognizer(), clip);
        const QString where = clip.voice + ": \"" + clip.spoken + "\" heard as \"" + heard + "\" (" +
                              desktop.lastDecision + ")";
        // A quit is taken only where the general model heard its verb as well: a
        // miss, never another action, where it did not.
        if (plan.empty() && it->kind == Action::Kind::quitApp) {
            ++quitsMissed;
            continue;
        }
        ASSERT_EQ(plan.size(), 1u) << qPrintable(where);
        EXPECT_EQ(plan.front().kind, it->kind) << qPrintable(where);
        const auto app = desktop.index->resolve(plan.front().name);
        ASSERT_TRUE(app) << qPrintable(where);
        EXPECT_EQ(app->bundleID, QString::fromLatin1(it->app)) << qPrintable(where);
    }
    EXPECT_LE(quitsMissed, 2) << "of 8 quits said clean";
}

TEST(SpokenAppNames, namingAnAppThatIsNotInstalledNeverRunsAnotherCommand) {
    ASSERT_TRUE(recognizer().waitUntilLoaded()) << "the pocketsphinx-en-us model did not load";
    std::vector<platform::AppEntry> apps = test::SpokenDesktop::debianApps();
    std::erase_if(apps, [](const platform::AppEntry& e) { return e.id == QLatin1String("galculator"); });
    Desktop desktop(apps);
    const std::vector<SpeechSet::Phrase> phrases = {{"open calculator", ""}, {"quit photoshop", ""}};
    QTemporaryDir folder;
    QString error;
    const auto clips = SpeechSet::generate(folder.path(), phrases, {"slt", "rms", "awb"}, 15.0, &error);
    ASSERT_EQ(clips.size(), phrases.size() * 6) << qPrintable(error);

    for (const auto& clip : clips) {
        const auto [heard, plan] = desktop.hear(recognizer(), clip);
        const QString where = clip.voice + (clip.noisy ? " noisy" : " clean") + ": \"" + clip.spoken +
                              "\" heard as \"" + heard + "\" (" + desktop.lastDecision + ")";
        // Free text for Ask, or an open or quit of a name that no installed app answers to.
        if (plan.empty())
            continue;
        ASSERT_EQ(plan.size(), 1u) << qPrintable(where);
        const Action& action = plan.front();
        ASSERT_TRUE(action.kind == Action::Kind::openApp || action.kind == Action::Kind::quitApp)
            << qPrintable(where);
        EXPECT_FALSE(desktop.index->resolve(action.name)) << qPrintable(where);
    }
}
