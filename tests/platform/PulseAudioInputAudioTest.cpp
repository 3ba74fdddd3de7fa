#include "base/Scheduler.h"
#include "platform/linux/PulseAudioInput.h"
#include "support/LogCapture.h"
#include "support/WaitFor.h"
#include "voice/AudioEngine.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>

using namespace brisklet;
using namespace brisklet::test;

namespace {
bool pactl(const QStringList& args) {
    QProcess p;
    p.start("pactl", args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A module loaded on the test desktop's server; its index, empty when it failed.
QString loadModule(const QStringList& args) {
    QProcess p;
    p.start("pactl", QStringList{"load-module"} + args);
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Modules a test loaded, unloaded again as it ends, with testmic the default again.
struct ModulesBack {
    QStringList modules;
    ~ModulesBack() {
        pactl({"set-default-source", "testmic"});
        for (const QString& module : modules)
            if (!module.isEmpty())
                pactl({"unload-module", module});
    }
};

} // namespace

TEST(PulseAudioInputSourceChoice, aMonitorOfTheSpeakersIsNeverTakenForAMicrophone) {
    using Input = platform::PulseAudioInput;
    const Input::Source mic{"alsa_input.usb", false};
    const Input::Source filtered{"noise_filtered_mic", false};
    const Input::Source monitor{"speakers.monitor", true};
    // The default, when it is a microphone, remapped or filtered ones included.
    EXPECT_EQ(Input::chooseSource("noise_filtered_mic", {mic, filtered, monitor}),
              QByteArray("noise_filtered_mic"));
    // A monitor as the default: the microphone beside it, never the speakers.
    EXPECT_EQ(Input::chooseSource("speakers.monitor", {monitor, mic}), QByteArray("alsa_input.usb"));
    // Only monitors left: nothing to listen to.
    EXPECT_EQ(Input::chooseSource("speakers.monitor", {monitor}), std::nullopt);
    EXPECT_EQ(Input::chooseSource({}, {monitor}), std::nullopt);
}

TEST(PulseAudioInput, opensAndClosesTheDefaultInput) {
    ASSERT_TRUE(pactl({"info"})) << "no sound server: run the audio tests inside scripts/test-desktop";
    test::LogCapture log;
    auto backend = std::make_unique<platform::PulseAudioInput>();
    auto format = backend->inputFormat();
    ASSERT_TRUE(format.has_value()) << "the sound server offers no input";
    EXPECT_GT(format->sampleRate, 0);
    EXPECT_GT(format->channels, 0);

    std::atomic<int> chunks{0};
    AudioEngine engine(std::move(backend), Scheduler::main());
    engine.addHandler([&](std::span<const float> samples, std::int64_t) {
        EXPECT_EQ(samples.size(), 512u);
        ++chunks;
    });
    engine.start();
    engine.waitForControl();
    ASSERT_TRUE(engine.isRunning()) << log.messages().join('\n').toStdString();
    // The test microphone only carries sound while something plays into the test
    // sink, so chunks are reported, not required.
    static_cast<void>(waitFor([&] { return chunks > 10; }, 1000));
    std::printf("chunks from the live input: %d, level %.4f\n", chunks.load(), engine.level());
    auto cpu = engine.threadCpuSeconds();
    EXPECT_TRUE(cpu.capture.has_value());
    EXPECT_TRUE(cpu.processing.has_value());

    engine.stop();
    engine.waitForControl();
    EXPECT_FALSE(engine.isRunning());
    engine.start();
    engine.waitForControl();
    EXPECT_TRUE(engine.isRunning());
}

TEST(PulseAudioInput, followsAChangeOfTheDefaultInput) {
    ASSERT_TRUE(pactl({"info"})) << "no sound server: run the audio tests inside scripts/test-desktop";
    test::LogCapture log;
    AudioEngine engine(std::make_unique<platform::PulseAudioInput>(), Scheduler::main());
    engine.start();
    engine.waitForControl();
    ASSERT_TRUE(engine.isRunning());

    // Another microphone appears and becomes the default: the engine re-taps and
    // opens it.
    ModulesBack back;
    back.modules.prepend(loadModule({"module-null-sink", "sink_name=othersink"}));
    back.modules.prepend(
        loadModule({"module-remap-source", "master=othersink.monitor", "source_name=othermic",
                    "source_properties=device.description=OtherMic"}));
    ASSERT_FALSE(back.modules.contains(QString())) << "the other microphone could not be made";
    ASSERT_TRUE(pactl({"set-default-source", "othermic"}));
    EXPECT_TRUE(waitFor([&] { return log.count("audio input: OtherMic") > 0; }, 5000))
        << log.messages().join('\n').toStdString();
    EXPECT_EQ(log.count("re-tapping audio input (default input device changed)"), 1);
    engine.waitForControl();
    EXPECT_TRUE(engine.isRunning());
}

TEST(PulseAudioInput, theCaptureWakesLessOftenWhileNobodyListens) {
    ASSERT_TRUE(pactl({"info"})) << "no sound server: run the audio tests inside scripts/test-desktop";
    // The test sink hands its monitor on in short stretches whatever the microphone
    // asks for (it does not rewind), so the pace is measured on a sink of its own that
    // renders as far ahead as its listener asks, as a sound card's input does.
    const QString sink = loadModule({"module-null-sink", "sink_name=pacesink"});
    const QString mic = loadModule({"module-remap-source", "master=pacesink.monitor", "source_name=pacemic"});
    ModulesBack back{{mic, sink}};
    ASSERT_FALSE(sink.isEmpty() || mic.isEmpty()) << "the pace's own sink could not be made";
    ASSERT_TRUE(pactl({"set-default-source", "pacemic"}));
    auto owned = std::make_unique<platform::PulseAudioInput>();
    platform::PulseAudioInput* backend = owned.get();
    std::atomic<int> chunks{0};
    AudioEngine engine(std::move(owned), Scheduler::main());
    engine.addHandler([&](std::span<const float>, std::int64_t) { ++chunks; });
    engine.start();
    engine.waitForControl();
    ASSERT_TRUE(engine.isRunning());

    // Wake-ups per second of the capture thread over a stretch of each pace.
    const auto rate = [&] {
        QThread::msleep(300);
        const long before = backend->captureWakeups();
        QThread::msleep(2000);
        return (backend->captureWakeups() - before) / 2.0;
    };
    const double idle = rate();
    engine.setListening(true);
    engine.waitForControl();
    const int chunksBefore = chunks;
    const double listening = rate();
    EXPECT_TRUE(engine.isRunning());
    EXPECT_GT(chunks, chunksBefore) << "the input still arrives after the change of pace";
    engine.setListening(false);
    engine.waitForControl();
    const double idleAgain = rate();
    std::printf("capture wake-ups per second: idle %.1f, listening %.1f, idle again %.1f\n", idle, listening,
                idleAgain);
    // The paces compared within one run: a loaded machine merges the listening
    // fragments and splits the idle stretches (measured 12 against 6 beside eight
    // busy cores, 20 against 5 alone). The idle rate itself is the voice benchmark's.
    EXPECT_LT(idle, listening) << "a window hears its input promptly";
    EXPECT_LT(idleAgain, listening) << "the input goes back to its idle pace";
}
