#include "support/FileAudioBackend.h"
#include "support/FakeScheduler.h"
#include "support/WavFile.h"
#include "voice/AudioEngine.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <mutex>

using namespace brisklet;
using test::FileAudioBackend;

namespace {
struct Recorder {
    std::mutex mutex;
    std::vector<float> samples;
    std::vector<std::int64_t> positions;
    AudioEngine::Handler handler() {
        return [this](std::span<const float> s, std::int64_t position) {
            std::lock_guard lock(mutex);
            samples.insert(samples.end(), s.begin(), s.end());
            positions.push_back(position);
        };
    }
};
} // namespace

TEST(FileAudioBackend, feedsAnyFormatIntoTheEngineWithoutLosingAudio) {
    // 3 s of 48 kHz stereo, much more than the processing thread is given at once.
    std::vector<float> stereo(48000 * 2 * 3);
    for (std::size_t i = 0; i < stereo.size() / 2; ++i)
        stereo[2 * i] = stereo[2 * i + 1] = 0.4f * float(std::sin(2 * M_PI * 200.0 * double(i) / 48000.0));
    auto backend = FileAudioBackend::fromSamples(stereo, 48000, 2);
    FileAudioBackend* player = backend.get();
    backend->appendSilence(1.0);
    EXPECT_NEAR(double(player->samplesQueued()), 64000.0, 16.0);

    test::FakeClock clock;
    test::FakeScheduler scheduler(clock);
    Recorder recorder; // outlives the engine, whose thread calls it
    AudioEngine engine(std::move(backend), scheduler);
    player->attach(engine);
    engine.addHandler(recorder.handler());
    engine.start();
    ASSERT_TRUE(player->waitUntilPlayed(30));

    std::lock_guard lock(recorder.mutex);
    EXPECT_EQ(recorder.samples.size(), player->samplesQueued() / 512 * 512);
    for (std::size_t i = 0; i < recorder.positions.size(); ++i)
        ASSERT_EQ(recorder.positions[i], std::int64_t(i * 512));
    double sum = 0;
    for (std::size_t i = 8000; i < 40000; ++i)
        sum += double(recorder.samples[i]) * recorder.samples[i];
    EXPECT_NEAR(std::sqrt(sum / 32000.0), 0.4 / std::sqrt(2.0), 0.01);
    EXPECT_EQ(recorder.samples.back(), 0.0f); // the silence came last
}

TEST(FileAudioBackend, playsAWavFileAtTheMicrophonesPace) {
    QTemporaryDir dir;
    const QString path = dir.filePath("tone.wav");
    std::vector<float> tone(4000, 0.25f); // 0.25 s at 16 kHz
    ASSERT_TRUE(test::writeWav(path, tone, 16000));
    QString error;
    auto backend = FileAudioBackend::fromWav(path, FileAudioBackend::Pace::realTime, &error);
    ASSERT_TRUE(backend) << error.toStdString();
    FileAudioBackend* player = backend.get();

    test::FakeClock clock;
    test::FakeScheduler scheduler(clock);
    Recorder recorder;
    AudioEngine engine(std::move(backend), scheduler);
    engine.addHandler(recorder.handler());
    const auto begin = std::chrono::steady_clock::now();
    engine.start();
    ASSERT_TRUE(player->waitUntilPlayed(10));
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_GT(took, 0.15); // paced, not dumped at once (the last block goes out at 0.19 s)
    EXPECT_EQ(player->samplesFed(), 4000u);

    // More audio after a pause keeps the pace too.
    player->appendSamples(tone, 16000, 1);
    const auto again = std::chrono::steady_clock::now();
    ASSERT_TRUE(player->waitUntilPlayed(10));
    EXPECT_GT(std::chrono::duration<double>(std::chrono::steady_clock::now() - again).count(), 0.15);
    EXPECT_EQ(player->samplesFed(), 8000u);
    EXPECT_FALSE(FileAudioBackend::fromWav(dir.filePath("missing.wav")));
}
