#include "voice/HotkeyEngine.h"
#include "base/Prefs.h"
#include "support/FakeClock.h"
#include "support/FakeKeyTap.h"
#include "support/TempHome.h"
#include "voice/WakeKeyStateMachine.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <atomic>

using namespace brisklet;
using Event = platform::KeyTap::Event;
using Type = Event::Type;
using Verdict = platform::KeyTap::Verdict;
using Signal = WakeKeyStateMachine::Signal;

namespace {

Event wake(Type type, bool repeat = false) {
    return {type, true, false, repeat, false};
}
Event other(Type type, bool modifier = false) {
    return {type, false, modifier, false, false};
}
Event observed(Event event) {
    event.observedOnly = true;
    return event;
}

// One step of a key script: the event, the time since the previous step, what
// the machine must answer.
struct Step {
    Event event;
    double after;
    Verdict verdict;
    Signal signal;
};

void runScript(const char* name, bool wakeIsModifier, const std::vector<Step>& steps, bool paused = false) {
    SCOPED_TRACE(name);
    WakeKeyStateMachine machine;
    double now = 100.0;
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "step " << i);
        now += steps[i].after;
        const auto outcome = machine.handle(steps[i].event, wakeIsModifier, paused, now);
        EXPECT_EQ(outcome.verdict, steps[i].verdict);
        EXPECT_EQ(outcome.signal, steps[i].signal);
    }
}

constexpr Verdict pass = Verdict::pass;
constexpr Verdict swallow = Verdict::swallow;

} // namespace

TEST(WakeKeyStateMachineTest, keyScripts) {
    runScript("F13 held with auto-repeat: one press, one release", false,
              {{wake(Type::down), 0, swallow, Signal::down},
               {wake(Type::down, true), 0.66, swallow, Signal::none},
               {wake(Type::down, true), 0.04, swallow, Signal::none},
               {wake(Type::up), 0.3, swallow, Signal::up}});
    runScript("A pressed while F13 is held cancels; A passes; F13's release yields nothing", false,
              {{wake(Type::down), 0, swallow, Signal::down},
               {other(Type::down), 0.2, pass, Signal::cancel},
               {other(Type::up), 0.1, pass, Signal::none},
               {wake(Type::up), 0.1, swallow, Signal::none}});
    runScript("modifiers during an F13 hold pass without cancelling", false,
              {{wake(Type::down), 0, swallow, Signal::down},
               {other(Type::down, true), 0.1, pass, Signal::none},
               {other(Type::up, true), 0.1, pass, Signal::none},
               {wake(Type::up), 0.1, swallow, Signal::up}});
    runScript("left super with right super up passes; while held it cancels", true,
              {{other(Type::down, true), 0, pass, Signal::none},
               {other(Type::up, true), 0.1, pass, Signal::none},
               {wake(Type::down), 0.1, swallow, Signal::down},
               {other(Type::down, true), 0.1, pass, Signal::cancel},
               {wake(Type::up), 0.1, swallow, Signal::none}});
    runScript("a modifier released during a modifier hold is a change of the modifiers", true,
              {{wake(Type::down), 0, swallow, Signal::down},
               {observed(other(Type::up, true)), 0.1, pass, Signal::cancel},
               {observed(wake(Type::up)), 0.1, swallow, Signal::none}});
    runScript("a key down before a modifier hold may come up during it", true,
              {{other(Type::down), 0, pass, Signal::none},
               {wake(Type::down), 0.1, swallow, Signal::down},
               {other(Type::up), 0.2, pass, Signal::none},
               {observed(other(Type::up)), 0.1, pass, Signal::none},
               {wake(Type::up), 0.3, swallow, Signal::up}});
    runScript("during a modifier hold a key press or any modifier change is a chord", true,
              {{wake(Type::down), 0, swallow, Signal::down},
               {observed(other(Type::down)), 0.1, pass, Signal::cancel},
               {wake(Type::up), 0.1, swallow, Signal::none},
               {wake(Type::down), 0.5, swallow, Signal::down},
               {other(Type::down, true), 0.1, pass, Signal::cancel},
               {wake(Type::up), 0.1, swallow, Signal::none}});
    runScript(
        "a release heard only after the fact still ends the hold", true,
        {{wake(Type::down), 0, swallow, Signal::down}, {observed(wake(Type::up)), 0.8, swallow, Signal::up}});
    runScript(
        "a press heard only after the fact starts nothing", true,
        {{observed(wake(Type::down)), 0, pass, Signal::none}, {wake(Type::up), 0.1, swallow, Signal::none}});
    runScript("a repeat after a chord starts no new hold", false,
              {{wake(Type::down), 0, swallow, Signal::down},
               {other(Type::down), 0.1, pass, Signal::cancel},
               {wake(Type::down, true), 0.5, swallow, Signal::none},
               {wake(Type::up), 0.1, swallow, Signal::none},
               {wake(Type::down), 0.5, swallow, Signal::down}});
}

TEST(WakeKeyStateMachineTest, pausedPassesEverythingAndEndsAHoldUnderWay) {
    runScript("paused", true,
              {{wake(Type::down), 0, pass, Signal::none},
               {wake(Type::up), 0.5, pass, Signal::none},
               {other(Type::down), 0.1, pass, Signal::none}},
              true);
    WakeKeyStateMachine machine;
    machine.handle(wake(Type::down), true, false, 1.0);
    EXPECT_EQ(machine.handle(wake(Type::up), true, true, 2.0),
              (WakeKeyStateMachine::Outcome{pass, Signal::cancel}));
    EXPECT_EQ(machine.handle(wake(Type::down), true, true, 3.0),
              (WakeKeyStateMachine::Outcome{pass, Signal::none}));
}

TEST(WakeKeyOptionTest, storedCodesPickTheirRowAndUnknownCodesTheDefault) {
    ASSERT_EQ(WakeKeyOption::all().size(), 8u);
    EXPECT_EQ(WakeKeyOption::forCode(0).keyCode, 54);
    EXPECT_EQ(WakeKeyOption::forCode(99).label, "Right Super");
    EXPECT_EQ(WakeKeyOption::forCode(61).label, "Right Alt");
    EXPECT_EQ(WakeKeyOption::forCode(106).label, "F16");
    EXPECT_FALSE(WakeKeyOption::forCode(106).isModifier);
    EXPECT_EQ(activationStyleFromRawValue("tap"), ActivationStyle::tap);
    EXPECT_EQ(activationStyleFromRawValue("doubleTap"), std::nullopt);
    EXPECT_EQ(activationStyleRawValue(allActivationStyles().front()), "hold");
}

namespace {

class HotkeyEngineTest : public ::testing::Test {
protected:
    HotkeyEngineTest() {
        Prefs::registerDefaults();
        auto owned = std::make_unique<test::FakeKeyTap>();
        tap = owned.get();
        engine = std::make_unique<HotkeyEngine>(std::move(owned), clock);
        QObject::connect(engine.get(), &HotkeyEngine::wakeDown, [this] { log.push_back("down"); });
        QObject::connect(engine.get(), &HotkeyEngine::wakeUp, [this](double held) {
            log.push_back("up " + std::to_string(int(held * 1000 + 0.5)));
        });
        QObject::connect(engine.get(), &HotkeyEngine::wakeCancelled, [this] { log.push_back("cancel"); });
        engine->isPaused = [this] { return paused.load(); };
    }
    std::vector<std::string> drain() {
        QCoreApplication::processEvents();
        return std::exchange(log, {});
    }

    test::TempHome home;
    test::FakeClock clock;
    test::FakeKeyTap* tap = nullptr;
    std::unique_ptr<HotkeyEngine> engine;
    std::vector<std::string> log;
    std::atomic<bool> paused{false};
};

} // namespace

TEST_F(HotkeyEngineTest, reportsPressAndReleaseWithTheHoldTimeOnTheMainThread) {
    engine->start();
    ASSERT_TRUE(engine->isActive());
    EXPECT_EQ(tap->key, 54);
    EXPECT_EQ(tap->send(wake(Type::down)), swallow);
    EXPECT_TRUE(log.empty()) << "callbacks are posted, never called on the tap's thread";
    clock.advance(1.5);
    EXPECT_EQ(tap->send(wake(Type::up)), swallow);
    EXPECT_EQ(drain(), (std::vector<std::string>{"down", "up 1500"}));
}

TEST_F(HotkeyEngineTest, theHoldLastsFromPressToReleaseAsTheDesktopStampedThemNotAsTheTapSawThem) {
    engine->start();
    const auto at = [](Event event, double time) {
        event.time = time;
        return event;
    };
    // A quick tap the busy tap's thread came to late: pressed at 50.00, let go at 50.15.
    tap->send(at(wake(Type::down), 50.0));
    clock.advance(0.6);
    tap->send(at(wake(Type::up), 50.15));
    // Without the desktop's time on both ends, the tap's own clock times the hold.
    tap->send(at(wake(Type::down), 51.0));
    clock.advance(0.4);
    tap->send(wake(Type::up));
    EXPECT_EQ(drain(), (std::vector<std::string>{"down", "up 150", "down", "up 400"}));
}

TEST_F(HotkeyEngineTest, pauseIsAskedForEveryEvent) {
    engine->start();
    paused = true;
    EXPECT_EQ(tap->send(wake(Type::down)), pass);
    EXPECT_EQ(tap->send(wake(Type::up)), pass);
    EXPECT_TRUE(drain().empty());
    paused = false;
    tap->send(wake(Type::down));
    paused = true;
    tap->send(wake(Type::up));
    EXPECT_EQ(drain(), (std::vector<std::string>{"down", "cancel"}));
}

TEST_F(HotkeyEngineTest, reloadWatchesTheNewKey) {
    Prefs::setValue(Prefs::Key::wakeKeyCode, 105);
    engine->start();
    EXPECT_EQ(tap->key, 105);
    EXPECT_EQ(engine->keyOption().label, "F13");
    tap->send(wake(Type::down));
    Prefs::setValue(Prefs::Key::wakeKeyCode, 0);
    engine->reloadConfig();
    EXPECT_EQ(tap->key, 54);
    EXPECT_EQ(drain(), (std::vector<std::string>{"down", "cancel"}))
        << "the old key's hold can't be followed";
    // Now a modifier key: a modifier change spoils the hold.
    tap->send(wake(Type::down));
    tap->send(other(Type::down, true));
    EXPECT_EQ(drain(), (std::vector<std::string>{"down", "cancel"}));
}

TEST_F(HotkeyEngineTest, aLostConnectionCancelsTheHoldAndTheNextRefreshRebuilds) {
    engine->start();
    tap->send(wake(Type::down));
    tap->lose();
    EXPECT_EQ(drain(), (std::vector<std::string>{"down", "cancel"}));
    EXPECT_FALSE(engine->isActive());
    engine->refreshIfNeeded();
    EXPECT_TRUE(engine->isActive());
    EXPECT_EQ(tap->starts, 2);
    tap->send(wake(Type::down));
    tap->send(wake(Type::up));
    EXPECT_EQ(drain(), (std::vector<std::string>{"down", "up 0"}));
    engine->refreshIfNeeded(); // a live tap is left alone
    EXPECT_EQ(tap->starts, 2);
}

TEST_F(HotkeyEngineTest, aRefusedKeyLeavesKeyboardWakeOffUntilTheNextStart) {
    tap->refusal = "BadAccess";
    engine->start();
    EXPECT_FALSE(engine->isActive());
    tap->refusal.clear();
    engine->refreshIfNeeded();
    EXPECT_TRUE(engine->isActive());
}

TEST_F(HotkeyEngineTest, untrustedDesktopDefersTheTap) {
    tap->trusted = false;
    engine->start();
    engine->refreshIfNeeded();
    EXPECT_EQ(tap->starts, 0);
    tap->trusted = true;
    engine->refreshIfNeeded();
    EXPECT_EQ(tap->starts, 1);
}

TEST_F(HotkeyEngineTest, wakingFromSleepEndsAHoldAndTeardownForgetsIt) {
    engine->start();
    tap->send(wake(Type::down));
    engine->resetHoldStateOnWake();
    engine->resetHoldStateOnWake();
    EXPECT_EQ(drain(), (std::vector<std::string>{"down", "cancel"}));
    tap->send(wake(Type::down));
    engine->teardown();
    EXPECT_FALSE(engine->isActive());
    engine->start();
    tap->send(wake(Type::up)); // the old hold is gone: nothing to report
    EXPECT_EQ(drain(), (std::vector<std::string>{"down"}));
}
