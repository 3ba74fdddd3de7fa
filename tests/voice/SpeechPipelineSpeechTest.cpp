// The whole road of a spoken phrase: recordings played into the audio engine, its
// processing thread handing chunks to the speech controller, the real recogniser
// and the final transcript. One engine and one recogniser hear every clip in turn.
#include "base/Text.h"
#include "platform/linux/speech/PocketSphinxRecognizer.h"
#include "support/FakeScheduler.h"
#include "support/FileAudioBackend.h"
#include "support/RecordingRecognizer.h"
#include "support/SpeechSet.h"
#include "voice/AudioEngine.h"
#include "voice/SpeechController.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <thread>

using namespace brisklet;
namespace SpeechSet = brisklet::test::SpeechSet;

TEST(SpeechPipeline, phrasesPlayedIntoTheMicrophoneComeOutAsFinalTranscripts) {
    test::FakeClock clock;
    test::FakeScheduler scheduler(clock);
    platform::PocketSphinxRecognizer recognizer;
    recognizer.load();
    ASSERT_TRUE(recognizer.waitUntilLoaded()) << "the pocketsphinx-en-us model did not load";
    test::RecordingRecognizer recording(recognizer);

    QTemporaryDir folder;
    QString error;
    std::vector<SpeechSet::Phrase> phrases = {{"open terminal", "open terminal"},
                                              {"volume 75", "volume 75"},
                                              {"what is the weather like tomorrow", ""}};
    auto clips = SpeechSet::generate(folder.path(), phrases, {"slt"}, 15.0, &error);
    ASSERT_EQ(clips.size(), 6u) << qPrintable(error);

    auto backend = std::make_unique<test::FileAudioBackend>(test::FileAudioBackend::Pace::fast);
    test::FileAudioBackend* player = backend.get();
    AudioEngine engine(std::move(backend), scheduler);
    player->attach(engine);
    SpeechController controller(&recording, scheduler);
    controller.vocabularyProvider = [] { return SpeechSet::biasPhrases(); };
    controller.shapesProvider = [] { return SpeechSet::biasShapes(); };
    ASSERT_TRUE(engine.addHandler(
        [&](std::span<const float> samples, std::int64_t) { controller.appendAudio(samples); }));
    engine.start();
    engine.waitForControl();
    ASSERT_TRUE(engine.isRunning());

    for (const auto& clip : clips) {
        int completions = 0;
        std::optional<QString> finalText;
        controller.start(SpeechController::Mode::hold, nullptr, [&](std::optional<QString> text) {
            ++completions;
            finalText = text;
        });
        ASSERT_TRUE(player->appendWav(clip.file, &error)) << qPrintable(error);
        ASSERT_TRUE(player->waitUntilPlayed(30));
        // The state each step needs, however busy the machine: the recogniser has
        // decoded all of the clip, then the final result has come back.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while ((engine.bufferedSamples() >= AudioEngine::chunkFrames || recording.last->backlog() > 0) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // The key is released: the final result comes from the recogniser's thread.
        controller.endListeningWindow(controller.generation());
        while (completions == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            scheduler.runDue();
        }
        ASSERT_EQ(completions, 1) << qPrintable(clip.spoken);
        const QString heard = finalText.value_or(QString());
        if (!clip.expected.isEmpty()) {
            EXPECT_EQ(heard, clip.expected) << (clip.noisy ? "noisy " : "clean ") << qPrintable(clip.spoken);
        } else {
            EXPECT_FALSE(recognizer.lastDecision().grammarKept) << qPrintable(heard);
            EXPECT_TRUE(heard.contains("weather") || clip.noisy) << qPrintable(heard);
        }
    }
    engine.stop();
    engine.waitForControl();
}
