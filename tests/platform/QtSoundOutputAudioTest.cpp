// The program's own sounds as they go out, played on the test desktop's sound server:
// what play() returns is what the recogniser looks for in the microphone.
#include "platform/linux/QtSoundOutput.h"
#include "support/SpeechSet.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace brisklet;
using platform::QtSoundOutput;

// A chime nobody hears arms nothing: at volume 0 there is nothing to take out of the
// microphone, and something else at the window's start must never be taken for it.
TEST(QtSoundOutput, aSoundPlayedSilentlyOrUnknownReturnsNothingAndAHeardOneItsSamplesAtItsVolume) {
    QtSoundOutput output;
    EXPECT_TRUE(output.play(QStringLiteral("droplet"), 0.0).empty());
    EXPECT_TRUE(output.play(QStringLiteral("no-such-sound"), 1.0).empty());

    const std::vector<float> full = QtSoundOutput::samplesOf(QStringLiteral("droplet"));
    ASSERT_FALSE(full.empty());
    // 16 kHz mono, as long as the sound lasts.
    EXPECT_NEAR(double(full.size()) / 16000, QtSoundOutput::lengthOf(QStringLiteral("droplet")), 0.005);
    const std::vector<float> played = output.play(QStringLiteral("droplet"), 0.5);
    ASSERT_EQ(played.size(), full.size());
    for (std::size_t i = 0; i < full.size(); ++i)
        ASSERT_FLOAT_EQ(played[i], 0.5f * full[i]) << "sample " << i;

    // The same sound as the tests' own conversion of the program's file makes it.
    const std::vector<float> reference = test::SpeechSet::listeningChime();
    ASSERT_FALSE(reference.empty());
    double dot = 0, a = 0, b = 0;
    for (std::size_t i = 0; i < std::min(full.size(), reference.size()); ++i) {
        dot += double(full[i]) * reference[i];
        a += double(full[i]) * full[i];
        b += double(reference[i]) * reference[i];
    }
    EXPECT_GT(dot / std::sqrt(a * b), 0.99);
}

// Every chime is heard, not only the first few of a session: the sound server's
// own record of what went out holds one burst per play.
TEST(QtSoundOutput, everyPlayOfTheSameSoundIsHeard) {
    QProcess recorder;
    recorder.start(QStringLiteral("parec"),
                   {QStringLiteral("--device=testsink.monitor"), QStringLiteral("--raw"),
                    QStringLiteral("--format=s16le"), QStringLiteral("--rate=16000"),
                    QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20")});
    ASSERT_TRUE(recorder.waitForStarted(5000))
        << "parec did not start: the test desktop's sound server is needed";
    QByteArray pcm;
    const auto record = [&](int ms) {
        const QDeadlineTimer until(ms);
        while (!until.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            recorder.waitForReadyRead(10);
            pcm += recorder.readAllStandardOutput();
        }
    };
    QtSoundOutput output;
    constexpr int plays = 12;
    constexpr int spacingMs = 600;
    // Once the recorder delivers what the sink plays.
    for (int i = 0; i < 100 && pcm.size() < 16000; ++i)
        record(100);
    ASSERT_GE(pcm.size(), 16000) << "the recorder delivered nothing";
    const qsizetype start = pcm.size();
    for (int i = 0; i < plays; ++i) {
        ASSERT_FALSE(output.play(QStringLiteral("droplet"), 1.0).empty());
        record(spacingMs);
    }
    record(1500); // what the recorder still holds
    recorder.terminate();
    recorder.waitForFinished(2000);
    // One burst of sound per play: onsets after a stretch of silence, in 20 ms frames.
    const auto* samples = reinterpret_cast<const qint16*>(pcm.constData() + start);
    const qsizetype n = (pcm.size() - start) / 2;
    int heard = 0, quietFrames = 1000;
    for (qsizetype at = 0; at + 320 <= n; at += 320) {
        double peak = 0;
        for (qsizetype k = at; k < at + 320; ++k)
            peak = std::max(peak, std::abs(double(samples[k])) / 32768.0);
        if (peak > 0.05 && quietFrames >= 10)
            ++heard;
        quietFrames = peak > 0.05 ? 0 : quietFrames + 1;
    }
    EXPECT_EQ(heard, plays);
}
