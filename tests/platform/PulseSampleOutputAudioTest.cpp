// The program's own sounds as they go out, played on the test desktop's sound server:
// what play() returns is what the recogniser looks for in the microphone.
#include "base/Prefs.h"
#include "base/Scheduler.h"
#include "platform/linux/PulseAudioInput.h"
#include "platform/linux/PulseSampleOutput.h"
#include "support/ChildProcess.h"
#include "support/LogCapture.h"
#include "support/ScopedEnv.h"
#include "support/SinkRecorder.h"
#include "support/SpeechSet.h"
#include "support/TestSoundServer.h"
#include "support/WaitFor.h"
#include "voice/AudioEngine.h"
#include "voice/Chime.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <mutex>

using namespace brisklet;
using platform::PulseSampleOutput;

// A chime nobody hears arms nothing: at volume 0 there is nothing to take out of the
// microphone, and something else at the window's start must never be taken for it.
TEST(PulseSampleOutput, aSoundPlayedSilentlyOrUnknownReturnsNothingAndAHeardOneItsSamplesAtItsVolume) {
    PulseSampleOutput output;
    EXPECT_TRUE(output.play(QStringLiteral("droplet"), 0.0).empty());
    EXPECT_TRUE(output.play(QStringLiteral("no-such-sound"), 1.0).empty());

    const std::vector<float> full = PulseSampleOutput::samplesOf(QStringLiteral("droplet"));
    ASSERT_FALSE(full.empty());
    // 16 kHz mono, as long as the sound lasts.
    EXPECT_NEAR(double(full.size()) / 16000, PulseSampleOutput::lengthOf(QStringLiteral("droplet")), 0.005);
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
TEST(PulseSampleOutput, everyPlayOfTheSameSoundIsHeard) {
    test::SinkRecorder recorder(QStringLiteral("testsink.monitor"), 20);
    PulseSampleOutput output;
    constexpr int plays = 12;
    constexpr int spacingMs = 600;
    ASSERT_TRUE(recorder.start()) << "parec delivered nothing: the test desktop's sound server is needed";
    for (int i = 0; i < plays; ++i) {
        ASSERT_FALSE(output.play(QStringLiteral("droplet"), 1.0).empty());
        recorder.record(spacingMs);
    }
    recorder.record(1500); // what the recorder still holds
    // One burst of sound per play: onsets after a stretch of silence, in 20 ms frames.
    const std::vector<float> samples = recorder.samples();
    const qsizetype n = qsizetype(samples.size());
    int heard = 0, quietFrames = 1000;
    for (qsizetype at = 0; at + 320 <= n; at += 320) {
        double peak = 0;
        for (qsizetype k = at; k < at + 320; ++k)
            peak = std::max(peak, std::abs(double(samples[std::size_t(k)])));
        if (peak > 0.05 && quietFrames >= 10)
            ++heard;
        quietFrames = peak > 0.05 ? 0 : quietFrames + 1;
    }
    EXPECT_EQ(heard, plays);
}

namespace {

struct Burst {
    std::size_t start = 0;
    std::size_t end = 0; // one past its last sound
};

// The stretches of sound in a recording of the silent null sink, split where it falls
// silent for 80 ms; sound is any millisecond peaking above a few steps of 16 bits.
std::vector<Burst> burstsIn(const std::vector<float>& samples) {
    constexpr std::size_t ms = 16;
    constexpr float floor = 3e-4f;
    std::vector<Burst> bursts;
    std::size_t quiet = 1000;
    for (std::size_t at = 0; at + ms <= samples.size(); at += ms) {
        float peak = 0;
        for (std::size_t k = at; k < at + ms; ++k)
            peak = std::max(peak, std::abs(samples[k]));
        if (peak <= floor) {
            ++quiet;
            continue;
        }
        if (quiet >= 80)
            bursts.push_back({at, at + ms});
        bursts.back().end = at + ms;
        quiet = 0;
    }
    return bursts;
}

struct Likeness {
    double samples = 0;  // of the waveforms
    double envelope = 0; // of their loudness, millisecond by millisecond
    double start = 0;    // where the sound begins in the recording, in samples
};

// How closely a recording follows a sound: the best normalised cross-correlation of
// the two over the lags from `from` to `to` samples, to an eighth of a sample (the
// server's resampler and ours meet the sound at different phases), and at that lag
// the same of their loudness in 2 ms steps.
Likeness likeness(const std::vector<float>& heard, long from, long to, const std::vector<float>& sound) {
    constexpr long taps = 16;
    constexpr double pi = 3.14159265358979323846;
    // The recording at a fractional position, by windowed sinc.
    const auto at = [&](double lag, std::size_t i) {
        const double where = lag + double(i);
        const long whole = long(std::floor(where));
        const double part = where - double(whole);
        double sum = 0;
        for (long k = -taps + 1; k <= taps; ++k) {
            const long n = whole + k;
            if (n < 0 || std::size_t(n) >= heard.size())
                continue;
            const double x = double(k) - part;
            const double sinc = std::abs(x) < 1e-9 ? 1.0 : std::sin(pi * x) / (pi * x);
            const double window = 0.5 + 0.5 * std::cos(pi * x / double(taps));
            sum += heard[std::size_t(n)] * sinc * window;
        }
        return sum;
    };
    const auto correlation = [](const std::vector<double>& x, const std::vector<double>& y) {
        double dot = 0, a = 0, b = 0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            dot += x[i] * y[i];
            a += x[i] * x[i];
            b += y[i] * y[i];
        }
        return a > 0 && b > 0 ? dot / std::sqrt(a * b) : 0.0;
    };
    const std::vector<double> wanted(sound.begin(), sound.end());
    const auto tryLag = [&](double lag) {
        std::vector<double> got(sound.size());
        for (std::size_t i = 0; i < sound.size(); ++i)
            got[i] = at(lag, i);
        return correlation(got, wanted);
    };
    Likeness best;
    double bestLag = 0;
    for (long lag = from; lag <= to; ++lag) {
        double dot = 0, a = 0, b = 0;
        for (std::size_t i = 0; i < sound.size(); ++i) {
            const long k = lag + long(i);
            const double h = k >= 0 && std::size_t(k) < heard.size() ? double(heard[std::size_t(k)]) : 0.0;
            dot += h * sound[i];
            a += h * h;
            b += double(sound[i]) * sound[i];
        }
        const double c = a > 0 && b > 0 ? dot / std::sqrt(a * b) : 0.0;
        if (c > best.samples) {
            best.samples = c;
            bestLag = double(lag);
        }
    }
    const double whole = bestLag;
    for (double part = -0.5; part <= 0.5; part += 0.125) {
        const double c = tryLag(whole + part);
        if (c > best.samples) {
            best.samples = c;
            bestLag = whole + part;
        }
    }
    constexpr std::size_t step = 32;
    std::vector<double> got, want;
    for (std::size_t from = 0; from + step <= sound.size(); from += step) {
        double g = 0, w = 0;
        for (std::size_t i = from; i < from + step; ++i) {
            g += at(bestLag, i) * at(bestLag, i);
            w += double(sound[i]) * sound[i];
        }
        got.push_back(std::sqrt(g));
        want.push_back(std::sqrt(w));
    }
    best.envelope = correlation(got, want);
    best.start = bestLag;
    return best;
}

} // namespace

// The settings' picker plays its sounds one after another as they are chosen: each
// is heard whole, as its waveform, every time, not cut to a click.
TEST(PulseSampleOutput, thePickersSoundsEachPlayWholeAtTheDefaultVolume) {
    Prefs::registerDefaults();
    const double volume =
        Prefs::registeredDefaults().value(QLatin1String(Prefs::Key::soundVolume)).toDouble();
    ASSERT_GT(volume, 0);
    QStringList names;
    for (const Chime::Option& option : Chime::options())
        if (!PulseSampleOutput::resourceFor(option.id).isEmpty())
            names << option.id;
    ASSERT_EQ(names.size(), 3);

    test::SinkRecorder recorder;
    ASSERT_TRUE(recorder.start()) << "parec delivered nothing: the test desktop's sound server is needed";
    PulseSampleOutput output;
    constexpr int rounds = 4;
    QStringList played;
    for (int round = 0; round < rounds; ++round) {
        for (const QString& name : names) {
            ASSERT_FALSE(output.play(name, volume).empty()) << name.toStdString();
            played << name;
            recorder.record(700);
        }
    }
    recorder.record(1000); // what the recorder still holds
    const std::vector<float> heard = recorder.samples();
    const std::vector<Burst> bursts = burstsIn(heard);
    std::string lengths;
    for (const Burst& b : bursts)
        lengths += std::to_string((b.end - b.start) / 16) + " ms ";
    ASSERT_EQ(bursts.size(), std::size_t(played.size())) << "bursts heard: " << lengths;
    for (std::size_t i = 0; i < bursts.size(); ++i) {
        const QString& name = played[qsizetype(i)];
        SCOPED_TRACE(name.toStdString() + " #" + std::to_string(i));
        const double seconds = double(bursts[i].end - bursts[i].start) / 16000;
        // The last few ms of a fading tail may fall under the floor (PipeWire once gave a
        // 50 ms tick as 44 ms): its waveform, checked below, says it was whole; the length
        // only tells a sound from a click.
        EXPECT_GE(seconds, 0.8 * PulseSampleOutput::lengthOf(name)) << "bursts heard: " << lengths;
        // The sound's start within 20 ms of the burst's.
        const long start = long(bursts[i].start);
        const Likeness like = likeness(heard, start - 320, start + 320, PulseSampleOutput::samplesOf(name));
        EXPECT_GE(like.samples, 0.9);
        EXPECT_GE(like.envelope, 0.9);
    }
}

// A sound played while the last still plays stops it rather than sounding over it.
TEST(PulseSampleOutput, aSoundPlayedWhileTheLastStillPlaysStopsIt) {
    PulseSampleOutput output;
    const std::vector<float> tickSound = PulseSampleOutput::samplesOf(QStringLiteral("tick"));
    const double whisper = PulseSampleOutput::lengthOf(QStringLiteral("whisper")) * 16000;
    bool told = false;
    // Under load the tick may come only once the whisper is over: then again.
    for (int attempt = 0; attempt < 4 && !told; ++attempt) {
        test::SinkRecorder recorder;
        ASSERT_TRUE(recorder.start()) << "parec delivered nothing: the test desktop's sound server is needed";
        // The tick louder, to be found over the whisper should they overlap.
        ASSERT_FALSE(output.play(QStringLiteral("whisper"), 0.1).empty());
        recorder.record(100);
        ASSERT_FALSE(output.play(QStringLiteral("tick"), 1.0).empty());
        recorder.record(1000);
        const std::vector<float> heard = recorder.samples();
        const std::vector<Burst> bursts = burstsIn(heard);
        ASSERT_FALSE(bursts.empty());
        // Where the tick came in, by the server's clock.
        const long start = long(bursts[0].start);
        const Likeness tick = likeness(heard, start, start + long(whisper), tickSound);
        const double ends = tick.start + double(tickSound.size()) + 160;
        if (tick.samples < 0.5 || ends >= double(start) + whisper - 800)
            continue;
        told = true;
        std::string lengths;
        for (const Burst& b : bursts)
            lengths += std::to_string((b.end - b.start) / 16) + " ms ";
        EXPECT_EQ(bursts.size(), 1u) << "bursts heard: " << lengths;
        EXPECT_LE(double(bursts[0].end), ends) << "bursts heard: " << lengths;
    }
    EXPECT_TRUE(told) << "the tick never came while the whisper still played";
}

// A window turns the microphone to its listening pace, which reopens its input, and
// then plays the chime: the microphone hears the chime whole and as it was played,
// every window, the first of a session too. Only the microphone listens to the sink
// here, as in the program, so nothing else sets how far ahead the sink renders.
TEST(PulseSampleOutput, aChimePlayedOnceTheMicrophoneTurnedToListeningReachesItWhole) {
    Prefs::registerDefaults();
    const double volume =
        Prefs::registeredDefaults().value(QLatin1String(Prefs::Key::soundVolume)).toDouble();
    std::mutex mutex;
    std::vector<float> heard;
    const auto heardSoFar = [&] {
        std::lock_guard lock(mutex);
        return heard.size();
    };
    AudioEngine engine(std::make_unique<platform::PulseAudioInput>(), Scheduler::main());
    engine.addHandler([&](std::span<const float> samples, std::int64_t) {
        std::lock_guard lock(mutex);
        heard.insert(heard.end(), samples.begin(), samples.end());
    });
    engine.start();
    engine.waitForControl();
    ASSERT_TRUE(engine.isRunning()) << "the test desktop's microphone is needed";
    PulseSampleOutput output;
    // A second at the idle pace first, as before any window.
    ASSERT_TRUE(test::waitFor([&] { return heardSoFar() >= 16000; }, 10000))
        << "the microphone delivered nothing";
    constexpr int windows = 3;
    for (int i = 0; i < windows; ++i) {
        engine.setListening(true);
        engine.waitForControl();
        ASSERT_FALSE(output.play(QStringLiteral("droplet"), volume).empty());
        const std::size_t opened = heardSoFar();
        ASSERT_TRUE(test::waitFor([&] { return heardSoFar() >= opened + 16000; }, 10000));
        engine.setListening(false);
        const std::size_t closed = heardSoFar();
        ASSERT_TRUE(test::waitFor([&] { return heardSoFar() >= closed + 16000; }, 10000));
    }
    engine.stop();
    engine.waitForControl();
    std::lock_guard lock(mutex);
    const std::vector<Burst> bursts = burstsIn(heard);
    std::string lengths;
    for (const Burst& b : bursts)
        lengths += std::to_string((b.end - b.start) / 16) + " ms ";
    ASSERT_EQ(bursts.size(), std::size_t(windows)) << "bursts heard: " << lengths;
    const std::vector<float> droplet = PulseSampleOutput::samplesOf(QStringLiteral("droplet"));
    for (std::size_t i = 0; i < bursts.size(); ++i) {
        SCOPED_TRACE("window " + std::to_string(i + 1));
        const double seconds = double(bursts[i].end - bursts[i].start) / 16000;
        EXPECT_GE(seconds, 0.9 * PulseSampleOutput::lengthOf(QStringLiteral("droplet")))
            << "bursts heard: " << lengths;
        const long start = long(bursts[i].start);
        const Likeness like = likeness(heard, start - 320, start + 320, droplet);
        EXPECT_GE(like.samples, 0.9);
        EXPECT_GE(like.envelope, 0.9);
    }
}

namespace {

// The names in the test desktop's sample cache.
QStringList samplesOnServer() {
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"),
                {QStringLiteral("list"), QStringLiteral("samples"), QStringLiteral("short")});
    if (!pactl.waitForFinished(10000))
        return {};
    QStringList names;
    for (const QString& line : QString::fromUtf8(pactl.readAllStandardOutput()).split('\n'))
        if (const QStringList fields = line.split('\t'); fields.size() > 1)
            names << fields[1];
    return names;
}

// How many of this process's sounds the test desktop's server holds in its cache.
int samplesCached() {
    const QString ours = QStringLiteral("brisklet-%1-").arg(QCoreApplication::applicationPid());
    return int(samplesOnServer()
                   .filter(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(ours)))
                   .size());
}

} // namespace

// The server keeps what is uploaded to it after the program is gone: the program
// takes its sounds out again, so restarts don't fill the server's cache.
TEST(PulseSampleOutput, theSoundsUploadedLeaveTheServerWithTheOutput) {
    {
        PulseSampleOutput output;
        ASSERT_FALSE(output.play(QStringLiteral("tick"), 0.35).empty());
        EXPECT_TRUE(test::waitFor([] { return samplesCached() == 3; }, 10000)) << samplesCached();
    }
    EXPECT_EQ(samplesCached(), 0);
}

// Without a sound server nothing is heard, so nothing is armed in the recogniser,
// and the log says so once, not at every play.
TEST(PulseSampleOutput, withNoServerNothingPlaysAndTheLogSaysSoOnce) {
    QTemporaryDir dir;
    const test::ScopedEnv server("PULSE_SERVER", "unix:" + dir.filePath(QStringLiteral("none")).toUtf8());
    test::LogCapture log;
    PulseSampleOutput output;
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(output.play(QStringLiteral("droplet"), 0.35).empty());
        EXPECT_TRUE(output.play(QStringLiteral("tick"), 1.0).empty());
    }
    EXPECT_EQ(log.count(QStringLiteral("sounds are silent")), 1) << log.messages().join('\n').toStdString();
}

// A server that comes (back) is used at the next play, and each time it goes the log
// says so once.
TEST(PulseSampleOutput, aServerThatComesLaterIsUsedAndEachOutageLoggedOnce) {
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("native"));
    const test::ScopedEnv server("PULSE_SERVER", "unix:" + socket.toUtf8());
    test::LogCapture log;
    PulseSampleOutput output;
    EXPECT_TRUE(output.play(QStringLiteral("droplet"), 0.35).empty());

    // A sound server of the test's own, on a socket of its own.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* folder : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "HOME"}) {
        const QString path = dir.filePath(QString::fromLatin1(folder));
        QDir().mkpath(path);
        env.insert(QString::fromLatin1(folder), path);
    }
    // Not on the test desktop's buses, where its own server has the names; and with no
    // display, where a missing session bus would have a bus of its own launched and
    // left running.
    for (const char* name :
         {"PULSE_SERVER", "DBUS_SESSION_BUS_ADDRESS", "DBUS_SYSTEM_BUS_ADDRESS", "DISPLAY"})
        env.remove(QString::fromLatin1(name));
    QProcess pulse;
    QByteArray said;
    test::startMerged(pulse, env, QStringLiteral("pulseaudio"),
                      {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                       QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                       QStringLiteral("-L"),
                       QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + socket,
                       QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=latersink")});
    ASSERT_TRUE(pulse.waitForStarted(5000));
    const auto answers = [&] {
        test::collect(pulse, said);
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"),
                    {QStringLiteral("--server=unix:") + socket, QStringLiteral("info")});
        return pactl.waitForFinished(5000) && pactl.exitStatus() == QProcess::NormalExit &&
               pactl.exitCode() == 0;
    };
    ASSERT_TRUE(test::waitFor(answers, 20000)) << said.toStdString();
    EXPECT_FALSE(output.play(QStringLiteral("droplet"), 0.35).empty());
    EXPECT_FALSE(output.play(QStringLiteral("whisper"), 0.35).empty());

    pulse.kill();
    pulse.waitForFinished(5000);
    EXPECT_TRUE(output.play(QStringLiteral("droplet"), 0.35).empty());
    EXPECT_TRUE(output.play(QStringLiteral("tick"), 0.35).empty());
    EXPECT_EQ(log.count(QStringLiteral("sounds are silent")), 2) << log.messages().join('\n').toStdString();
}

// The settings' picker at a soft and a loud volume, on either server: each sound is
// heard at its level, whole. PipeWire's pulse service plays a cached sound at full
// level whatever volume the play asks for.
TEST(PulseSampleOutput, thePickersSoundsAreHeardAtTheChosenVolumeAndWhole) {
    QStringList names;
    for (const Chime::Option& option : Chime::options())
        if (!PulseSampleOutput::resourceFor(option.id).isEmpty())
            names << option.id;
    ASSERT_EQ(names.size(), 3);
    constexpr double soft = 0.1, loud = 0.8;

    test::SinkRecorder recorder;
    ASSERT_TRUE(recorder.start()) << "parec delivered nothing: the test desktop's sound server is needed";
    PulseSampleOutput output;
    struct Played {
        QString name;
        double volume;
    };
    std::vector<Played> played;
    // Soft and loud in turn, so the volume changes at every play.
    for (const QString& name : names) {
        for (const double volume : {soft, loud, soft, loud}) {
            const std::vector<float> given = output.play(name, volume);
            ASSERT_FALSE(given.empty()) << name.toStdString();
            played.push_back({name, volume});
            recorder.record(700);
        }
    }
    recorder.record(1000);
    const std::vector<float> heard = recorder.samples();
    const std::vector<Burst> bursts = burstsIn(heard);
    std::string lengths;
    for (const Burst& b : bursts)
        lengths += std::to_string((b.end - b.start) / 16) + " ms ";
    ASSERT_EQ(bursts.size(), played.size()) << "bursts heard: " << lengths;
    std::vector<double> levels; // of each burst, dB
    for (std::size_t i = 0; i < bursts.size(); ++i) {
        const Played& p = played[i];
        SCOPED_TRACE(p.name.toStdString() + " at " + std::to_string(p.volume));
        const std::vector<float> sound = PulseSampleOutput::samplesOf(p.name);
        const double seconds = double(bursts[i].end - bursts[i].start) / 16000;
        EXPECT_GE(seconds, 0.9 * PulseSampleOutput::lengthOf(p.name)) << "bursts heard: " << lengths;
        const long start = long(bursts[i].start);
        const Likeness like = likeness(heard, start - 320, start + 320, sound);
        EXPECT_GE(like.samples, 0.9);
        EXPECT_GE(like.envelope, 0.9);
        double energy = 0;
        for (std::size_t k = 0; k < sound.size(); ++k) {
            const long at = long(std::lround(like.start)) + long(k);
            if (at >= 0 && std::size_t(at) < heard.size())
                energy += double(heard[std::size_t(at)]) * heard[std::size_t(at)];
        }
        levels.push_back(10 * std::log10(std::max(energy / double(sound.size()), 1e-12)));
    }
    for (std::size_t i = 0; i + 1 < levels.size(); i += 2)
        EXPECT_GE(levels[i + 1] - levels[i], 14.0)
            << played[i].name.toStdString() << " at " << loud << ": " << levels[i + 1] << " dB, at " << soft
            << ": " << levels[i] << " dB";
}

namespace {

// Whether the microphone of the sink hears something within a second of a play.
bool heardOnce(PulseSampleOutput& output) {
    test::SinkRecorder recorder;
    if (!recorder.start() || output.play(QStringLiteral("droplet"), 0.35).empty())
        return false;
    recorder.record(1000);
    return !burstsIn(recorder.samples()).empty();
}

} // namespace

// A sound server may go away at any moment (a crash, an update) and come back any
// time later, or appear only after the program started: the sounds come back by
// themselves, without a play to ask for them, and the log says once each way (the
// capture says the same of the server itself).
TEST(PulseSampleOutput, theSoundsComeBackByThemselvesWhenTheServerDoes) {
    test::SoundServerBack back;
    test::TestSoundServer server;
    ASSERT_FALSE(server.name().isEmpty()) << "run the test in scripts/test-desktop";
    test::LogCapture log;
    // Silent while no server runs, for longer than a few attempts to reach one; heard
    // again once one does, without a play to ask for the sounds.
    const auto silentThenBack = [&](PulseSampleOutput& output) {
        EXPECT_TRUE(output.play(QStringLiteral("droplet"), 0.35).empty());
        QTest::qWait(5000);
        EXPECT_TRUE(output.play(QStringLiteral("tick"), 0.35).empty());
        ASSERT_TRUE(server.start()) << server.error().toStdString();
        EXPECT_TRUE(test::waitFor([] { return samplesCached() == 3; }, 10000))
            << "the sounds were not uploaded again: " << samplesOnServer().join(' ').toStdString();
        EXPECT_TRUE(heardOnce(output));
    };
    {
        PulseSampleOutput output;
        ASSERT_TRUE(heardOnce(output));
        ASSERT_TRUE(test::waitFor([] { return samplesCached() == 3; }, 10000)) << samplesCached();
        for (const bool crash : {true, false}) {
            ASSERT_TRUE(crash ? server.kill() : server.stop()) << server.error().toStdString();
            silentThenBack(output);
        }
        const QString said = log.messages().join('\n');
        EXPECT_EQ(log.count(QStringLiteral("sounds are silent until the sound server is back")), 2)
            << said.toStdString();
        EXPECT_EQ(log.count(QStringLiteral("sounds play again")), 2) << said.toStdString();
    }

    // A program started while no server runs.
    ASSERT_TRUE(server.stop()) << server.error().toStdString();
    log.clear();
    PulseSampleOutput output;
    silentThenBack(output);
    const QString said = log.messages().join('\n');
    EXPECT_EQ(log.count(QStringLiteral("sounds are silent")), 1) << said.toStdString();
    EXPECT_EQ(log.count(QStringLiteral("sounds play again")), 1) << said.toStdString();
}

// A program killed outright leaves its sounds in the server's cache: the next one to
// start takes out those of instances that no longer run, and leaves a running one's.
TEST(PulseSampleOutput, atStartTheSoundsOfInstancesNoLongerRunningLeaveTheCache) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wav = dir.filePath(QStringLiteral("droplet.wav"));
    ASSERT_TRUE(QFile::copy(PulseSampleOutput::resourceFor(QStringLiteral("droplet")), wav));
    // A process that ran and ended, and one that runs.
    QProcess ended;
    ended.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo $$")});
    ASSERT_TRUE(ended.waitForFinished(5000));
    const QByteArray endedPid = ended.readAllStandardOutput().trimmed();
    ASSERT_FALSE(endedPid.isEmpty());
    QProcess runs;
    runs.start(QStringLiteral("sleep"), {QStringLiteral("120")});
    ASSERT_TRUE(runs.waitForStarted(5000));
    const QString gone = QStringLiteral("brisklet-%1-0-droplet").arg(QString::fromLatin1(endedPid));
    const QString alive = QStringLiteral("brisklet-%1-0-droplet").arg(runs.processId());
    const QString stranger = QStringLiteral("brisklet-sounds-droplet");
    for (const QString& name : {gone, alive, stranger})
        ASSERT_EQ(QProcess::execute(QStringLiteral("pactl"), {QStringLiteral("upload-sample"), wav, name}),
                  0);
    ASSERT_TRUE(samplesOnServer().contains(gone));

    {
        PulseSampleOutput output;
        EXPECT_TRUE(
            test::waitFor([&] { return !samplesOnServer().contains(gone) && samplesCached() == 3; }, 10000))
            << samplesOnServer().join(' ').toStdString();
        EXPECT_TRUE(samplesOnServer().contains(alive));
        EXPECT_TRUE(samplesOnServer().contains(stranger));
    }
    for (const QString& name : {alive, stranger})
        QProcess::execute(QStringLiteral("pactl"), {QStringLiteral("remove-sample"), name});
    runs.kill();
    runs.waitForFinished(5000);
}
