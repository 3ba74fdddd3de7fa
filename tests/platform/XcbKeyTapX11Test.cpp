#include "base/Prefs.h"
#include "platform/linux/XcbKeyTap.h"
#include "support/TempHome.h"
#include "support/X11Session.h"
#include "voice/HotkeyEngine.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <QDir>
#include <atomic>
#include <mutex>
#include <set>
#include <sys/socket.h>
#include <sys/stat.h>
#include <xcb/xtest.h>

using namespace brisklet;
using test::X11Session;

namespace {

constexpr uint8_t rightSuper = 134;
constexpr uint8_t f13 = 191;
constexpr uint8_t keyA = 38;
constexpr uint8_t keyB = 56;
constexpr uint8_t leftShift = 50;

std::mutex logMutex;
QStringList logLines;
void collectLog(QtMsgType, const QMessageLogContext&, const QString& message) {
    std::lock_guard guard(logMutex);
    logLines << message;
}

class XcbKeyTapX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
        Prefs::registerDefaults();
        keyLogPath = dir.filePath("keys.log");
        victim = x.startClient({"--title", "victim", "--key-log", keyLogPath});
        ASSERT_NE(victim, 0u);
        xcb_set_input_focus(x.connection(), XCB_INPUT_FOCUS_POINTER_ROOT, victim, XCB_CURRENT_TIME);
        xcb_flush(x.connection());
        // The victim proves it has the focus by hearing a key.
        tapKey(keyB);
        ASSERT_TRUE(X11Session::waitUntil([&] { return victimKeys().contains("release 56"); }, 5));

        auto owned = std::make_unique<platform::XcbKeyTap>();
        tap = owned.get();
        engine = std::make_unique<HotkeyEngine>(std::move(owned));
        QObject::connect(engine.get(), &HotkeyEngine::wakeDown, [this] { events << "down"; });
        QObject::connect(engine.get(), &HotkeyEngine::wakeUp, [this](double held) {
            events << "up";
            heldFor = held;
        });
        QObject::connect(engine.get(), &HotkeyEngine::wakeCancelled, [this] { events << "cancel"; });
        engine->isPaused = [this] { return paused.load(); };
    }
    void TearDown() override {
        if (engine)
            engine->teardown();
    }

    void key(uint8_t keycode, bool press) {
        xcb_test_fake_input(x.connection(), press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode,
                            XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(x.connection());
        // Let the server and the tap's thread take each step in turn.
        X11Session::waitUntil([] { return false; }, 0.05);
    }
    void tapKey(uint8_t keycode) {
        key(keycode, true);
        key(keycode, false);
    }
    // The process's open sockets (the tap's X connection is one of them).
    static std::set<int> openSockets() {
        std::set<int> fds;
        for (const QString& name : QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries)) {
            struct stat st {};
            const int fd = name.toInt();
            if (fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode))
                fds.insert(fd);
        }
        return fds;
    }
    QStringList victimKeys() {
        QFile file(keyLogPath);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    // Everything typed before it has reached the victim once B's release has.
    QStringList victimKeysAfterSentinel() {
        const int before = victimKeys().count("release 56");
        tapKey(keyB);
        X11Session::waitUntil([&] { return victimKeys().count("release 56") > before; }, 5);
        QStringList keys = victimKeys();
        keys.removeAll("press 56");
        keys.removeAll("release 56");
        return keys;
    }
    bool waitForEvents(const QStringList& expected) {
        return X11Session::waitUntil([&] { return events == expected; }, 5);
    }

    test::TempHome home;
    X11Session x;
    QTemporaryDir dir;
    QString keyLogPath;
    xcb_window_t victim = 0;
    platform::XcbKeyTap* tap = nullptr; // the engine's
    std::unique_ptr<HotkeyEngine> engine;
    QStringList events;
    double heldFor = -1;
    std::atomic<bool> paused{false};
};

} // namespace

TEST_F(XcbKeyTapX11Test, aHeldWakeKeyGivesOnePressAndOneReleaseAndReachesNoApplication) {
    engine->start();
    ASSERT_TRUE(engine->isActive());
    key(rightSuper, true);
    QThread::msleep(300);
    key(rightSuper, false);
    EXPECT_TRUE(waitForEvents({"down", "up"})) << events.join(", ").toStdString();
    EXPECT_GE(heldFor, 0.25);
    EXPECT_LT(heldFor, 3.0);
    EXPECT_TRUE(victimKeysAfterSentinel().isEmpty()) << victimKeys().join(", ").toStdString();
}

TEST_F(XcbKeyTapX11Test, aReleaseTheTapsThreadComesToLateIsTimedWhenTheKeyWentUp) {
    engine->start();
    key(rightSuper, true);
    ASSERT_TRUE(waitForEvents({"down"}));
    // The tap's thread is held up, as on a busy machine, before the key goes up.
    constexpr unsigned long busyMs = 2000;
    tap->post([] { QThread::msleep(busyMs); });
    key(rightSuper, false);
    ASSERT_TRUE(waitForEvents({"down", "up"})) << events.join(", ").toStdString();
    EXPECT_LT(heldFor, busyMs / 1000.0) << "timed by the server's stamps, not by when the thread got to it";
}

TEST_F(XcbKeyTapX11Test, aChordCancelsTheHoldAndTheOtherKeyReachesTheApplication) {
    engine->start();
    key(rightSuper, true);
    tapKey(keyA);
    key(rightSuper, false);
    EXPECT_TRUE(waitForEvents({"down", "cancel"})) << events.join(", ").toStdString();
    const QStringList keys = victimKeysAfterSentinel();
    EXPECT_TRUE(keys.contains("press 38")) << keys.join(", ").toStdString();
    EXPECT_TRUE(keys.contains("release 38"));
    EXPECT_FALSE(keys.contains("press 134"));
}

TEST_F(XcbKeyTapX11Test, aKeyHeldBeforeTheHoldMayComeUpDuringIt) {
    engine->start();
    key(keyA, true);
    key(rightSuper, true);
    key(keyA, false);
    key(rightSuper, false);
    EXPECT_TRUE(waitForEvents({"down", "up"})) << events.join(", ").toStdString();
    const QStringList keys = victimKeysAfterSentinel();
    EXPECT_TRUE(keys.contains("release 38")) << keys.join(", ").toStdString();
    EXPECT_FALSE(keys.contains("press 134"));
}

TEST_F(XcbKeyTapX11Test, theReleaseIsFollowedAfterAModifierEndsTheGrab) {
    // With F13 as the wake key, Shift passes without spoiling the hold, which ends
    // our grab; F13's release then comes only as a raw event.
    Prefs::setValue(Prefs::Key::wakeKeyCode, 105);
    engine->start();
    ASSERT_TRUE(engine->isActive());
    key(f13, true);
    key(leftShift, true);
    key(leftShift, false);
    key(f13, false);
    EXPECT_TRUE(waitForEvents({"down", "up"})) << events.join(", ").toStdString();
    const QStringList keys = victimKeysAfterSentinel();
    EXPECT_TRUE(keys.contains("press 50")) << keys.join(", ").toStdString();
    EXPECT_FALSE(keys.contains("press 191"));
}

TEST_F(XcbKeyTapX11Test, whilePausedTheWakeKeyPassesThrough) {
    engine->start();
    paused = true;
    tapKey(rightSuper);
    const QStringList keys = victimKeysAfterSentinel();
    EXPECT_TRUE(keys.contains("press 134")) << keys.join(", ").toStdString();
    EXPECT_TRUE(keys.contains("release 134"));
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(XcbKeyTapX11Test, reloadMovesTheGrabToTheNewKey) {
    engine->start();
    Prefs::setValue(Prefs::Key::wakeKeyCode, 105);
    engine->reloadConfig();
    tapKey(rightSuper);
    tapKey(f13);
    EXPECT_TRUE(waitForEvents({"down", "up"}));
    const QStringList keys = victimKeysAfterSentinel();
    EXPECT_TRUE(keys.contains("press 134")) << keys.join(", ").toStdString();
    EXPECT_FALSE(keys.contains("press 191"));
}

TEST_F(XcbKeyTapX11Test, aKeyHeldByAnotherProgramIsReportedAndRetriedLater) {
    xcb_connection_t* rival = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(rival));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(rival)).data->root;
    xcb_grab_key(rival, 0, root, XCB_MOD_MASK_ANY, rightSuper, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    free(xcb_get_input_focus_reply(rival, xcb_get_input_focus(rival), nullptr)); // a round trip

    logLines.clear();
    auto previous = qInstallMessageHandler(collectLog);
    engine->start();
    qInstallMessageHandler(previous);
    EXPECT_FALSE(engine->isActive());
    EXPECT_TRUE(
        logLines.contains("key grab failed — keyboard wake unavailable (key taken by another program?)"))
        << logLines.join("\n").toStdString();

    xcb_disconnect(rival);
    QThread::msleep(100);
    engine->refreshIfNeeded();
    EXPECT_TRUE(engine->isActive());
}

TEST_F(XcbKeyTapX11Test, aLostConnectionCancelsTheHoldAndIsRebuilt) {
    const auto before = openSockets();
    engine->start();
    ASSERT_TRUE(engine->isActive());
    std::vector<int> added;
    for (int fd : openSockets())
        if (!before.contains(fd))
            added.push_back(fd);
    ASSERT_EQ(added.size(), 1u) << "the tap's own connection";

    key(rightSuper, true);
    ASSERT_TRUE(waitForEvents({"down"}));
    shutdown(added.front(), SHUT_RDWR); // as if the X server had gone away
    EXPECT_TRUE(waitForEvents({"down", "cancel"})) << events.join(", ").toStdString();
    EXPECT_TRUE(X11Session::waitUntil([&] { return !engine->isActive(); }, 5));
    key(rightSuper, false);

    engine->refreshIfNeeded();
    ASSERT_TRUE(engine->isActive());
    events.clear();
    tapKey(rightSuper);
    EXPECT_TRUE(waitForEvents({"down", "up"})) << events.join(", ").toStdString();
}

TEST_F(XcbKeyTapX11Test, anAutoRepeatingKeyHeldForASecondIsStillOnePressAndOneRelease) {
    Prefs::setValue(Prefs::Key::wakeKeyCode, 105);
    engine->start();
    key(f13, true);
    QThread::msleep(1000); // the server repeats the key meanwhile
    key(f13, false);
    EXPECT_TRUE(waitForEvents({"down", "up"})) << events.join(", ").toStdString();
    EXPECT_GE(heldFor, 0.9);
    EXPECT_TRUE(victimKeysAfterSentinel().isEmpty()) << victimKeys().join(", ").toStdString();
}

TEST_F(XcbKeyTapX11Test, aChangedModifierMapIsFollowed) {
    // Once A is made a modifier, pressing it during an F13 hold no longer spoils it.
    Prefs::setValue(Prefs::Key::wakeKeyCode, 105);
    engine->start();
    ASSERT_EQ(QProcess::execute("xmodmap", {"-e", "add mod3 = a"}), 0);
    X11Session::waitUntil([] { return false; }, 0.3);
    key(f13, true);
    key(keyA, true);
    key(keyA, false);
    key(f13, false);
    QProcess::execute("xmodmap", {"-e", "remove mod3 = a"});
    EXPECT_TRUE(waitForEvents({"down", "up"})) << events.join(", ").toStdString();
}
