// What each press, release and cancel of the wake key means, for every state the
// listening window can be in.
#include "flow/WakeKeyGesture.h"

#include <gtest/gtest.h>

using namespace brisklet;
using Mode = SpeechController::Mode;
using Step = WakeKeyGesture::Step;

namespace {
SpeechController::Window closed() {
    return {};
}
SpeechController::Window open(Mode mode, double age, bool heard = false) {
    return {true, mode, 100.0, heard, 100.0 + age};
}
} // namespace

TEST(WakeKeyGesture, aPressOpensAHoldOnlyWhenNothingListens) {
    const struct {
        SpeechController::Window window;
        Step step;
    } cases[] = {
        {closed(), Step::openHold},
        {open(Mode::hold, 0.1), Step::none},            // a second press during a hold
        {open(Mode::open, 0.3), Step::none},            // the tap's bounce, within the grace
        {open(Mode::open, 0.3, true), Step::endWindow}, // something was heard: a real press
        {open(Mode::open, 0.7), Step::endWindow},       // the grace is over
        {open(Mode::timed, 0.1), Step::endWindow},      // a clap window
    };
    for (const auto& c : cases) {
        WakeKeyGesture gesture;
        EXPECT_EQ(gesture.pressed(c.window), c.step) << static_cast<int>(c.window.mode);
    }
}

TEST(WakeKeyGesture, theReleaseOfAPressThatEndedOrBouncedDoesNothingOnce) {
    for (const auto& window : {open(Mode::open, 0.1), open(Mode::timed, 2.0)}) {
        WakeKeyGesture gesture;
        gesture.pressed(window);
        EXPECT_EQ(gesture.released(open(Mode::hold, 0.0), 1.0), Step::none);
        EXPECT_EQ(gesture.released(open(Mode::hold, 0.0), 1.0), Step::endWindow) << "only the one release";
    }
}

TEST(WakeKeyGesture, aHeldWindowTurnsHandsFreeOnAQuickReleaseAndEndsOnASlowOne) {
    WakeKeyGesture gesture;
    EXPECT_EQ(gesture.released(open(Mode::hold, 0.2), 0.34), Step::openEnded);
    EXPECT_EQ(gesture.released(open(Mode::hold, 0.2), 0.35), Step::endWindow);
    EXPECT_EQ(gesture.released(open(Mode::timed, 0.2), 1.0), Step::none) << "not a held window";
    EXPECT_EQ(gesture.released(closed(), 1.0), Step::none);
}

TEST(WakeKeyGesture, aCancelDropsOnlyAHeldWindowAndForgetsAnIgnoredRelease) {
    WakeKeyGesture gesture;
    EXPECT_EQ(gesture.cancelled(open(Mode::hold, 1.0)), Step::cancelHold);
    EXPECT_EQ(gesture.cancelled(open(Mode::open, 1.0)), Step::none);
    gesture.pressed(open(Mode::timed, 1.0)); // its release would be ignored …
    gesture.cancelled(closed());             // … until the cancel
    EXPECT_EQ(gesture.released(open(Mode::hold, 0.0), 1.0), Step::endWindow);
    gesture.pressed(open(Mode::timed, 1.0));
    gesture.reset();
    EXPECT_EQ(gesture.released(open(Mode::hold, 0.0), 1.0), Step::endWindow);
}
