// Our own chime taken out of a window's start by its shape: only where the microphone
// heard it, and only the chime, whatever was said over it.
#include "platform/linux/PulseSampleOutput.h"
#include "platform/linux/speech/RoomSound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using namespace brisklet;
using platform::OpeningSound;

namespace {

constexpr double rate = 16000;

// A voice-like sound: a 140 Hz buzz with its harmonics, from `from` seconds on.
void addVoice(std::vector<float>& window, double from, float level) {
    for (std::size_t i = std::size_t(from * rate); i < window.size(); ++i) {
        const double t = double(i) / rate;
        double s = 0;
        for (int h = 1; h <= 12; ++h)
            s += std::sin(2 * M_PI * 140 * h * t) / h;
        window[i] += float(level * s);
    }
}

// The chime as the microphone hears it: `delay` seconds late, between samples, at `gain`.
void addChime(std::vector<float>& window, const std::vector<float>& chime, double delay, float gain) {
    const double at = delay * rate;
    for (std::size_t i = 0; i < window.size(); ++i) {
        const double p = double(i) - at;
        const auto j = std::size_t(std::floor(p));
        if (p < 0 || j + 1 >= chime.size())
            continue;
        const double f = p - double(j);
        window[i] += gain * float(chime[j] * (1 - f) + chime[j + 1] * f);
    }
}

// The window through the chime's removal, fed in the audio's chunks of 512.
std::vector<float> through(OpeningSound& opening, const std::vector<float>& window) {
    std::vector<float> out;
    for (std::size_t at = 0; at < window.size(); at += 512) {
        const std::vector<float> chunk(window.begin() + std::ptrdiff_t(at),
                                       window.begin() + std::ptrdiff_t(std::min(window.size(), at + 512)));
        const auto settled = opening.take(chunk);
        out.insert(out.end(), settled.begin(), settled.end());
    }
    const auto rest = opening.rest();
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

double energy(const std::vector<float>& a, const std::vector<float>& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    return sum;
}

std::vector<float> room(std::size_t n) {
    std::mt19937 random(3);
    std::normal_distribution<float> noise(0, 0.001f);
    std::vector<float> out(n);
    for (float& s : out)
        s = noise(random);
    return out;
}

} // namespace

TEST(OpeningSound, takesOutOnlyTheChimeAndKeepsAVoiceSaidOverIt) {
    const std::vector<float> chime = platform::PulseSampleOutput::samplesOf(QStringLiteral("droplet"));
    ASSERT_FALSE(chime.empty());
    const std::size_t latest = std::size_t(0.25 * rate);
    const std::vector<float> silence(chime.size(), 0.0f);

    for (const double delay : {0.0, 0.0437, 0.1203}) {
        for (const float gain : {1.0f, 0.2f}) {
            // What should come out: the room and the voice, begun as the chime sounds.
            std::vector<float> kept = room(std::size_t(rate));
            addVoice(kept, delay + 0.05, 0.05f);
            std::vector<float> heard = kept;
            addChime(heard, chime, delay, gain);
            OpeningSound opening(chime, latest);
            const std::vector<float> out = through(opening, heard);
            ASSERT_EQ(out.size(), heard.size());
            ASSERT_TRUE(opening.found()) << "delay " << delay << ", gain " << gain;
            // The chime's energy, against what is left of it: at least 25 dB less.
            std::vector<float> alone(heard.size(), 0.0f);
            addChime(alone, chime, delay, gain);
            const double left = energy(out, kept), was = energy(alone, std::vector<float>(alone.size()));
            EXPECT_LT(10 * std::log10(left / was), -25) << "delay " << delay << ", gain " << gain;
        }
    }

    // A window whose start does not hold the chime (headphones, output muted): nothing
    // is taken out, a voice begun at once included.
    std::vector<float> window = room(std::size_t(rate));
    addVoice(window, 0.02, 0.1f);
    OpeningSound opening(chime, latest);
    EXPECT_EQ(through(opening, window), window);
    EXPECT_FALSE(opening.found());
    EXPECT_FALSE(opening.place()) << "match " << opening.match();

    // No chime played: nothing is held, every chunk comes straight out.
    OpeningSound none({}, latest);
    const std::vector<float> chunk(512, 0.3f);
    EXPECT_EQ(none.take(chunk), chunk);
}

// A chime heard too changed to take out (a start glitched on a loaded machine, a room
// that colours it much, a voice far louder over it) still has its place: the words
// heard there are its own, not somebody's.
TEST(OpeningSound, aChimeTooChangedToTakeOutKeepsItsPlace) {
    const std::vector<float> chime = platform::PulseSampleOutput::samplesOf(QStringLiteral("droplet"));
    ASSERT_FALSE(chime.empty());
    const double delay = 0.0813;
    std::vector<float> window = room(std::size_t(rate));
    addVoice(window, 0.0, 0.1f);
    addChime(window, chime, delay, 0.08f);
    OpeningSound opening(chime, std::size_t(0.25 * rate));
    EXPECT_EQ(through(opening, window), window) << "match " << opening.match();
    EXPECT_FALSE(opening.found()) << "match " << opening.match();
    const auto place = opening.place();
    ASSERT_TRUE(place) << "match " << opening.match();
    EXPECT_NEAR(double(place->first), delay * rate, 2);
    EXPECT_NEAR(double(place->second - place->first), double(chime.size()), 4);
}

// A chime played late into the window (a busy machine, a server that starts it late)
// is found where it was played, and taken out there.
TEST(OpeningSound, aChimePlayedLateIntoTheWindowIsFoundWhereItWasPlayed) {
    const std::vector<float> chime = platform::PulseSampleOutput::samplesOf(QStringLiteral("droplet"));
    ASSERT_FALSE(chime.empty());
    for (const double played : {0.15, 0.3, 0.45}) {
        const double delay = played + 0.1217;
        std::vector<float> kept = room(std::size_t(2 * rate));
        std::vector<float> heard = kept;
        addChime(heard, chime, delay, 0.5f);
        const auto at = std::size_t(played * rate);
        OpeningSound opening(chime, at + std::size_t(0.45 * rate), std::numeric_limits<double>::infinity(),
                             at - std::size_t(0.06 * rate));
        const std::vector<float> out = through(opening, heard);
        ASSERT_TRUE(opening.found()) << "played " << played << ", match " << opening.match();
        EXPECT_NEAR(double(opening.found()->first), delay * rate, 2);
        std::vector<float> alone(heard.size(), 0.0f);
        addChime(alone, chime, delay, 0.5f);
        const double left = energy(out, kept), was = energy(alone, std::vector<float>(alone.size()));
        EXPECT_LT(10 * std::log10(left / was), -25) << "played " << played;
    }
}

// A loaded server drops or repeats a few ms inside the chime: what comes after the
// glitch is taken out too, where it lies now.
TEST(OpeningSound, aChimeWithAGapOrARepeatInsideIsTakenOutWhole) {
    const std::vector<float> chime = platform::PulseSampleOutput::samplesOf(QStringLiteral("droplet"));
    ASSERT_GT(chime.size(), rate / 5);
    const std::size_t at = rate / 20, glitch = rate / 100; // 10 ms, 50 ms in
    const double delay = 0.0731;
    std::vector<float> gap(chime.begin(), chime.begin() + std::ptrdiff_t(at));
    gap.insert(gap.end(), glitch, 0.0f);
    gap.insert(gap.end(), chime.begin() + std::ptrdiff_t(at), chime.end());
    std::vector<float> repeat(chime.begin(), chime.begin() + std::ptrdiff_t(at + glitch));
    repeat.insert(repeat.end(), chime.begin() + std::ptrdiff_t(at), chime.end());
    for (const auto& [name, heardChime] : {std::pair{"a gap", gap}, std::pair{"a repeat", repeat}}) {
        std::vector<float> kept = room(std::size_t(rate));
        std::vector<float> heard = kept;
        addChime(heard, heardChime, delay, 0.5f);
        OpeningSound opening(chime, std::size_t(0.25 * rate));
        const std::vector<float> out = through(opening, heard);
        ASSERT_TRUE(opening.found()) << name << ", match " << opening.match();
        // What is left after the glitch's block, against the chime heard there.
        const auto after = std::size_t(delay * rate) + at + glitch + 256;
        std::vector<float> alone(heard.size(), 0.0f);
        addChime(alone, heardChime, delay, 0.5f);
        double left = 0, was = 0;
        for (std::size_t i = after; i < heard.size(); ++i) {
            left += (double(out[i]) - kept[i]) * (double(out[i]) - kept[i]);
            was += double(alone[i]) * alone[i];
        }
        EXPECT_LT(10 * std::log10(left / was), -25) << name;
    }
}
