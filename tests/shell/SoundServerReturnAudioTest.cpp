// The test desktop's sound server goes away under Brisklet and comes back, or comes
// only after Brisklet started; or its microphone does, leaving only the speakers'
// monitor: nothing crashes, the speakers are never heard, and the microphone is heard
// again soon after it is back. Run on either server the test desktop offers.
#include "base/Prefs.h"
#include "base/Scheduler.h"
#include "shell/LinuxPlatform.h"
#include "shell/Watchdog.h"
#include "support/ChildProcess.h"
#include "support/LogCapture.h"
#include "support/TestSoundServer.h"
#include "support/WaitFor.h"
#include "voice/AudioEngine.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <atomic>

using namespace brisklet;
using namespace brisklet::test;

namespace {

// How soon after the server answers again the microphone must be heard.
constexpr int backWithinMs = 10000;

// An engine on the microphone the app itself uses, counting the chunks it hands out.
struct Listener {
    Listener() {
        engine.addHandler([this](std::span<const float>, std::int64_t) { ++chunks; });
    }
    // Whether a second of audio comes within `ms`.
    bool flows(int ms) {
        const long before = chunks;
        return waitFor([&] { return chunks >= before + 31; }, ms);
    }

    LinuxPlatform platform;
    std::atomic<long> chunks{0};
    AudioEngine engine{platform.makeAudioBackend(), Scheduler::main()};
};

// Times the app's audio processing thread was woken so far (-1: no such thread). It
// sleeps until the capture hands it input, so a count that grows is audio flowing.
long long processingWakeups(qint64 pid) {
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "bk.audio.proc")
            continue;
        QFile status(tasks.filePath(task + QStringLiteral("/status")));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:"))
                return line.mid(24).trimmed().toLongLong();
    }
    return -1;
}

// Brisklet in a process of its own, onboarded, so it opens the microphone at launch.
class App {
public:
    App() {
        Prefs::setValue(Prefs::Key::onboarded, true);
        Prefs::setValue(Prefs::Key::soundsEnabled, false);
        Prefs::sync();
        process_.setProcessChannelMode(QProcess::MergedChannels);
        // BRISKLET_TEST_APP runs another build of the app through the same road.
        process_.start(qEnvironmentVariable("BRISKLET_TEST_APP", QStringLiteral(BRISKLET_EXECUTABLE)),
                       {QStringLiteral("--autostart")});
    }
    ~App() {
        process_.terminate();
        if (!process_.waitForFinished(10000))
            process_.kill();
        process_.waitForFinished(2000);
    }
    bool alive() { return process_.state() == QProcess::Running; }
    qint64 pid() const { return process_.processId(); }
    QByteArray log() { return collect(process_, seen_); }
    bool logs(const char* line, int ms) {
        return waitFor([&] { return log().contains(line) || !alive(); }, ms) && alive();
    }
    // Whether the app's microphone delivers for a while within `ms`.
    bool flows(int ms) {
        // The thread is made by the first start that succeeds.
        long long first = -1;
        return waitFor(
            [&] {
                const long long now = processingWakeups(process_.processId());
                if (first < 0)
                    first = now;
                return first >= 0 && now >= first + 5;
            },
            ms);
    }
    std::string output() { return log().toStdString(); }

private:
    QProcess process_;
    QByteArray seen_;
};

QString pactlOutput(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The test desktop's microphone "testmic" taken away, as an unplugged one is: the
// server's default input falls back to the test sink's monitor, the speakers. It is
// plugged back as the test ends, whatever happened.
class MicrophoneUnplugged {
public:
    bool unplug() {
        for (const QString& line : pactlOutput({"list", "short", "modules"}).split('\n'))
            if (line.contains(QStringLiteral("source_name=testmic")))
                pactlOutput({"unload-module", line.section('\t', 0, 0)});
        unplugged_ = true;
        return waitFor([] { return pactlOutput({"get-default-source"}) != QStringLiteral("testmic"); },
                       10000);
    }
    bool plugIn() {
        unplugged_ = false;
        if (pactlOutput(
                {"load-module", "module-remap-source", "master=testsink.monitor", "source_name=testmic"})
                .isEmpty())
            return false;
        return waitFor(
            [] {
                pactlOutput({"set-default-source", "testmic"});
                return pactlOutput({"get-default-source"}) == QStringLiteral("testmic");
            },
            10000);
    }
    ~MicrophoneUnplugged() {
        if (unplugged_)
            plugIn();
    }

private:
    bool unplugged_ = false;
};

class SoundServerReturn : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TestSoundServer::name().isEmpty()) << "run the audio tests inside scripts/test-desktop";
        ASSERT_TRUE(server.running()) << "the test desktop's sound server does not run";
    }

    LogCapture log;
    SoundServerBack back; // whatever happens, the next test finds the server running
    TestSoundServer server;
};

} // namespace

TEST_F(SoundServerReturn, aRunningEngineLivesThroughTheServerGoingAndHearsAgainOnceItIsBack) {
    Listener mic;
    mic.engine.start();
    ASSERT_TRUE(mic.flows(backWithinMs)) << log.messages().join('\n').toStdString();

    // Idle, the server crashes; listening, it is ended as an update ends it.
    for (const bool listening : {false, true}) {
        mic.engine.setListening(listening);
        mic.engine.waitForControl();
        ASSERT_TRUE(listening ? server.stop() : server.kill()) << server.error().toStdString();
        // Whatever touches the dead connection does so now: a crash ends this test.
        QTest::qWait(1500);
        EXPECT_FALSE(mic.engine.isRunning());
        ASSERT_TRUE(server.start()) << server.error().toStdString();
        EXPECT_TRUE(mic.flows(backWithinMs))
            << (listening ? "listening: " : "idle: ") << log.messages().join('\n').toStdString();
    }
    // Once each way, each time.
    EXPECT_EQ(log.count("the sound server is gone ("), 2);
    EXPECT_EQ(log.count("the sound server is back; the microphone hears again"), 2);
}

TEST_F(SoundServerReturn, aServerThatFirstAppearsAfterTheStartIsHeardSoonAfter) {
    ASSERT_TRUE(server.stop()) << server.error().toStdString();
    Listener mic;
    mic.engine.start();
    mic.engine.waitForControl();
    EXPECT_FALSE(mic.engine.isRunning());
    EXPECT_FALSE(mic.engine.soundServerAnswers());
    QTest::qWait(8000);
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    EXPECT_TRUE(mic.flows(backWithinMs)) << log.messages().join('\n').toStdString();
    EXPECT_TRUE(mic.engine.soundServerAnswers());
    EXPECT_EQ(log.count("no sound server answers ("), 1);
    EXPECT_EQ(log.count("the sound server is back; the microphone hears again"), 1);
}

TEST_F(SoundServerReturn, theAppLivesThroughTheServerGoingAndHearsAgainOnceItIsBack) {
    App app;
    ASSERT_TRUE(app.logs("audio engine running", 30000)) << app.output();
    ASSERT_TRUE(app.flows(backWithinMs)) << app.output();

    ASSERT_TRUE(server.kill()) << server.error().toStdString();
    QTest::qWait(1500);
    ASSERT_TRUE(app.alive()) << "the sound server went and took Brisklet with it\n" << app.output();
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    EXPECT_TRUE(app.flows(backWithinMs)) << app.output();
    EXPECT_TRUE(app.alive());
    // The log says it once each way.
    ASSERT_TRUE(app.logs("the sound server is back; the microphone hears again", backWithinMs))
        << app.output();
    const QByteArray said = app.log();
    EXPECT_EQ(said.count("the sound server is gone ("), 1) << app.output();
    EXPECT_EQ(said.count("the sound server is back; the microphone hears again"), 1) << app.output();
}

TEST_F(SoundServerReturn, theAppStartedBeforeTheServerHearsItSoonAfterItAppears) {
    ASSERT_TRUE(server.stop()) << server.error().toStdString();
    App app;
    ASSERT_TRUE(app.logs("launched", 30000)) << app.output();
    QTest::qWait(8000);
    ASSERT_TRUE(app.alive()) << app.output();
    // The watchdog's first look, 5 s after the start, names what is missing.
    EXPECT_TRUE(app.log().contains("watchdog: DEGRADED The sound server isn't answering")) << app.output();
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    EXPECT_TRUE(app.flows(backWithinMs)) << app.output();
    // And the user sees it back: the watchdog looks again soon while the input is missing.
    EXPECT_TRUE(app.logs("watchdog: recovered", backWithinMs)) << app.output();
}

TEST_F(SoundServerReturn, aMicrophoneUnpluggedLeavesTheSpeakersUnheardAndIsHeardOnceItIsBack) {
    Listener mic;
    mic.engine.start();
    ASSERT_TRUE(mic.flows(backWithinMs)) << log.messages().join('\n').toStdString();

    MicrophoneUnplugged plug;
    ASSERT_TRUE(plug.unplug()) << "testmic could not be taken away";
    // The server's default is now the speakers' monitor: nothing of it is read.
    EXPECT_TRUE(
        waitFor([&] { return !mic.engine.isRunning() && !mic.engine.inputAvailable(); }, backWithinMs))
        << log.messages().join('\n').toStdString();
    mic.engine.waitForControl();
    const long stillAt = mic.chunks;
    QTest::qWait(1500);
    EXPECT_EQ(mic.chunks, stillAt) << "the speakers were heard as a microphone";
    EXPECT_EQ(log.count("audio input: Monitor"), 0) << log.messages().join('\n').toStdString();

    // The watchdog names what is missing.
    QStringList issues;
    Watchdog::Checks checks;
    checks.soundServerAnswers = [&] { return mic.engine.soundServerAnswers(); };
    checks.microphoneAuthorized = [&] { return mic.engine.inputAvailable(); };
    Watchdog watchdog(checks, Scheduler::main(), nullptr);
    watchdog.onStateChange = [&](bool, const QStringList& now) { issues = now; };
    watchdog.check();
    EXPECT_EQ(issues, QStringList{Watchdog::microphoneIssue});

    // Plugged back: heard again by itself, with no restart.
    ASSERT_TRUE(plug.plugIn()) << "testmic could not be brought back";
    EXPECT_TRUE(mic.flows(backWithinMs)) << log.messages().join('\n').toStdString();
    EXPECT_TRUE(mic.engine.inputAvailable());
    // Once each way.
    EXPECT_EQ(log.count("no microphone: "), 1) << log.messages().join('\n').toStdString();
    EXPECT_EQ(log.count("a microphone is there again"), 1) << log.messages().join('\n').toStdString();
}

TEST_F(SoundServerReturn, theAppStartedWithoutAMicrophoneHearsNothingAndHearsOneThatComes) {
    MicrophoneUnplugged plug;
    ASSERT_TRUE(plug.unplug()) << "testmic could not be taken away";
    App app;
    ASSERT_TRUE(app.logs("launched", 30000)) << app.output();
    // The watchdog's first look, 5 s after the start, names what is missing.
    ASSERT_TRUE(app.logs("watchdog: DEGRADED Microphone access is off", backWithinMs)) << app.output();
    EXPECT_TRUE(app.log().contains("audio engine start failed: no usable input device")) << app.output();
    EXPECT_FALSE(app.log().contains("audio input: ")) << app.output();
    EXPECT_EQ(processingWakeups(app.pid()), -1) << "the speakers were heard as a microphone\n"
                                                << app.output();

    ASSERT_TRUE(plug.plugIn()) << "testmic could not be brought back";
    EXPECT_TRUE(app.flows(backWithinMs)) << app.output();
    EXPECT_TRUE(app.logs("watchdog: recovered", backWithinMs)) << app.output();
}
