#include "voice/AudioEngine.h"
#include "support/FakeAudioBackend.h"
#include "support/FakeScheduler.h"
#include "support/FakeSleepWatcher.h"
#include "support/LogCapture.h"
#include "voice/FloatRingBuffer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <numeric>

using namespace brisklet;
using test::FakeAudioBackend;
using test::FakeSleepWatcher;

namespace {

std::vector<float> ramp(std::size_t n, float from = 0.0f) {
    std::vector<float> v(n);
    std::iota(v.begin(), v.end(), from);
    return v;
}

} // namespace

TEST(FloatRingBuffer, overflowDropsTheOldestSamples) {
    FloatRingBuffer ring;
    ring.write(ramp(128000));
    ring.write(ramp(10, 128000));
    EXPECT_EQ(ring.count(), 128000u);
    std::vector<float> chunk(512);
    ASSERT_TRUE(ring.read(chunk));
    EXPECT_EQ(chunk.front(), 10.0f); // the next read starts 10 samples later
    EXPECT_EQ(chunk.back(), 521.0f);
}

TEST(FloatRingBuffer, aWriteLargerThanTheCapacityKeepsTheLastSamples) {
    FloatRingBuffer ring;
    ring.write(ramp(5));
    ring.write(ramp(128000 + 777, 100));
    EXPECT_EQ(ring.count(), 128000u);
    std::vector<float> all(128000);
    ASSERT_TRUE(ring.read(all));
    EXPECT_EQ(all.front(), 877.0f);
    EXPECT_EQ(all.back(), 128876.0f);
    EXPECT_EQ(ring.count(), 0u);
}

TEST(FloatRingBuffer, readsAcrossTheWrapAndRefusesShortReads) {
    FloatRingBuffer ring(8);
    ring.write(ramp(6));
    std::vector<float> out(4);
    ASSERT_TRUE(ring.read(out)); // head now at 4
    ring.write(ramp(5, 6));      // wraps: 4 5 | 6 7 8 9 10
    EXPECT_EQ(ring.count(), 7u);
    std::vector<float> big(8);
    EXPECT_FALSE(ring.read(big));
    EXPECT_EQ(ring.count(), 7u);
    std::vector<float> seven(7);
    ASSERT_TRUE(ring.read(seven));
    EXPECT_EQ(seven, ramp(7, 4));
}

class AudioEngineTest : public ::testing::Test {
protected:
    void SetUp() override { make(); }

    void make(platform::SleepWatcher* watcher = nullptr) {
        auto backend = std::make_unique<FakeAudioBackend>();
        fake = backend.get();
        engine = std::make_unique<AudioEngine>(std::move(backend), scheduler, watcher);
        engine->addHandler([this](std::span<const float> samples, std::int64_t position) {
            std::lock_guard lock(mutex);
            chunks.emplace_back(samples.begin(), samples.end());
            positions.push_back(position);
            changed.notify_all();
        });
    }

    void advance(double seconds) {
        scheduler.advance(seconds);
        engine->waitForControl();
    }

    void startAndSettle() {
        engine->start();
        engine->waitForControl();
    }

    // Waits (in real time; the processing thread is real) for `n` chunks in all.
    bool waitForChunks(std::size_t n) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(5), [&] { return chunks.size() >= n; });
    }

    test::LogCapture log;
    test::FakeClock clock;
    test::FakeScheduler scheduler{clock};

    // What the handler fills; declared before the engine, which calls it until it
    // is gone.
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::vector<float>> chunks;
    std::vector<std::int64_t> positions;

    FakeAudioBackend* fake = nullptr;
    std::unique_ptr<AudioEngine> engine;
};

TEST_F(AudioEngineTest, deliversWholeChunksWithTheirPositions) {
    startAndSettle();
    ASSERT_TRUE(engine->isRunning());
    ASSERT_TRUE(fake->push(ramp(700)));
    ASSERT_TRUE(waitForChunks(1));
    EXPECT_EQ(engine->bufferedSamples(), 188u);
    ASSERT_TRUE(fake->push(ramp(324, 700)));
    ASSERT_TRUE(waitForChunks(2));
    EXPECT_EQ(engine->bufferedSamples(), 0u);

    std::lock_guard lock(mutex);
    EXPECT_EQ(positions, (std::vector<std::int64_t>{0, 512}));
    ASSERT_EQ(chunks[1].size(), 512u);
    EXPECT_EQ(chunks[1].front(), 512.0f);
    EXPECT_EQ(chunks[1].back(), 1023.0f);
}

// Where a sound played now is heard: after what the server still holds for us and
// what waits in the ring, less what the server's answer counted as pending but the
// engine got meanwhile (counted once, not twice).
TEST_F(AudioEngineTest, theCaptureBacklogCountsWhatTheServerAndTheRingHoldOnce) {
    startAndSettle();
    EXPECT_EQ(engine->captureBacklog(), std::nullopt);
    ASSERT_TRUE(fake->push(ramp(1000)));
    ASSERT_TRUE(waitForChunks(1));
    ASSERT_EQ(engine->bufferedSamples(), 488u);
    fake->setBacklog(platform::AudioBackend::CaptureBacklog{1000, 3200});
    EXPECT_EQ(engine->captureBacklog(), 488 + 3200);
    // Answered when 600 had been given; 400 of its 700 pending came in since.
    fake->setBacklog(platform::AudioBackend::CaptureBacklog{600, 700});
    EXPECT_EQ(engine->captureBacklog(), 488 + 300);
}

TEST_F(AudioEngineTest, oneLargeWriteYieldsSeveralChunksInOrder) {
    startAndSettle();
    fake->push(ramp(512 * 5 + 100));
    ASSERT_TRUE(waitForChunks(5));
    std::lock_guard lock(mutex);
    EXPECT_EQ(positions, (std::vector<std::int64_t>{0, 512, 1024, 1536, 2048}));
    EXPECT_EQ(chunks[4].front(), 2048.0f);
}

TEST_F(AudioEngineTest, levelIsTheRmsOfTheLatestChunkAndLivenessFollowsTheClock) {
    EXPECT_FALSE(engine->lastBufferAt().has_value());
    startAndSettle();
    ASSERT_TRUE(engine->lastBufferAt().has_value()); // a fresh start counts as a delivery
    EXPECT_DOUBLE_EQ(*engine->lastBufferAt(), 10000.0);

    clock.advance(2.5);
    std::vector<float> chunk(512);
    for (std::size_t i = 0; i < chunk.size(); ++i)
        chunk[i] = i % 2 ? 0.5f : -0.5f;
    chunk[0] = 0.0f; // RMS = sqrt(511 * 0.25 / 512)
    fake->push(chunk);
    ASSERT_TRUE(waitForChunks(1));
    EXPECT_NEAR(engine->level(), std::sqrt(511.0 * 0.25 / 512.0), 1e-6);
    EXPECT_DOUBLE_EQ(*engine->lastBufferAt(), 10002.5);
}

TEST_F(AudioEngineTest, failedStartsRetryWithGrowingDelaysThenEveryFewSecondsWhileWanted) {
    fake->failStarts(100);
    startAndSettle();
    EXPECT_EQ(fake->count("start"), 1);
    EXPECT_EQ(log.count("audio engine start failed: audio engine start failed"), 1);

    const double delays[] = {0.3, 0.6, 0.9, 1.2, 1.5};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(scheduler.nextDueIn(), delays[i], 1e-9) << "retry " << i + 1;
        advance(delays[i] - 0.01);
        EXPECT_EQ(fake->count("start"), i + 1);
        advance(0.01);
        EXPECT_EQ(fake->count("start"), i + 2);
        EXPECT_EQ(log.count(QStringLiteral("retrying audio engine start (attempt %1)").arg(i + 1)), 1);
    }
    EXPECT_EQ(log.count("audio engine start failed after 5 retries; trying again every 3 s"), 1);

    // The input may come back at any time: it is tried every few seconds, quietly.
    for (int i = 0; i < 10; ++i) {
        EXPECT_NEAR(scheduler.nextDueIn(), AudioEngine::slowRetryInterval, 1e-9);
        advance(AudioEngine::slowRetryInterval);
        EXPECT_EQ(fake->count("start"), 7 + i);
    }
    EXPECT_EQ(log.count("audio engine start failed after"), 1);
    EXPECT_EQ(log.count("audio engine start failed: "), 1);
    EXPECT_EQ(log.count("retrying audio engine start"), 5);

    // A start on top makes one attempt now and leaves one retry pending.
    startAndSettle();
    EXPECT_EQ(fake->count("start"), 17);
    EXPECT_EQ(scheduler.pendingCount(), 1u);
    EXPECT_NEAR(scheduler.nextDueIn(), AudioEngine::slowRetryInterval, 1e-9);

    fake->failStarts(0);
    advance(AudioEngine::slowRetryInterval);
    EXPECT_TRUE(engine->isRunning());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(AudioEngineTest, whileNoSoundServerAnswersItTriesEveryFewSecondsAndSaysSoOnce) {
    fake->setFormat(std::nullopt);
    fake->setServerAnswers(false);
    startAndSettle();
    EXPECT_FALSE(engine->soundServerAnswers());
    EXPECT_FALSE(engine->inputAvailable());
    EXPECT_EQ(log.count("audio engine start failed: no sound server answers"), 1);
    // No quick ladder: the server is not slow to open, it is away.
    EXPECT_NEAR(scheduler.nextDueIn(), AudioEngine::slowRetryInterval, 1e-9);
    for (int i = 0; i < 20; ++i)
        advance(AudioEngine::slowRetryInterval);
    EXPECT_EQ(fake->count("format"), 21);
    EXPECT_EQ(log.count("audio engine start failed"), 1);
    EXPECT_EQ(log.count("retrying audio engine start"), 0);

    // It answers a minute later, and says so: the rebuild opens the input at once.
    fake->setServerAnswers(true);
    fake->setFormat(platform::InputFormat{48000, 2, platform::SampleFormat::float32});
    fake->emitChange("sound server back");
    engine->waitForControl();
    advance(AudioEngine::rebuildDelay);
    EXPECT_TRUE(engine->isRunning());
    EXPECT_TRUE(engine->soundServerAnswers());
    EXPECT_TRUE(engine->inputAvailable());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(AudioEngineTest, aSuccessfulRetryResetsTheCount) {
    fake->failStarts(2);
    startAndSettle();
    advance(0.3);
    advance(0.6);
    EXPECT_TRUE(engine->isRunning());
    EXPECT_EQ(log.count("audio engine running"), 1);

    // After a stop the whole ladder is available again.
    engine->stop();
    fake->failStarts(100);
    startAndSettle();
    EXPECT_NEAR(scheduler.nextDueIn(), 0.3, 1e-9);
}

TEST_F(AudioEngineTest, aRetryDoesNothingOnceTheEngineIsNoLongerWanted) {
    fake->failStarts(1);
    startAndSettle();
    engine->stop();
    engine->waitForControl();
    fake->clearCalls();
    advance(0.3);
    EXPECT_EQ(fake->count("start"), 0);
}

TEST_F(AudioEngineTest, aBurstOfDeviceChangesGivesOneRetapAfterTheLast) {
    startAndSettle();
    fake->clearCalls();
    for (int i = 0; i < 3; ++i) {
        fake->emitChange("default input device changed");
        engine->waitForControl();
        if (i < 2)
            advance(0.1);
    }
    advance(0.349);
    EXPECT_TRUE(fake->calls().empty());
    advance(0.001);
    EXPECT_EQ(fake->count("start"), 1);
    EXPECT_EQ(fake->count("stop"), 1);
    EXPECT_EQ(log.count("re-tapping audio input (default input device changed)"), 1);
    EXPECT_TRUE(engine->isRunning());
    advance(5);
    EXPECT_EQ(fake->count("start"), 1);
}

TEST_F(AudioEngineTest, stopCancelsAPendingRebuild) {
    startAndSettle();
    fake->emitChange("engine configuration changed");
    engine->waitForControl();
    engine->stop();
    engine->waitForControl();
    fake->clearCalls();
    advance(1);
    EXPECT_TRUE(fake->calls().empty());
    EXPECT_EQ(log.count("re-tapping"), 0);
}

TEST_F(AudioEngineTest, recoverRestartsARunningEngineButNotAStoppedOne) {
    startAndSettle();
    fake->clearCalls();
    engine->recover("watchdog saw no chunks");
    engine->waitForControl();
    EXPECT_EQ(fake->count("stop"), 1);
    EXPECT_EQ(fake->count("start"), 1);
    EXPECT_EQ(log.count("recovering audio engine (watchdog saw no chunks)"), 1);

    engine->stop();
    engine->waitForControl();
    fake->clearCalls();
    engine->recover("system woke from sleep");
    engine->waitForControl();
    EXPECT_TRUE(fake->calls().empty());
    EXPECT_FALSE(engine->isRunning());
}

TEST_F(AudioEngineTest, wakingFromSleepRecovers) {
    FakeSleepWatcher watcher;
    engine.reset();
    make(&watcher);
    startAndSettle();
    fake->clearCalls();
    watcher.wake();
    engine->waitForControl();
    EXPECT_EQ(log.count("recovering audio engine (system woke from sleep)"), 1);
    EXPECT_EQ(fake->count("start"), 1);
    engine.reset();
    EXPECT_TRUE(watcher.handlers.empty());
}

TEST_F(AudioEngineTest, anUnusableInputFailsWithCodeOneAndRetries) {
    for (auto format :
         {std::optional<platform::InputFormat>{
              platform::InputFormat{48000, 0, platform::SampleFormat::int16}},
          std::optional<platform::InputFormat>{platform::InputFormat{0, 2, platform::SampleFormat::int16}},
          std::optional<platform::InputFormat>{}}) {
        log.clear();
        fake->setFormat(format);
        startAndSettle();
        EXPECT_FALSE(engine->isRunning());
        EXPECT_EQ(fake->count("start"), 0);
        EXPECT_EQ(log.count("audio engine start failed: no usable input device"), 1);
        EXPECT_NEAR(scheduler.nextDueIn(), 0.3, 1e-9);
        engine->stop();
        engine->waitForControl();
        scheduler.advance(10);
    }
    fake->setFormat(platform::InputFormat{44100, 2, platform::SampleFormat::int16});
    fake->clearCalls();
    startAndSettle();
    EXPECT_TRUE(engine->isRunning());
}

TEST_F(AudioEngineTest, theLastStartOrDeviceChangeSaysWhetherThereIsAnInput) {
    EXPECT_TRUE(engine->inputAvailable()) << "unknown before the first start: the start finds out";
    fake->setFormat(std::nullopt);
    startAndSettle();
    EXPECT_FALSE(engine->inputAvailable());
    engine->stop();
    engine->waitForControl();
    scheduler.advance(10);

    // A microphone is plugged in while stopped: noted, but nothing starts.
    fake->setFormat(platform::InputFormat{44100, 2, platform::SampleFormat::int16});
    fake->clearCalls();
    fake->emitChange("default input changed");
    engine->waitForControl();
    advance(AudioEngine::rebuildDelay);
    EXPECT_TRUE(engine->inputAvailable());
    EXPECT_EQ(fake->count("start"), 0);
    EXPECT_EQ(fake->mainThreadCalls(), 0);

    startAndSettle();
    EXPECT_TRUE(engine->isRunning());
    EXPECT_TRUE(engine->inputAvailable());
}

TEST_F(AudioEngineTest, aFormatThatChangesDuringSetupFailsWithCodeThree) {
    fake->switchFormatAfterNextRead({48000, 2, platform::SampleFormat::int16});
    startAndSettle();
    EXPECT_EQ(log.count("audio engine start failed: input format changed mid-setup"), 1);
    EXPECT_EQ(fake->count("install"), 0);
    advance(0.3); // the retry reads the settled format
    EXPECT_TRUE(engine->isRunning());
}

TEST_F(AudioEngineTest, anExceptionFromTheBackendBecomesAFailedStart) {
    fake->throwOnNextStart("device went away");
    startAndSettle();
    EXPECT_FALSE(engine->isRunning());
    EXPECT_EQ(log.count("audio engine start failed: device went away"), 1);
    advance(0.3);
    EXPECT_TRUE(engine->isRunning());
}

TEST_F(AudioEngineTest, aBackendErrorIsLoggedWithItsOwnDescription) {
    fake->failStarts(1, platform::AudioError::app(platform::AudioError::tapInstallFailed));
    startAndSettle();
    EXPECT_EQ(log.count("audio engine start failed: installing the input tap failed"), 1);
}

TEST_F(AudioEngineTest, aRestartEmptiesTheRingButPositionsRunOn) {
    startAndSettle();
    fake->push(ramp(512));
    ASSERT_TRUE(waitForChunks(1));
    fake->push(std::vector<float>(300, -1.0f)); // stale: less than a chunk
    EXPECT_EQ(engine->bufferedSamples(), 300u);

    engine->stop();
    startAndSettle();
    EXPECT_EQ(engine->bufferedSamples(), 0u);
    fake->push(std::vector<float>(512, 0.25f));
    ASSERT_TRUE(waitForChunks(2));
    std::lock_guard lock(mutex);
    EXPECT_EQ(positions[1], 512);
    EXPECT_EQ(chunks[1].front(), 0.25f);
    EXPECT_EQ(chunks[1].back(), 0.25f);
}

TEST_F(AudioEngineTest, handlersAreFrozenByTheFirstStart) {
    EXPECT_TRUE(engine->addHandler([](std::span<const float>, std::int64_t) {}));
    engine->start();
    EXPECT_FALSE(engine->addHandler([](std::span<const float>, std::int64_t) {}));
}

TEST_F(AudioEngineTest, startingARunningEngineDoesNothing) {
    startAndSettle();
    fake->clearCalls();
    startAndSettle();
    EXPECT_TRUE(fake->calls().empty());
}

TEST_F(AudioEngineTest, reportsTheProcessingThreadsCpuTimeOnceItRuns) {
    EXPECT_FALSE(engine->threadCpuSeconds().processing.has_value());
    startAndSettle();
    auto cpu = engine->threadCpuSeconds();
    ASSERT_TRUE(cpu.processing.has_value());
    EXPECT_GE(*cpu.processing, 0.0);
}
