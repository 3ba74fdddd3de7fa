// Volume and mute on the test desktop's PulseAudio null sink.
#include "platform/linux/LinuxSystemActions.h"
#include "platform/linux/PosixProcessRunner.h"

#include <gtest/gtest.h>

using namespace brisklet::platform;

namespace {
ProcessResult pactl(const QStringList& args) {
    PosixProcessRunner runner;
    return runner.run("pactl", args, 5.0, {{"LC_ALL", "C"}});
}

class SystemVolume : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(pactl({"info"}).status, 0) << "no sound server — the test desktop is not running";
    }
    PosixProcessRunner runner;
    LinuxSystemActions actions{runner};
};
} // namespace

TEST_F(SystemVolume, setAndReadBack) {
    ASSERT_TRUE(actions.setVolume(40));
    EXPECT_EQ(actions.currentVolume(), 40);
    ASSERT_TRUE(actions.setVolume(150));
    EXPECT_EQ(actions.currentVolume(), 100);
    ASSERT_TRUE(actions.setVolume(-5));
    EXPECT_EQ(actions.currentVolume(), 0);
}

TEST_F(SystemVolume, anOverdrivenSinkReadsAs100) {
    ASSERT_EQ(pactl({"set-sink-volume", "@DEFAULT_SINK@", "130%"}).status, 0);
    EXPECT_EQ(actions.currentVolume(), 100);
}

TEST_F(SystemVolume, muteRoundTrip) {
    ASSERT_TRUE(actions.setMuted(true));
    EXPECT_TRUE(pactl({"get-sink-mute", "@DEFAULT_SINK@"}).out.contains("yes"));
    ASSERT_TRUE(actions.setMuted(false));
    EXPECT_TRUE(pactl({"get-sink-mute", "@DEFAULT_SINK@"}).out.contains("no"));
}
