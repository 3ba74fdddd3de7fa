#include "voice/SpeechController.h"
#include "support/FakeRecognizer.h"
#include "support/FakeScheduler.h"

#include <gtest/gtest.h>

using namespace brisklet;
using brisklet::test::FakeClock;
using brisklet::test::FakeRecognizer;
using brisklet::test::FakeScheduler;
using Mode = SpeechController::Mode;

TEST(SpeechNormalize, followsTheOneNormaliser) {
    const struct {
        QString in;
        QString out;
    } cases[] = {
        {"  Open   SAFARI, please!", "open safari please"},
        {"Move it to the left-half.", "move it to the lefthalf"},
        {"...", ""},
        {"", ""},
        {QString::fromUtf8("Ünïcode Straße"), QString::fromUtf8("ünïcode straße")},
        {"wi-fi", "wifi"},
        {"a.m.", "am"},
        {QString::fromUtf8("don\u2019t stop"), "dont stop"},
        {QString::fromUtf8("volume 40 $5 + 2 \U0001F600"), QString::fromUtf8("volume 40 $5 + 2 \U0001F600")},
        {QString::fromUtf8("left\u00A0half\u2028now\nthen\tgo"), "left half now then go"},
        // Punctuation outside the basic plane is removed whole, not half a surrogate pair.
        {QString::fromUtf8("a\U00010100b"), "ab"},
        {QString::fromUtf8("\u201CMusic\u201D \u2014 next"), "music next"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SpeechController::normalize(c.in), c.out) << c.in.toStdString();
}

class SpeechControllerTest : public ::testing::Test {
protected:
    FakeClock clock;
    FakeScheduler scheduler{clock};
    FakeRecognizer recognizer;
    SpeechController controller{&recognizer, scheduler};

    int completions = 0;
    std::optional<QString> finalText;
    std::vector<QString> partials;
    double start = 0;

    void open(Mode mode) {
        start = clock.now();
        controller.start(
            mode, [this](const QString& text) { partials.push_back(text); },
            [this](std::optional<QString> text) {
                ++completions;
                finalText = text;
            });
    }
    double elapsed() const { return clock.now() - start; }
    // Advance in small steps until the window stops listening; the time it stopped.
    double closesAt(double limit = 40) {
        while (controller.isListening() && elapsed() < limit)
            scheduler.advance(0.05);
        return elapsed();
    }
    void say(const QString& text) {
        recognizer.partial(text);
        scheduler.runDue();
    }
};

TEST_F(SpeechControllerTest, timedWindowWithNoSpeechEndsAtFourSecondsAndReportsNothing) {
    open(Mode::timed);
    EXPECT_TRUE(controller.isListening());
    EXPECT_NEAR(closesAt(), 4.0, 0.051);
    EXPECT_EQ(completions, 0);
    scheduler.advance(0.5);
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(finalText.has_value());
}

TEST_F(SpeechControllerTest, timedWindowEndsOneSecondAfterTheLastChangeOrHalfASecondForAnExactCommand) {
    for (bool exact : {false, true}) {
        controller.quickMatch = [exact](const QString& text) { return exact && text == "left half"; };
        open(Mode::timed);
        scheduler.advance(0.6);
        say("Left");
        scheduler.advance(0.3);
        say("Left half");
        const double lastChange = elapsed();
        const double closed = closesAt();
        EXPECT_NEAR(closed - lastChange, exact ? 0.5 : 1.0, 0.21) << "exact " << exact;
        recognizer.final("Left half.");
        scheduler.runDue();
        EXPECT_EQ(finalText, std::optional<QString>("left half"));
    }
    EXPECT_EQ(completions, 2);
    EXPECT_EQ(partials,
              (std::vector<QString>{"Left", "Left half", "Left half.", "Left", "Left half", "Left half."}));
}

TEST_F(SpeechControllerTest, quickMatchSeesTheNormalisedTranscriptAndIsNotAskedWhileSpeechChanges) {
    std::vector<QString> asked;
    controller.quickMatch = [&](const QString& text) {
        asked.push_back(text);
        return false;
    };
    open(Mode::open);
    for (int i = 0; i < 10; ++i) {
        say(QString("Word %1,").arg(i));
        scheduler.advance(0.3);
    }
    EXPECT_TRUE(asked.empty());
    scheduler.advance(0.6);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.front(), "word 9");
}

TEST_F(SpeechControllerTest, holdWindowWithContinuousSpeechClosesAtThirtySeconds) {
    controller.quickMatch = [](const QString&) { return true; };
    open(Mode::hold);
    int n = 0;
    while (controller.isListening() && elapsed() < 40) {
        say(QString("word %1").arg(n++));
        scheduler.advance(0.3);
    }
    EXPECT_NEAR(elapsed(), 30.0, 0.31);
}

TEST_F(SpeechControllerTest, holdWindowIgnoresSilenceAndQuickMatch) {
    controller.quickMatch = [](const QString&) { return true; };
    open(Mode::hold);
    say("maximize");
    scheduler.advance(10);
    EXPECT_TRUE(controller.isListening());
    controller.endListeningWindow(controller.generation());
    EXPECT_FALSE(controller.isListening());
    scheduler.advance(0.5);
    EXPECT_EQ(finalText, std::optional<QString>("maximize"));
}

TEST_F(SpeechControllerTest, openWindowLimitsCountFromTheRelease) {
    // Nothing heard: 6 s after the release.
    open(Mode::hold);
    scheduler.advance(2);
    controller.releaseToOpenEnded();
    EXPECT_EQ(controller.mode(), Mode::open);
    EXPECT_DOUBLE_EQ(controller.startTime(), clock.now());
    start = clock.now();
    EXPECT_NEAR(closesAt(), 6.0, 0.21);

    // Speech that stops: 1 s after the last change.
    open(Mode::open);
    scheduler.advance(3);
    say("what is the weather");
    const double lastChange = elapsed();
    EXPECT_NEAR(closesAt() - lastChange, 1.0, 0.21);

    // Speech that never stops: 30 s.
    open(Mode::open);
    int n = 0;
    while (controller.isListening() && elapsed() < 40) {
        say(QString("word %1").arg(n++));
        scheduler.advance(0.3);
    }
    EXPECT_NEAR(elapsed(), 30.0, 0.31);
}

TEST_F(SpeechControllerTest, aFinalResultFinishesBeforeTheDelayAndTheDelayThenDoesNothing) {
    open(Mode::hold);
    say("open terminal");
    controller.endListeningWindow(controller.generation());
    scheduler.advance(0.1);
    recognizer.final("Open terminal");
    scheduler.runDue();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(finalText, std::optional<QString>("open terminal"));
    scheduler.advance(1);
    EXPECT_EQ(completions, 1);
}

// After the end a partial may be the phrase cut short: while the recogniser still
// holds audio or runs its final pass, the window waits for the final.
TEST_F(SpeechControllerTest, aFinalOnItsWayIsWaitedForInsteadOfThePartial) {
    open(Mode::hold);
    say("that");
    controller.appendAudio(std::vector<float>(512, 0.1f)); // not yet decoded at the end
    controller.endListeningWindow(controller.generation());
    scheduler.advance(1.5);
    EXPECT_EQ(completions, 0) << "finished on a partial while the final was on its way";
    recognizer.takeEnd();
    recognizer.final("Open Thunderbird");
    scheduler.runDue();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(finalText, std::optional<QString>("open thunderbird"));
}

// A miss is better than running half a phrase: a final pass that stands still is
// given up at 3 s.
TEST_F(SpeechControllerTest, aFinalPassThatNeverAnswersEndsTheWindowWithNothingAtThreeSeconds) {
    open(Mode::hold);
    say("ill");
    controller.endListeningWindow(controller.generation());
    recognizer.takeEnd();
    scheduler.advance(2.95);
    EXPECT_EQ(completions, 0);
    scheduler.advance(0.05);
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(finalText.has_value());
    EXPECT_FALSE(recognizer.last().request->isFinalPending()) << "the window's request is dropped";
}

// A loaded machine makes the final late, not lost: while decoding moves on, the
// window waits past 3 s for it, up to 8 s.
TEST_F(SpeechControllerTest, aFinalStillBeingDecodedIsWaitedForWhileDecodingMovesOn) {
    // A final pass of 4.8 s marking progress every 0.4 s, and one of 4 s marking it
    // every 0.3 s, as the recogniser's does block by block.
    for (const auto& [step, steps] : {std::pair{0.4, 12}, std::pair{0.3, 13}}) {
        open(Mode::hold);
        say("open");
        controller.appendAudio(std::vector<float>(512, 0.1f));
        controller.endListeningWindow(controller.generation());
        auto request = recognizer.last().request;
        for (int i = 0; i < steps; ++i) {
            scheduler.advance(step);
            request->markProgress();
        }
        EXPECT_EQ(completions, 0) << "gave up on a final that was still being decoded, progress every "
                                  << step << " s";
        recognizer.takeEnd();
        recognizer.final("Open Terminal");
        scheduler.runDue();
        EXPECT_EQ(completions, 1);
        EXPECT_EQ(finalText, std::optional<QString>("open terminal"));
        completions = 0;
    }
    completions = 1;

    // A decoder that moves on but never answers is given up at 8 s.
    open(Mode::hold);
    say("open");
    controller.endListeningWindow(controller.generation());
    recognizer.takeEnd();
    auto request = recognizer.last().request;
    while (completions == 1 && elapsed() < 20) {
        scheduler.advance(0.1);
        request->markProgress();
    }
    EXPECT_NEAR(elapsed(), 8.0, 0.21);
    EXPECT_FALSE(finalText.has_value());
}

// The first request after a start may come while the model still loads: its phrase
// is decoded once the load is done instead of being lost at 3 s.
TEST_F(SpeechControllerTest, aWindowWaitsForAModelStillLoading) {
    recognizer.available = false;
    recognizer.loading = true;
    open(Mode::hold);
    controller.appendAudio(std::vector<float>(512, 0.1f));
    controller.endListeningWindow(controller.generation());
    scheduler.advance(6);
    EXPECT_EQ(completions, 0) << "the phrase was lost while the model loaded";
    recognizer.loading = false;
    recognizer.available = true;
    recognizer.takeEnd();
    recognizer.final("Maximize");
    scheduler.runDue();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(finalText, std::optional<QString>("maximize"));
}

TEST_F(SpeechControllerTest, aRecogniserThatOwesNoFinalFinishesHalfASecondAfterTheEnd) {
    open(Mode::hold);
    say("maximize");
    controller.endListeningWindow(controller.generation());
    scheduler.advance(0.49);
    EXPECT_EQ(completions, 0);
    scheduler.advance(0.01);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(finalText, std::optional<QString>("maximize"));
}

TEST_F(SpeechControllerTest, anErrorEndsTheWindowWithWhatWasHeard) {
    open(Mode::timed);
    say("Volume up");
    recognizer.fail("decoder failed");
    scheduler.runDue();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(finalText, std::optional<QString>("volume up"));
    EXPECT_FALSE(controller.isListening());

    open(Mode::timed);
    recognizer.final("...");
    scheduler.runDue();
    EXPECT_EQ(completions, 2);
    EXPECT_FALSE(finalText.has_value());
}

// A final that says nothing is the recogniser refusing what it heard: no transcript
// to show in place of the one shown while the user spoke, nor is an empty reading
// once the microphone has closed.
TEST_F(SpeechControllerTest, aReadingThatSaysNothingAfterTheEndIsNotShown) {
    open(Mode::hold);
    say("quit galculator");
    controller.endListeningWindow(controller.generation());
    say("");
    recognizer.final("");
    scheduler.runDue();
    EXPECT_EQ(partials, std::vector<QString>{"quit galculator"});
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(finalText.has_value()) << "a refused reading runs nothing";

    // While the microphone is open a reading that went back to nothing is shown.
    partials.clear();
    open(Mode::hold);
    say("quit");
    say("");
    EXPECT_EQ(partials, (std::vector<QString>{"quit", ""}));
}

TEST_F(SpeechControllerTest, aNewStartDropsTheWindowStillWaitingForItsFinalResult) {
    int firstCalled = 0;
    controller.start(Mode::hold, nullptr, [&](std::optional<QString>) { ++firstCalled; });
    recognizer.partial("sort");
    scheduler.runDue();
    controller.endListeningWindow(controller.generation());
    auto firstRequest = recognizer.last().request;
    open(Mode::timed);
    EXPECT_TRUE(firstRequest->isCancelled());
    // The first window's late result and its delayed finish both find nothing to do.
    recognizer.tasks.front().handler(platform::RecognitionResult{"sort all", true}, {});
    scheduler.advance(0.6);
    EXPECT_EQ(firstCalled, 0);
    EXPECT_EQ(controller.bestTranscript(), "");
    EXPECT_TRUE(controller.isListening());
}

TEST_F(SpeechControllerTest, resultsAfterCancelAndStaleGenerationsDoNothing) {
    open(Mode::open);
    const int gen = controller.generation();
    controller.cancel();
    EXPECT_FALSE(controller.isListening());
    recognizer.final("undo");
    scheduler.advance(1);
    EXPECT_EQ(completions, 0);
    EXPECT_TRUE(partials.empty());

    open(Mode::open);
    controller.endListeningWindow(gen); // an earlier generation
    EXPECT_TRUE(controller.isListening());
    controller.cancel();
    controller.cancel(); // nothing pending: no-op
    scheduler.advance(10);
    EXPECT_EQ(completions, 0);
}

TEST_F(SpeechControllerTest, releaseToOpenEndedOnlyTurnsAListeningHold) {
    open(Mode::timed);
    controller.releaseToOpenEnded();
    EXPECT_EQ(controller.mode(), Mode::timed);
    EXPECT_NEAR(closesAt(), 4.0, 0.051);

    open(Mode::hold);
    controller.endListeningWindow(controller.generation());
    controller.releaseToOpenEnded();
    EXPECT_EQ(controller.mode(), Mode::hold);
}

TEST_F(SpeechControllerTest, refusesWhenTheRecogniserIsMissingUnavailableOrNotOnDevice) {
    for (int i = 0; i < 3; ++i) {
        FakeRecognizer other;
        other.available = i != 1;
        other.onDevice = i != 2;
        SpeechController refusing(i == 0 ? nullptr : &other, scheduler);
        int called = 0;
        std::optional<QString> text = QString("x");
        refusing.start(Mode::timed, nullptr, [&](std::optional<QString> t) {
            ++called;
            text = t;
        });
        EXPECT_EQ(called, 1);
        EXPECT_FALSE(text.has_value());
        EXPECT_FALSE(refusing.isListening());
        EXPECT_TRUE(other.tasks.empty());
        EXPECT_EQ(refusing.generation(), 0);
    }
}

TEST_F(SpeechControllerTest, aModelThatFinishesLoadingWhileItIsAskedTakesTheRequest) {
    recognizer.available = false;
    recognizer.loading = true;
    recognizer.loadEndsWhenAsked = true;
    open(Mode::timed);
    EXPECT_TRUE(controller.isListening()) << "a model that just became ready was taken for a missing one";
    EXPECT_EQ(completions, 0);
}

TEST_F(SpeechControllerTest, audioReachesOnlyTheOpenWindowAndNeverAfterItsEnd) {
    const std::vector<float> chunk(512, 0.1f);
    controller.appendAudio(chunk); // no window
    open(Mode::hold);
    auto request = recognizer.last().request;
    controller.appendAudio(chunk);
    controller.appendAudio(chunk);
    EXPECT_EQ(request->backlog(), 2u);
    controller.endListeningWindow(controller.generation());
    controller.appendAudio(chunk);
    // A chunk handler that took the request just before the end appends late.
    request->append(chunk);
    EXPECT_EQ(request->backlog(), 2u);

    open(Mode::hold);
    auto next = recognizer.last().request;
    EXPECT_TRUE(request->isCancelled());
    request->append(chunk);
    controller.appendAudio(chunk);
    EXPECT_EQ(next->backlog(), 1u);
    EXPECT_EQ(request->backlog(), 0u);
}

TEST_F(SpeechControllerTest, theVocabularyBecomesTheRequestsContextualStrings) {
    controller.vocabularyProvider = [] { return QStringList{"deep work", "end deep work"}; };
    open(Mode::timed);
    EXPECT_EQ(recognizer.last().request->contextualStrings(), (QStringList{"deep work", "end deep work"}));
}

TEST_F(SpeechControllerTest, theShapesBecomeTheRequestsShapes) {
    platform::SpeechShapes shapes;
    shapes.shapes = {{platform::SpeechShapes::word({"open"}),
                      platform::SpeechShapes::slot({platform::SpeechShapes::Slot::app})}};
    shapes.names[platform::SpeechShapes::Slot::app] = {"Galculator"};
    controller.shapesProvider = [shapes] { return shapes; };
    open(Mode::timed);
    EXPECT_EQ(recognizer.last().request->shapes(), shapes);
}

// The room sound heard while nobody listens goes with the next window, the latest
// 0.4 s of it in order; what a window hears is not kept for the next one.
TEST_F(SpeechControllerTest, theRoomSoundBeforeAWindowIsHandedOverWithIt) {
    open(Mode::hold);
    EXPECT_TRUE(recognizer.last().request->preRoll().empty());
    controller.endListeningWindow(controller.generation());
    closesAt();

    std::vector<float> chunk(512);
    for (int n = 0; n < 20; ++n) { // 10,240 samples, more than the ring holds
        for (std::size_t i = 0; i < chunk.size(); ++i)
            chunk[i] = float(n * 512 + int(i));
        controller.appendAudio(chunk);
    }
    open(Mode::hold);
    const std::vector<float>& room = recognizer.last().request->preRoll();
    ASSERT_EQ(room.size(), SpeechController::preRollSamples);
    for (std::size_t i = 0; i < room.size(); ++i)
        ASSERT_EQ(room[i], float(10240 - room.size() + i)) << i;

    controller.appendAudio(chunk); // heard by the window
    controller.endListeningWindow(controller.generation());
    closesAt();
    const std::vector<float> little(100, 0.5f);
    controller.appendAudio(little);
    open(Mode::hold);
    EXPECT_EQ(recognizer.last().request->preRoll(), little);
}

// On a busy machine the window starts a while after its chime began to sound: what
// the microphone heard since the window was marked open is the window's first audio,
// where the chime is looked for, and the room is what came before it.
TEST_F(SpeechControllerTest, whatCameAfterTheOpeningMarkIsTheWindowsStartNotItsRoom) {
    const auto ramp = [](int from, int count) {
        std::vector<float> out(std::size_t(count), 0.0f);
        for (int i = 0; i < count; ++i)
            out[std::size_t(i)] = float(from + i);
        return out;
    };
    controller.appendAudio(ramp(0, 8000));
    controller.markOpening();
    controller.appendAudio(ramp(8000, 3000));
    open(Mode::hold);
    const auto& request = recognizer.last().request;
    EXPECT_EQ(request->preRoll(), ramp(8000 - int(SpeechController::preRollSamples),
                                       int(SpeechController::preRollSamples)));
    std::vector<float> first;
    ASSERT_EQ(request->next(first), platform::RecognitionRequest::Next::audio);
    EXPECT_EQ(first, ramp(8000, 3000));

    // Without a mark the window starts where it is opened, as before.
    controller.endListeningWindow(controller.generation());
    closesAt();
    controller.appendAudio(ramp(0, 3000));
    open(Mode::hold);
    EXPECT_EQ(recognizer.last().request->preRoll(), ramp(0, 3000));

    // A chime played 0.3 s into the window is looked for from there on, not at its start.
    controller.endListeningWindow(controller.generation());
    closesAt();
    controller.markOpening();
    controller.appendAudio(ramp(0, 4800));
    controller.start(Mode::hold, nullptr, nullptr, std::vector<float>(1600, 0.1f));
    EXPECT_EQ(recognizer.last().request->openingSoundAt(), std::optional<std::size_t>(4800));
}

// The chime is due where the capture stood at its play: after what the window had
// taken by then and what the server and the ring still held, not after what the
// window took while its vocabulary was being built.
TEST_F(SpeechControllerTest, theChimeIsExpectedWhereTheCaptureStoodAtItsPlay) {
    std::optional<std::int64_t> backlog = 3200;
    controller.captureBacklog = [&] { return backlog; };
    controller.markOpening();
    controller.appendAudio(std::vector<float>(1600, 0.0f));
    controller.openingSoundPlayed();
    controller.appendAudio(std::vector<float>(2400, 0.0f));
    controller.start(Mode::hold, nullptr, nullptr, std::vector<float>(1600, 0.1f));
    EXPECT_EQ(recognizer.last().request->openingSoundAt(), std::optional<std::size_t>(4800));
    EXPECT_TRUE(recognizer.last().request->openingSoundBacklogIncluded());

    // A server that does not say: after what the window had taken, backlog unknown.
    controller.endListeningWindow(controller.generation());
    backlog.reset();
    controller.markOpening();
    controller.appendAudio(std::vector<float>(1600, 0.0f));
    controller.openingSoundPlayed();
    controller.start(Mode::hold, nullptr, nullptr, std::vector<float>(1600, 0.1f));
    EXPECT_EQ(recognizer.last().request->openingSoundAt(), std::optional<std::size_t>(1600));
    EXPECT_FALSE(recognizer.last().request->openingSoundBacklogIncluded());
}

// Whether the chime was found is remembered per route for the last few windows: a
// route that has been hearing it is told so, one that has not (headphones), a new
// route or a changed chime starts afresh.
TEST_F(SpeechControllerTest, whetherTheChimeWasFoundIsRememberedPerRoute) {
    QString route = "mic > speakers | droplet at 0.80";
    controller.captureBacklog = [] { return std::optional<std::int64_t>(800); };
    controller.chimeRoute = [&] { return route; };
    // One window with its chime; whether the recogniser found it. Returns whether the
    // window was told that its route has been hearing the chime.
    const auto window = [&](std::optional<bool> found) {
        controller.markOpening();
        controller.openingSoundPlayed();
        controller.start(Mode::timed, nullptr, [](std::optional<QString>) {}, std::vector<float>(1600, 0.1f));
        auto request = recognizer.last().request;
        const bool heardLately = request->openingSoundHeardLately();
        if (found)
            request->noteOpeningSoundFound(*found);
        recognizer.final(QString());
        scheduler.runDue();
        return heardLately;
    };
    EXPECT_FALSE(window(true)); // no history yet
    EXPECT_TRUE(window(false));
    EXPECT_TRUE(window(false));
    EXPECT_TRUE(window(std::nullopt)); // never looked (cancelled early): not counted
    EXPECT_TRUE(window(false));        // the found one is now three windows back
    EXPECT_FALSE(window(true));
    EXPECT_TRUE(window(true));
    route = "mic > headphones | droplet at 0.80";
    EXPECT_FALSE(window(false));
    EXPECT_FALSE(window(false));
    route = "mic > speakers | droplet at 0.80";
    EXPECT_FALSE(window(true)); // forgotten on the change
}

TEST_F(SpeechControllerTest, destroyingTheControllerDropsItsPendingWork) {
    auto owned = std::make_unique<SpeechController>(&recognizer, scheduler);
    int called = 0;
    owned->start(Mode::timed, nullptr, [&](std::optional<QString>) { ++called; });
    auto request = recognizer.last().request;
    owned.reset();
    EXPECT_TRUE(request->isCancelled());
    recognizer.final("sort");
    scheduler.advance(10);
    EXPECT_EQ(called, 0);
}
