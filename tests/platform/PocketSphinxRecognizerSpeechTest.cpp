// The real recogniser on speech made with flite and sox at test time. One
// recogniser lives through the whole program and hears clean and noisy clips in
// turn, as the app's does.
#include "base/Text.h"
#include "platform/linux/speech/PocketSphinxRecognizer.h"
#include "support/FakeScheduler.h"
#include "support/RecordingRecognizer.h"
#include "support/SpeechSet.h"
#include "support/TestSignals.h"
#include "support/WavFile.h"
#include "voice/SpeechController.h"

#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <thread>

using namespace brisklet;
namespace SpeechSet = brisklet::test::SpeechSet;

namespace {

struct Shared {
    std::unique_ptr<platform::PocketSphinxRecognizer> recognizer;
    std::vector<SpeechSet::Clip> commands;  // clean and noisy in turn
    std::vector<SpeechSet::Clip> questions; // clean and noisy in turn
    QString error;
};

Shared& shared() {
    // The recogniser lives to the end of the program, but its clips go with it.
    static QTemporaryDir folder;
    static Shared* s = [] {
        auto* s = new Shared;
        s->recognizer = std::make_unique<platform::PocketSphinxRecognizer>();
        s->recognizer->load();
        // Two voices over the phrases, alternating, keep the program short; the
        // benchmark speaks every phrase in every voice.
        std::vector<SpeechSet::Phrase> slt, rms;
        const auto phrases = SpeechSet::commandPhrases();
        for (std::size_t i = 0; i < phrases.size(); ++i)
            (i % 2 ? rms : slt).push_back(phrases[i]);
        for (auto [list, voice] : {std::pair{&slt, "slt"}, std::pair{&rms, "rms"}}) {
            auto clips = SpeechSet::generate(folder.filePath(voice), *list, {voice}, 15.0, &s->error);
            s->commands.insert(s->commands.end(), clips.begin(), clips.end());
        }
        s->questions = SpeechSet::generate(folder.filePath("questions"), SpeechSet::questions(),
                                           {"slt", "awb"}, 15.0, &s->error);
        return s;
    }();
    return *s;
}

class RecognizerSpeechTest : public ::testing::Test {
protected:
    void SetUp() override {
        Shared& s = shared();
        ASSERT_TRUE(s.recognizer->waitUntilLoaded()) << "the pocketsphinx-en-us model did not load";
        ASSERT_FALSE(s.commands.empty()) << qPrintable(s.error);
        ASSERT_FALSE(s.questions.empty()) << qPrintable(s.error);
    }
    static SpeechSet::Decoded decode(const SpeechSet::Clip& clip) {
        auto samples = SpeechSet::readClip(clip.file);
        EXPECT_TRUE(samples.has_value()) << qPrintable(clip.file);
        if (!samples)
            return {};
        return SpeechSet::decode(*shared().recognizer, *samples, SpeechSet::biasPhrases(),
                                 SpeechSet::biasShapes(), SpeechSet::roomOf(clip));
    }
    static QSet<QString> commandTexts() {
        QSet<QString> out;
        for (const QString& phrase : SpeechSet::biasPhrases())
            out.insert(Text::normalize(phrase));
        for (const auto& phrase : SpeechSet::commandPhrases())
            out.insert(phrase.expected);
        return out;
    }
};

} // namespace

TEST_F(RecognizerSpeechTest, commandPhrasesComeOutExactlyCleanAndMostlyInNoise) {
    int noisy = 0, noisyRight = 0;
    for (const auto& clip : shared().commands) {
        const auto decoded = decode(clip);
        ASSERT_TRUE(decoded.error.isEmpty()) << qPrintable(decoded.error);
        const QString heard = Text::normalize(decoded.finalText.value_or(QString()));
        if (!clip.noisy) {
            EXPECT_EQ(heard, clip.expected)
                << qPrintable(clip.voice) << " said \"" << qPrintable(clip.spoken) << "\"";
        } else {
            ++noisy;
            noisyRight += heard == clip.expected;
            if (heard != clip.expected)
                std::printf("noisy miss: %s \"%s\" → \"%s\"\n", qPrintable(clip.voice),
                            qPrintable(clip.spoken), qPrintable(heard));
        }
    }
    // Pink noise at 15 dB is hard on this model; most commands still come through.
    EXPECT_GE(noisyRight * 100, noisy * 70) << noisyRight << "/" << noisy << " noisy commands";
}

TEST_F(RecognizerSpeechTest, freeQuestionsStayFreeTextInsteadOfBecomingTheNearestCommand) {
    const QSet<QString> commands = commandTexts();
    int free = 0;
    for (const auto& clip : shared().questions) {
        const auto decoded = decode(clip);
        ASSERT_TRUE(decoded.error.isEmpty()) << qPrintable(decoded.error);
        const QString heard = Text::normalize(decoded.finalText.value_or(QString()));
        const auto decision = shared().recognizer->lastDecision();
        if (!decision.grammarKept && !commands.contains(heard))
            ++free;
        else
            std::printf("question taken for a command: %s \"%s\" → \"%s\"\n", qPrintable(clip.voice),
                        qPrintable(clip.spoken), qPrintable(heard));
        if (!clip.noisy && !decision.grammarKept) {
            // The general model's words, roughly: at least one word of the question.
            const QStringList said = Text::normalize(clip.spoken).split(' ');
            bool overlap = false;
            for (const QString& word : heard.split(' ', Qt::SkipEmptyParts))
                overlap = overlap || said.contains(word);
            EXPECT_TRUE(overlap) << qPrintable(clip.spoken) << " → " << qPrintable(heard);
        }
    }
    // The grammar alone forces every question into some command; the rule must turn
    // nearly all of them back into free text.
    const int total = int(shared().questions.size());
    EXPECT_GE(free * 100, total * 85) << free << "/" << total << " questions stayed free text";
}

TEST_F(RecognizerSpeechTest, partialsArriveBeforeTheFinalAndACancelledWindowReportsNothing) {
    const auto& clip = shared().commands.front(); // clean "open terminal"
    ASSERT_FALSE(clip.noisy);
    const auto decoded = decode(clip);
    EXPECT_FALSE(decoded.partials.isEmpty());
    EXPECT_EQ(Text::normalize(decoded.finalText.value_or(QString())), clip.expected);

    auto samples = SpeechSet::readClip(clip.file);
    ASSERT_TRUE(samples);
    auto request = std::make_shared<platform::RecognitionRequest>(SpeechSet::biasPhrases());
    std::atomic<int> finals{0};
    shared().recognizer->recognize(request, [&](std::optional<platform::RecognitionResult> result, QString) {
        if (!result || result->isFinal)
            ++finals;
    });
    request->append(std::span<const float>(*samples).first(std::min<std::size_t>(samples->size(), 8000)));
    request->cancel();
    // The next window still works and the cancelled one never reported.
    const auto after = decode(clip);
    EXPECT_EQ(Text::normalize(after.finalText.value_or(QString())), clip.expected);
    EXPECT_EQ(finals.load(), 0);
}

// On a loaded machine the final pass of a long window takes seconds. It marks the
// window's progress as it goes, so the window waits for it instead of taking it for a
// decoder that stood still; and a window given up leaves its work at once, so the
// next one is not kept waiting behind it.
TEST_F(RecognizerSpeechTest, aLongFinalPassMarksItsProgressAsItGoesAndAWindowGivenUpStopsAtOnce) {
    std::string error;
    const std::vector<float> speech = test::TestSignals::speech(
        "play some quiet music for me while I write the next chapter of my book tonight", &error, "slt");
    ASSERT_FALSE(speech.empty()) << error;
    const double seconds = double(speech.size()) / 16000;
    ASSERT_GT(seconds, 3.5);
    auto& recognizer = *shared().recognizer;
    using Clock = std::chrono::steady_clock;
    // Waits for `done`; false when a minute went by.
    const auto waitFor = [](const std::function<bool()>& done) {
        for (const auto until = Clock::now() + std::chrono::seconds(60); !done();) {
            if (Clock::now() > until)
                return false;
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        return true;
    };
    // A window that heard the whole sentence and decoded all of it live.
    const auto heard = [&](std::atomic<int>& finals) {
        auto request =
            std::make_shared<platform::RecognitionRequest>(SpeechSet::biasPhrases(), SpeechSet::biasShapes());
        recognizer.recognize(request, [&finals](std::optional<platform::RecognitionResult> result, QString) {
            if (!result || result->isFinal)
                ++finals;
        });
        for (std::size_t i = 0; i < speech.size(); i += 512)
            request->append(
                std::span<const float>(speech).subspan(i, std::min<std::size_t>(512, speech.size() - i)));
        EXPECT_TRUE(waitFor([&] { return request->backlog() == 0; })) << "the live pass never caught up";
        return request;
    };

    std::atomic<int> finals{0};
    auto request = heard(finals);
    std::size_t before = request->progress();
    request->endAudio();
    ASSERT_TRUE(waitFor([&] { return finals.load() > 0; })) << "no final";
    // The ends of the three decoders, the general model's reading and the whole pass at least.
    EXPECT_GE(request->progress() - before, 5u) << "the final pass marked its progress too seldom";

    std::atomic<int> givenUpFinals{0};
    request = heard(givenUpFinals);
    before = request->progress();
    request->endAudio();
    ASSERT_TRUE(waitFor([&] { return request->progress() != before; }));
    request->cancel();
    const std::vector<float> next = test::TestSignals::speech("maximize", &error, "slt");
    ASSERT_FALSE(next.empty()) << error;
    const auto decoded = SpeechSet::decode(recognizer, next, SpeechSet::biasPhrases());
    EXPECT_EQ(Text::normalize(decoded.finalText.value_or(QString())), QStringLiteral("maximize"));
    EXPECT_EQ(givenUpFinals.load(), 0) << "the window given up went on to its final";
}

// Someone's own recordings: each is scored against the text its list gives, and heard
// after the room sound that precedes its speech, as the app's microphone hears it.
TEST_F(RecognizerSpeechTest, aRecordedSetIsScoredOnItsListedTextAndHeardAfterItsOwnRoom) {
    QTemporaryDir folder;
    std::string error;
    const std::vector<float> speech = test::TestSignals::speech("open terminal", &error, "slt");
    ASSERT_FALSE(speech.empty()) << error;
    // A quiet room under the whole recording, 0.6 s of it before the speech.
    std::vector<float> recording = SpeechSet::pinkNoise(speech.size() + 16000, 5);
    for (float& s : recording)
        s *= 0.005f;
    test::TestSignals::mix(recording, speech, 0.6);
    ASSERT_TRUE(test::writeWav(folder.filePath("take 1.wav"), recording, 16000));
    QFile tsv(folder.filePath("set.tsv"));
    ASSERT_TRUE(tsv.open(QIODevice::WriteOnly));
    tsv.write("take 1.wav\tOpen Terminal\tkitchen\tme\n");
    tsv.close();

    QString problem;
    const auto clips =
        SpeechSet::loadUserSet(folder.path(), tsv.fileName(), folder.filePath("work"), &problem);
    ASSERT_EQ(clips.size(), 1u) << qPrintable(problem);
    EXPECT_EQ(clips[0].spoken, "Open Terminal");
    EXPECT_EQ(clips[0].expected, "open terminal");
    const std::vector<float> room = SpeechSet::roomOf(clips[0]);
    ASSERT_EQ(room.size(), 6400u) << "0.4 s of the room before the speech";
    double sum = 0;
    for (float s : room)
        sum += double(s) * s;
    EXPECT_LT(std::sqrt(sum / double(room.size())), 0.003) << "only the room, none of the speech";

    const auto decoded = decode(clips[0]);
    EXPECT_EQ(Text::normalize(decoded.finalText.value_or(QString())), "open terminal");
    EXPECT_TRUE(shared().recognizer->lastDecision().quietRoom);
}

// The controller over the real recogniser, audio fed at its own pace on a fake clock.
class ControllerSpeechTest : public RecognizerSpeechTest {
protected:
    test::RecordingRecognizer recording{*shared().recognizer};
    test::FakeClock clock;
    test::FakeScheduler scheduler{clock};

    // Feeds the clip chunk by chunk, letting 32 ms pass per chunk once the recogniser
    // has caught up; returns the clip time at which the window stopped listening
    // (or the clip's length when it listened throughout).
    double play(SpeechController& controller, const SpeechSet::Clip& clip) {
        platform::RecognitionRequest* request = recording.last.get();
        auto samples = SpeechSet::readClip(clip.file);
        EXPECT_TRUE(samples);
        const double start = clock.now();
        for (std::size_t i = 0; samples && i + 512 <= samples->size(); i += 512) {
            if (!controller.isListening())
                return clock.now() - start;
            controller.appendAudio(std::span<const float>(*samples).subspan(i, 512));
            for (int spin = 0; request && request->backlog() > 0 && spin < 20000; ++spin)
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            scheduler.advance(512.0 / 16000.0);
        }
        return clock.now() - start;
    }
    // Lets the window close on its own, then gives the recogniser real time for its
    // final result before the fake clock reaches the controller's fallback finish.
    void finishWindow(SpeechController& controller, int& completions) {
        for (int i = 0; controller.isListening() && i < 200; ++i)
            scheduler.advance(0.05);
        waitForFinal(completions, 1);
        scheduler.advance(0.6);
    }
    void waitForFinal(int& completions, int want) {
        for (int spin = 0; completions < want && spin < 2000; ++spin) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            scheduler.runDue();
        }
    }
};

TEST_F(ControllerSpeechTest, aCommandEndsATimedWindowEarlyAndAQuestionKeepsAnOpenWindowToItsEnd) {
    SpeechController controller(&recording, scheduler);
    const QSet<QString> commands = commandTexts();
    controller.quickMatch = [&](const QString& text) { return commands.contains(text); };
    controller.vocabularyProvider = [] { return SpeechSet::biasPhrases(); };
    controller.shapesProvider = [] { return SpeechSet::biasShapes(); };

    // A clean command ("open terminal"): the quick match closes the window before the
    // clip's trailing silence is over plus a second.
    const auto& command = shared().commands.front();
    int completions = 0;
    std::optional<QString> finalText;
    controller.start(SpeechController::Mode::timed, nullptr, [&](std::optional<QString> text) {
        ++completions;
        finalText = text;
    });
    const double closedAt = play(controller, command);
    finishWindow(controller, completions);
    EXPECT_FALSE(controller.isListening());
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(finalText, std::optional<QString>(command.expected));
    EXPECT_LT(closedAt, 4.0);

    // Questions in an open window: none is taken for a command on the way, so the
    // window is still open when the clip ends.
    for (const auto& question : shared().questions) {
        if (question.noisy)
            continue;
        completions = 0;
        finalText.reset();
        controller.start(SpeechController::Mode::open, nullptr, [&](std::optional<QString> text) {
            ++completions;
            finalText = text;
        });
        const double length = play(controller, question);
        EXPECT_TRUE(controller.isListening())
            << "closed before \"" << qPrintable(question.spoken) << "\" ended";
        EXPECT_GT(length, 1.5);
        finishWindow(controller, completions);
        EXPECT_EQ(completions, 1);
        ASSERT_TRUE(finalText.has_value());
        EXPECT_FALSE(commands.contains(*finalText)) << qPrintable(*finalText);
    }
}

// On a loaded machine a step can take seconds: the window's start (its grammars, the
// room before it, the search for our chime) or a weighing on the phone loop's thread.
// While its thread works the final is on its way and the window waits for it; a step
// whose thread only waits stands still, and the window is given up.
TEST_F(ControllerSpeechTest, aSlowStartOrWeighingIsWaitedForWhileItsThreadWorks) {
    using Step = platform::PocketSphinxRecognizer::Step;
    auto& recognizer = *shared().recognizer;
    const auto& command = shared().commands.front(); // clean "open terminal"
    ASSERT_FALSE(command.noisy);
    const auto samples = SpeechSet::readClip(command.file);
    ASSERT_TRUE(samples);
    SpeechController controller(&recording, scheduler);
    controller.vocabularyProvider = [] { return SpeechSet::biasPhrases(); };
    controller.shapesProvider = [] { return SpeechSet::biasShapes(); };

    // One step held at a time until released (each hold a round of its own), its
    // thread working on or waiting meanwhile.
    struct Hold {
        std::atomic<int> at{-1};
        std::atomic<bool> working{false}, holding{false};
        std::atomic<int> round{0}, released{0};
        std::atomic<std::uint64_t> spins{0};
        void release() {
            released = round.load();
            released.notify_all();
        }
    };
    const auto hold = std::make_shared<Hold>();
    recognizer.setStepHook([hold](Step step) {
        int want = int(step);
        if (!hold->at.compare_exchange_strong(want, -1))
            return;
        const int mine = hold->round;
        hold->holding = true;
        volatile double sink = 0;
        while (hold->working && hold->released < mine)
            for (int i = 0; i < 10000; ++i, ++hold->spins)
                sink = sink + i;
        for (int seen = hold->released; seen < mine; seen = hold->released)
            hold->released.wait(seen);
    });
    // Whatever happens, the next test finds the recogniser as it was.
    struct Unhook {
        platform::PocketSphinxRecognizer& recognizer;
        SpeechController& controller;
        std::shared_ptr<Hold> hold;
        ~Unhook() {
            controller.cancel();
            hold->at = -1;
            hold->release();
            recognizer.setStepHook({});
            recognizer.waitUntilLoaded(); // the queue has come to the change
        }
    } unhook{recognizer, controller, hold};
    using Clock = std::chrono::steady_clock;
    const auto realWait = [](const std::function<bool()>& done) {
        for (const auto until = Clock::now() + std::chrono::seconds(60); !done();) {
            if (Clock::now() > until)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    };

    for (const Step step : {Step::windowStart, Step::weighing}) {
        for (const bool works : {true, false}) {
            if (step == Step::windowStart && !works)
                continue; // given up as a weighing that waits is
            SCOPED_TRACE(step == Step::windowStart ? "window start" : "weighing");
            SCOPED_TRACE(works ? "working" : "waiting");
            hold->working = works;
            hold->holding = false;
            ++hold->round;
            hold->at = int(step);
            int completions = 0;
            std::optional<QString> finalText;
            controller.start(SpeechController::Mode::hold, nullptr, [&](std::optional<QString> text) {
                ++completions;
                finalText = text;
            });
            const auto request = recording.last;
            ASSERT_TRUE(request);
            for (std::size_t i = 0; i + 512 <= samples->size(); i += 512) {
                controller.appendAudio(std::span<const float>(*samples).subspan(i, 512));
                scheduler.advance(512.0 / 16000.0);
            }
            // The key goes up.
            controller.endListeningWindow(controller.generation());
            ASSERT_TRUE(realWait([&] { return hold->holding.load(); })) << "the step was never reached";
            // A held thread that waits: once the rest of the work is done, nothing moves.
            if (!works) {
                std::size_t seen = request->progress();
                auto since = Clock::now();
                ASSERT_TRUE(realWait([&] {
                    if (request->progress() != seen) {
                        seen = request->progress();
                        since = Clock::now();
                    }
                    return Clock::now() - since > std::chrono::milliseconds(300);
                }));
            }
            // Six seconds pass with the step held, its thread given the processor in
            // each tenth of a second where it works.
            for (int tenth = 0; tenth < 60 && completions == 0; ++tenth) {
                const std::uint64_t before = hold->spins;
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
                if (works) {
                    ASSERT_TRUE(realWait([&] { return hold->spins != before; }));
                }
                scheduler.advance(0.1);
            }
            const int duringHold = completions;
            hold->release();
            ASSERT_TRUE(realWait([&] {
                scheduler.runDue();
                return completions > 0;
            }));
            if (works) {
                EXPECT_EQ(duringHold, 0) << "a window still at work was given up";
                EXPECT_EQ(finalText, std::optional<QString>(command.expected));
            } else {
                EXPECT_EQ(duringHold, 1) << "a window that stood still was waited for";
                EXPECT_FALSE(finalText.has_value());
            }
            EXPECT_EQ(completions, 1);
            controller.cancel();
        }
    }
}

TEST(PocketSphinxRecognizer, isUnavailableWithoutItsModelAndStopsWithWindowsStillOpen) {
    platform::PocketSphinxRecognizer missing("/nonexistent/model");
    EXPECT_FALSE(missing.isAvailable());
    missing.load();
    EXPECT_FALSE(missing.waitUntilLoaded());
    std::atomic<int> errors{0};
    missing.recognize(
        std::make_shared<platform::RecognitionRequest>(),
        [&](std::optional<platform::RecognitionResult>, QString error) { errors += !error.isEmpty(); });
    missing.waitUntilLoaded();
    EXPECT_EQ(errors.load(), 1);

    // Two windows that never end: going away must not wait for their audio.
    auto recognizer = std::make_unique<platform::PocketSphinxRecognizer>();
    recognizer->load();
    ASSERT_TRUE(recognizer->waitUntilLoaded());
    auto first = std::make_shared<platform::RecognitionRequest>();
    auto second = std::make_shared<platform::RecognitionRequest>();
    recognizer->recognize(first, [](auto, auto) {});
    recognizer->recognize(second, [](auto, auto) {});
    first->append(std::vector<float>(512, 0.0f));
    recognizer.reset();
    EXPECT_TRUE(first->isCancelled());
    EXPECT_TRUE(second->isCancelled());
}
