// The road of one request, measured on a private test desktop:
// - from releasing the wake key after saying "maximize" to the command being done
//   (the 0.12 s hand-off of the transcript included), median of 10, and where that
//   time goes: the key, the audio still unheard or undecoded at the end, the
//   recogniser's final pass, the controller's finish, the hand-off and the plan.
//   BRISKLET_BENCH_ROAD_PHRASES (commands, comma-separated) and _RUNS say others in
//   turn and count those lost or run from other words (e.g. beside stress-ng);
// - the resident memory and CPU use of a running Brisklet after 60 s idle, with the
//   wake key armed, clap detection on and the speech model loaded; then its memory
//   with the home window open and after it was closed, and how long the window
//   took to open the first time and again (BRISKLET_BENCH_SKIP_IDLE=1 leaves these out).
// Figures are printed; nothing fails on them.
#include "BenchDesktop.h"
#include "base/AppState.h"
#include "base/Prefs.h"
#include "base/Text.h"
#include "flow/HUDState.h"
#include "platform/SpeechRecognizer.h"
#include "platform/WindowSystem.h"
#include "shell/AppDelegate.h"
#include "shell/SingleInstance.h"
#include "support/FileMicPlatform.h"
#include "support/TestSignals.h"
#include "support/X11Session.h"
#include "ui/hud/HUDController.h"
#include "ui/hud/HUDModel.h"
#include "voice/AudioEngine.h"
#include "voice/HotkeyEngine.h"
#include "voice/SpeechController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

QString selfDir;

bool waitUntil(const std::function<bool()>& done, double seconds) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > seconds * 1000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    if (v.empty())
        return 0;
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

using SteadyClock = std::chrono::steady_clock;

double ms(SteadyClock::time_point from, SteadyClock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Where the time of one request went, from the key's release on. Times are in ms
// from the release; negative: the step was never seen.
struct Road {
    double endSent = -1;     // the window's end of audio reached the recogniser's request
    double caughtUp = -1;    // the recogniser had decoded every chunk it was given
    double finalAt = -1;     // the recogniser's final result
    double passedOn = -1;    // the controller handed a transcript on (the display says "heard")
    double dispatched = -1;  // the plan started (after the hand-off)
    double done = -1;        // the plan was done
    double ringAtEnd = 0;    // ms of audio still in the capture ring at the end (never heard)
    double backlogAtEnd = 0; // ms of audio given to the recogniser but not yet decoded at the end
    QString finalText, heardText;
    bool ran = false;
};

// Watches the request of a window from another thread: when its end arrives and when
// the recogniser has decoded what it had by then.
class RequestWatch {
public:
    RequestWatch(std::shared_ptr<platform::RecognitionRequest> request, const AudioEngine& audio,
                 SteadyClock::time_point released, Road& road)
        : thread_([this, request, &audio, released, &road] {
              bool ended = false;
              while (!stop_) {
                  if (!ended && request->isEnded()) {
                      ended = true;
                      road.endSent = ms(released, SteadyClock::now());
                      road.ringAtEnd = double(audio.bufferedSamples()) / 16.0;
                      road.backlogAtEnd = double(request->backlog() * AudioEngine::chunkFrames) / 16.0;
                  }
                  if (ended && request->backlog() == 0) {
                      road.caughtUp = ms(released, SteadyClock::now());
                      return;
                  }
                  std::this_thread::sleep_for(std::chrono::microseconds(100));
              }
          }) {}
    ~RequestWatch() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void printRoad(const std::vector<Road>& roads) {
    std::vector<double> toEnd, inRing, inBacklog, decode, finalPass, finish, handOff, move, total;
    int beforeFinal = 0;
    for (const Road& r : roads) {
        if (r.endSent < 0 || r.done < 0)
            continue;
        toEnd.push_back(r.endSent);
        inRing.push_back(r.ringAtEnd);
        inBacklog.push_back(r.backlogAtEnd);
        if (r.caughtUp >= 0)
            decode.push_back(r.caughtUp - r.endSent);
        if (r.finalAt >= 0 && r.caughtUp >= 0)
            finalPass.push_back(r.finalAt - r.caughtUp);
        if (r.passedOn >= 0 && r.finalAt >= 0)
            finish.push_back(r.passedOn - r.finalAt);
        if (r.passedOn >= 0 && (r.finalAt < 0 || r.finalAt > r.passedOn))
            ++beforeFinal;
        if (r.dispatched >= 0 && r.passedOn >= 0)
            handOff.push_back(r.dispatched - r.passedOn);
        if (r.dispatched >= 0)
            move.push_back(r.done - r.dispatched);
        total.push_back(r.done);
    }
    std::printf(
        "  where it goes (medians, ms): release → end of audio %.0f; at the end %.0f ms of audio still in "
        "the capture ring (not heard) and %.0f ms not yet decoded; decoding it %.0f; final pass %.0f; "
        "final → handed on %.0f (%d of %zu handed on before the final); hand-off %.0f; plan %.0f; "
        "total %.0f\n",
        median(toEnd), median(inRing), median(inBacklog), median(decode), median(finalPass), median(finish),
        beforeFinal, roads.size(), median(handOff), median(move), median(total));
}

void releaseToDone() {
    Prefs::setValue(Prefs::Key::onboarded, true);
    Prefs::setValue(Prefs::Key::soundsEnabled, false);
    Prefs::setValue(Prefs::Key::askEnabled, false);

    // BRISKLET_BENCH_ROAD_PHRASES=maximize,left half,… says several commands in turn,
    // BRISKLET_BENCH_ROAD_RUNS how many requests in all (to count losses under load).
    QStringList phrases = {"maximize"};
    if (const QString v = qEnvironmentVariable("BRISKLET_BENCH_ROAD_PHRASES"); !v.isEmpty())
        phrases = v.split(',', Qt::SkipEmptyParts);
    int runs = 10;
    if (const int v = qEnvironmentVariableIntValue("BRISKLET_BENCH_ROAD_RUNS"); v > 0)
        runs = v;

    QProcess client;
    client.start(selfDir + "/../tests/brisklet-xtestclient",
                 {"--title", "victim", "--geometry", "400x300+100+100"});
    quint32 victim = 0;
    waitUntil(
        [&] {
            client.waitForReadyRead(10);
            while (client.canReadLine()) {
                const QByteArray line = client.readLine().trimmed();
                if (line.startsWith("window "))
                    victim = line.mid(7).toUInt(nullptr, 0);
            }
            return victim != 0;
        },
        10);
    if (!victim) {
        std::puts("release to done: the test window did not appear");
        return;
    }

    auto owned = std::make_unique<FileMicPlatform>();
    FileMicPlatform* platform = owned.get();
    std::mutex finalMutex;
    std::optional<SteadyClock::time_point> finalAt;
    QString finalText;
    platform->recognizer();
    if (platform->recording)
        platform->recording->observer = [&](const std::optional<platform::RecognitionResult>& result) {
            if (!result || !result->isFinal)
                return;
            std::lock_guard lock(finalMutex);
            finalAt = SteadyClock::now();
            finalText = result->text;
        };
    AppDelegate delegate(std::move(owned), AppDelegate::Options{true});
    if (delegate.launch() != AppDelegate::LaunchResult::running) {
        std::puts("release to done: Brisklet did not start");
        return;
    }
    platform->mic->appendSamples(TestSignals::pinkNoise(0.3, 0.001f));
    if (!waitUntil(
            [&] {
                return platform->recognizer()->isAvailable() && delegate.hotkeyEngine()->isActive() &&
                       delegate.audio()->isRunning();
            },
            30)) {
        std::puts("release to done: speech model, wake key or microphone not ready");
        return;
    }

    std::vector<std::vector<float>> clips;
    for (const QString& phrase : phrases) {
        std::string error;
        auto clip = TestSignals::speech(phrase.toStdString(), &error, "slt");
        if (clip.empty()) {
            std::printf("release to done: no speech (%s)\n", error.c_str());
            return;
        }
        const auto pad = TestSignals::pinkNoise(0.3, 0.001f, 3);
        clip.insert(clip.begin(), pad.begin(), pad.end());
        clip.insert(clip.end(), pad.begin(), pad.end());
        clips.push_back(std::move(clip));
    }

    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    auto key = [&](bool press) {
        xcb_test_fake_input(x, press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, 134, XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                            0);
        xcb_flush(x);
    };

    std::vector<double> times;
    std::vector<Road> roads;
    int misses = 0, lost = 0, wrong = 0;
    for (int run = 0; run < runs; ++run) {
        const QString phrase = phrases[run % phrases.size()];
        auto& ws = platform->windowSystem();
        ws.unmaximize(victim);
        ws.setFrame(victim, QRectF(100, 100, 400, 300));
        ws.activate(victim);
        waitUntil([] { return false; }, 0.3);

        const int before = delegate.appState()->commandsRun();
        key(true);
        if (!waitUntil([&] { return delegate.speech()->isListening(); }, 5)) {
            key(false);
            ++misses;
            continue;
        }
        {
            std::lock_guard lock(finalMutex);
            finalAt.reset();
        }
        const auto request = platform->recording->last;
        platform->mic->appendSamples(clips[std::size_t(run) % clips.size()]);
        const std::size_t end = platform->mic->samplesQueued();
        waitUntil([&] { return platform->mic->samplesFed() >= end; }, 15);
        waitUntil([] { return false; }, 0.2);
        Road road;
        key(false);
        const auto released = SteadyClock::now();
        bool done = false;
        {
            RequestWatch watch(request, *delegate.audio(), released, road);
            // Each change of the display, timed as it happens.
            HUDModel& model = delegate.hud()->model();
            const auto connection = QObject::connect(&model, &HUDModel::stateChanged, [&] {
                const HUDState& state = model.state();
                const double now = ms(released, SteadyClock::now());
                if (state.kind == HUDState::Kind::heard && road.passedOn < 0) {
                    road.passedOn = now;
                    road.heardText = state.text;
                }
                if (state.kind == HUDState::Kind::executing && road.dispatched < 0)
                    road.dispatched = now;
                if ((state.kind == HUDState::Kind::done || state.kind == HUDState::Kind::info ||
                     state.kind == HUDState::Kind::miss) &&
                    road.done < 0)
                    road.done = now;
            });
            done = waitUntil([&] { return road.done >= 0; }, 10);
            QObject::disconnect(connection);
            if (!done)
                road.done = ms(released, SteadyClock::now());
            // The final may still come after a window that did not wait for it.
            waitUntil([&] { return !delegate.speech()->isListening() && request->backlog() == 0; }, 3);
        }
        {
            std::lock_guard lock(finalMutex);
            if (finalAt) {
                road.finalAt = ms(released, *finalAt);
                road.finalText = finalText;
            }
        }
        const double seconds = road.done / 1000.0;
        road.ran = done && delegate.appState()->commandsRun() > before;
        if (road.ran)
            times.push_back(seconds);
        else
            ++misses;
        const bool said = Text::normalize(road.heardText) == Text::normalize(phrase);
        if (!road.ran)
            ++lost;
        else if (!said)
            ++wrong;
        if (!road.ran || !said)
            std::printf("  \"%s\": heard \"%s\", the recogniser's final \"%s\"%s\n", qUtf8Printable(phrase),
                        qUtf8Printable(road.heardText), qUtf8Printable(road.finalText),
                        road.ran ? ", and it ran" : "");
        roads.push_back(road);
        waitUntil([] { return false; }, 0.3);
    }
    xcb_disconnect(x);
    client.terminate();
    client.waitForFinished(2000);

    std::printf("release to done, \"%s\": median %.0f ms over %zu runs (min %.0f, max %.0f; %d not done)\n",
                qUtf8Printable(phrases.join(", ")), median(times) * 1000, times.size(),
                times.empty() ? 0.0 : *std::min_element(times.begin(), times.end()) * 1000,
                times.empty() ? 0.0 : *std::max_element(times.begin(), times.end()) * 1000, misses);
    std::printf("  of %d spoken commands: %d lost, %d ran from other words than said\n", runs, lost, wrong);
    printRoad(roads);
}

// utime + stime of a process, in clock ticks.
long long cpuTicks(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = f.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    // After the name: state is field 3, utime 14, stime 15.
    return fields.size() > 12 ? fields[11].toLongLong() + fields[12].toLongLong() : -1;
}

long long residentKiB(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Asks the running Brisklet `pid` to show its home window; the milliseconds until
// the window manager lists it (0: it never came), and the window.
std::pair<double, xcb_window_t> openHome(X11Session& x, qint64 pid) {
    const auto homeWindow = [&]() -> xcb_window_t {
        for (xcb_window_t w : x.clientList())
            if (x.windowPid(w) == std::optional<uint32_t>(uint32_t(pid)) && x.windowTitle(w) == "Brisklet")
                return w;
        return 0;
    };
    QElapsedTimer t;
    t.start();
    if (!SingleInstance::askToShow(5.0))
        return {0, 0};
    xcb_window_t window = 0;
    waitUntil([&] { return (window = homeWindow()) != 0; }, 20);
    return {window ? double(t.nsecsElapsed()) / 1e6 : 0.0, window};
}

// Closes the window as its close button would, and waits until it is gone.
bool closeHome(X11Session& x, xcb_window_t window) {
    x.sendToRoot(window, "_NET_CLOSE_WINDOW", {XCB_CURRENT_TIME, 2});
    return waitUntil(
        [&] {
            const auto list = x.clientList();
            return std::find(list.begin(), list.end(), window) == list.end();
        },
        20);
}

// What the home window costs in memory while it is open and after it is closed,
// and how long it takes to open, first and again. The figures are read after the
// process has had a few seconds to settle.
void homeWindowFootprint(qint64 pid) {
    X11Session x;
    if (!x.connection()) {
        std::printf("home window: %s\n", qPrintable(x.problem()));
        return;
    }
    const auto settle = [] { waitUntil([] { return false; }, 5); };
    const auto [firstMs, first] = openHome(x, pid);
    if (!first) {
        std::puts("home window: it did not open");
        return;
    }
    settle();
    const long long open = residentKiB(pid);
    if (!closeHome(x, first)) {
        std::puts("home window: it did not close");
        return;
    }
    settle();
    const long long closed = residentKiB(pid);
    const auto [againMs, again] = openHome(x, pid);
    if (!again) {
        std::puts("home window: it did not open again");
        return;
    }
    settle();
    closeHome(x, again);
    settle();
    const long long closedAgain = residentKiB(pid);
    std::printf("home window: opened in %.0f ms, resident %.1f MB while open, %.1f MB after closing "
                "(goal < 180); opened again in %.0f ms (goal < 300), %.1f MB after closing again\n",
                firstMs, open / 1024.0, closed / 1024.0, againMs, closedAgain / 1024.0);
}

void idleFootprint() {
    if (qEnvironmentVariableIsSet("BRISKLET_BENCH_SKIP_IDLE")) {
        std::puts("idle footprint: skipped (BRISKLET_BENCH_SKIP_IDLE)");
        return;
    }
    Prefs::setValue(Prefs::Key::onboarded, true);
    Prefs::setValue(Prefs::Key::clapWake, true);
    Prefs::sync();
    QProcess app;
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.start(selfDir + "/../brisklet", {"--autostart"});
    QByteArray log;
    const bool ready = waitUntil(
        [&] {
            app.waitForReadyRead(10);
            log += app.readAll();
            return (log.contains("event tap installed") && log.contains("audio engine running") &&
                    log.contains("speech model loaded") && log.contains("clap pipeline active")) ||
                   app.state() == QProcess::NotRunning;
        },
        30);
    if (!ready || app.state() != QProcess::Running) {
        std::printf("idle footprint: Brisklet did not get ready\n%s\n", log.constData());
        return;
    }
    const qint64 pid = app.processId();
    const long long start = cpuTicks(pid);
    waitUntil(
        [&] {
            log += app.readAll();
            return false;
        },
        60);
    const long long end = cpuTicks(pid);
    const long long rss = residentKiB(pid);
    const double cpu = double(end - start) / double(sysconf(_SC_CLK_TCK)) / 60.0 * 100.0;
    std::printf("idle footprint after 60 s (wake key armed, clap detection on, speech model loaded): "
                "resident %.1f MB (goal < 150), CPU %.2f %% of one core (goal < 1)\n",
                rss / 1024.0, cpu);
    homeWindowFootprint(pid);
    app.terminate();
    app.waitForFinished(5000);
}

} // namespace

int main(int argc, char** argv) {
    selfDir = QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath();
    if (!bench::enterTestDesktop(argc, argv, selfDir)) {
        std::fputs("no test desktop: the road figures are skipped\n", stderr);
        return 0;
    }
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("brisklet.*.info=false"));
    releaseToDone();
    idleFootprint();
    return 0;
}
