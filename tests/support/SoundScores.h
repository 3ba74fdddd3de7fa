#pragma once

#include "platform/linux/HeuristicSoundAnalyzer.h"
#include "support/TestSignals.h"

#include <gtest/gtest.h>
#include <mutex>

namespace brisklet::test {

// The heuristic analyser's results over a whole signal: every window's scores and
// the highest of each.
struct SoundScores {
    using Scores = platform::HeuristicSoundAnalyzer::Scores;
    std::vector<Scores> windows;
    double clap = 0, fingerSnap = 0, speech = 0;

    static SoundScores of(const std::vector<float>& signal, std::int64_t firstPosition = 0) {
        platform::HeuristicSoundAnalyzer analyzer;
        SoundScores out;
        std::mutex m;
        QString error;
        const bool started = analyzer.start(
            [&](const auto& result) {
                std::lock_guard g(m);
                Scores s;
                for (const auto& c : result) {
                    if (c.identifier == QLatin1String("clap"))
                        s.clap = c.confidence;
                    else if (c.identifier == QLatin1String("finger_snap"))
                        s.fingerSnap = c.confidence;
                    else if (c.identifier == QLatin1String("speech"))
                        s.speech = c.confidence;
                }
                out.windows.push_back(s);
                out.clap = std::max(out.clap, s.clap);
                out.fingerSnap = std::max(out.fingerSnap, s.fingerSnap);
                out.speech = std::max(out.speech, s.speech);
            },
            [](const QString&) {}, &error);
        EXPECT_TRUE(started) << error.toStdString();
        TestSignals::feed(
            signal,
            [&](std::span<const float> chunk, std::int64_t pos) {
                analyzer.analyze(chunk, pos);
                analyzer.waitIdle(); // keep the bounded queue from dropping audio
            },
            firstPosition);
        analyzer.waitIdle();
        analyzer.stop();
        return out;
    }
};

} // namespace brisklet::test
