#include "voice/Chime.h"
#include "base/Prefs.h"
#include "support/FakeSoundOutput.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace brisklet;

namespace {
double seconds(const std::vector<float>& sound) {
    return double(sound.size()) / 16000;
}
} // namespace

class ChimeTest : public ::testing::Test {
protected:
    void SetUp() override { Prefs::registerDefaults(); }
    test::TempHome home;
    test::FakeSoundOutput out;
    Chime chime{&out};
};

// The sound played tells the recogniser what the microphone may hear.
TEST_F(ChimeTest, wakeChimeUsesTheChosenSoundAtTheUsersVolume) {
    EXPECT_NEAR(seconds(chime.play()), 0.22, 0.01);
    Prefs::setValue(Prefs::Key::wakeSound, "tick");
    Prefs::setValue(Prefs::Key::soundVolume, 0.8);
    EXPECT_NEAR(seconds(chime.play()), 0.05, 0.01);
    ASSERT_EQ(out.played.size(), 2u);
    EXPECT_EQ(out.played[0].first, "droplet");
    EXPECT_DOUBLE_EQ(out.played[0].second, 0.35);
    EXPECT_EQ(out.played[1].first, "tick");
    EXPECT_DOUBLE_EQ(out.played[1].second, 0.8);
}

TEST_F(ChimeTest, cuesAreSilentWhenSoundsAreOffOrNamedNone) {
    Prefs::setValue(Prefs::Key::soundsEnabled, false);
    chime.playCue("whisper");
    EXPECT_TRUE(chime.play().empty());
    EXPECT_TRUE(out.played.empty());
    Prefs::setValue(Prefs::Key::soundsEnabled, true);
    chime.playCue("none");
    chime.playCue("");
    chime.playCue("no-such-sound");
    EXPECT_TRUE(out.played.empty());
    chime.playCue("whisper");
    ASSERT_EQ(out.played.size(), 1u);
    EXPECT_EQ(out.played[0].first, "whisper");
}

TEST_F(ChimeTest, volumeIsClampedToTheUnitRange) {
    Prefs::setValue(Prefs::Key::soundVolume, 3.5);
    chime.playCue("tick");
    Prefs::setValue(Prefs::Key::soundVolume, -1);
    chime.playCue("tick");
    chime.play("droplet", 7.0); // the settings preview passes its own volume
    ASSERT_EQ(out.played.size(), 3u);
    EXPECT_DOUBLE_EQ(out.played[0].second, 1.0);
    EXPECT_DOUBLE_EQ(out.played[1].second, 0.0);
    EXPECT_DOUBLE_EQ(out.played[2].second, 1.0);
}

// A preview or a cue played into an open window would be heard as somebody speaking.
TEST_F(ChimeTest, noPreviewOrCueIsPlayedIntoAnOpenWindow) {
    bool open = true;
    chime.setWindowOpen([&] { return open; });
    chime.preview("whisper", 0.5);
    chime.playCue("tick");
    EXPECT_TRUE(out.played.empty());
    open = false;
    chime.preview("whisper", 0.5);
    chime.playCue("tick");
    ASSERT_EQ(out.played.size(), 2u);
    EXPECT_EQ(out.played[0].first, "whisper");
}

TEST(ChimeOptions, offerTheFourWakeSoundsInOrder) {
    const auto& options = Chime::options();
    ASSERT_EQ(options.size(), 4u);
    EXPECT_EQ(options[0].id, "droplet");
    EXPECT_EQ(options[1].label, "Whisper");
    EXPECT_EQ(options[2].id, "tick");
    EXPECT_EQ(options[3].id, "none");
}
