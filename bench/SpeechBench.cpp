// Speech recognition on a set of recordings: command accuracy, how often free
// questions stay free text, time from the end of audio to the final transcript and
// the decoding real-time factor. One long-lived recogniser decodes the whole set,
// clean and noisy clips in turn, as the app's recogniser would hear them.
//
// Default: a set spoken by flite in several voices, with noisy twins (pink noise at
// 15 dB). Your own recordings:
//   SpeechBench --set=DIR --tsv=FILE [--bias=FILE] [--min-score=N] [--min-coverage=N]
// (or BRISKLET_SPEECH_SET / _TSV / _BIAS / _MIN_SCORE / _MIN_COVERAGE; BRISKLET_SPEECH_VERBOSE
// prints every clip, not only the misses). The TSV holds
// one line per WAV: file name, a tab, the expected transcript (empty for a free
// question). The bias file lists the phrases to expect, one per line (default: the
// built-in commands, a few setups and apps).
#include "base/Text.h"
#include "platform/linux/PocketSphinxRecognizer.h"
#include "platform/linux/SpeechGrammar.h"
#include "support/FakeScheduler.h"
#include "support/FileAudioBackend.h"
#include "support/SpeechSet.h"
#include "voice/AudioEngine.h"
#include "voice/SpeechController.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <thread>

using namespace brisklet;
namespace SpeechSet = brisklet::test::SpeechSet;

namespace {

QString option(int argc, char** argv, const char* name, const char* env) {
    const QByteArray prefix = QByteArray("--") + name + "=";
    for (int i = 1; i < argc; ++i)
        if (QByteArray(argv[i]).startsWith(prefix))
            return QString::fromLocal8Bit(argv[i] + prefix.size());
    return qEnvironmentVariable(env);
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double percent(int part, int whole) {
    return whole ? 100.0 * part / whole : 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString setDir = option(argc, argv, "set", "BRISKLET_SPEECH_SET");
    const QString tsv = option(argc, argv, "tsv", "BRISKLET_SPEECH_TSV");
    const QString biasFile = option(argc, argv, "bias", "BRISKLET_SPEECH_BIAS");

    QTemporaryDir work;
    QString error;
    std::vector<SpeechSet::Clip> clips;
    if (!setDir.isEmpty()) {
        if (tsv.isEmpty()) {
            std::fprintf(stderr, "SpeechBench: --set needs --tsv (file name, tab, expected transcript)\n");
            return 2;
        }
        clips = SpeechSet::loadUserSet(setDir, tsv, work.path(), &error);
        std::printf("set: %s (%zu recordings)\n", qUtf8Printable(setDir), clips.size());
    } else {
        auto phrases = SpeechSet::commandPhrases();
        for (const auto& q : SpeechSet::questions())
            phrases.push_back(q);
        clips = SpeechSet::generate(work.path(), phrases, SpeechSet::voices(), 15.0, &error);
        std::printf("set: generated, %zu clips (flite voices %s, clean and pink noise at 15 dB)\n",
                    clips.size(), qUtf8Printable(SpeechSet::voices().join(' ')));
    }
    if (clips.empty()) {
        std::fprintf(stderr, "SpeechBench: no clips: %s\n", qUtf8Printable(error));
        return 1;
    }

    QStringList bias = SpeechSet::biasPhrases();
    if (!biasFile.isEmpty()) {
        QFile file(biasFile);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            std::fprintf(stderr, "SpeechBench: cannot read %s\n", qUtf8Printable(biasFile));
            return 2;
        }
        bias.clear();
        for (const QString& line : QString::fromUtf8(file.readAll()).split('\n'))
            if (!line.trimmed().isEmpty())
                bias << line.trimmed();
    }
    // Texts that would run a command as they stand.
    QSet<QString> commands;
    for (const QString& phrase : bias)
        commands.insert(Text::normalize(phrase));
    for (const auto& clip : clips)
        if (!clip.expected.isEmpty())
            commands.insert(clip.expected);

    // The rule's thresholds can be tried out on one's own recordings.
    platform::GrammarRule rule;
    if (const QString v = option(argc, argv, "min-score", "BRISKLET_SPEECH_MIN_SCORE"); !v.isEmpty())
        rule.minScorePerFrame = v.toDouble();
    if (const QString v = option(argc, argv, "min-coverage", "BRISKLET_SPEECH_MIN_COVERAGE"); !v.isEmpty())
        rule.minCoverage = v.toDouble();
    std::printf("rule: grammar kept at score/frame ≥ %.1f and coverage ≥ %.2f\n", rule.minScorePerFrame,
                rule.minCoverage);
    platform::PocketSphinxRecognizer recognizer(platform::PocketSphinxRecognizer::defaultModelDir(), rule);
    const std::clock_t loadStart = std::clock();
    recognizer.load();
    if (!recognizer.waitUntilLoaded()) {
        std::fprintf(stderr, "SpeechBench: the speech model did not load\n");
        return 1;
    }
    std::printf("model load: %.0f ms CPU\n", 1000.0 * double(std::clock() - loadStart) / CLOCKS_PER_SEC);

    int commandsTotal = 0, commandsRight = 0, questionsTotal = 0, questionsFree = 0;
    int generalRight = 0, grammarRight = 0;
    int cleanTotal = 0, cleanRight = 0, noisyTotal = 0, noisyRight = 0;
    std::vector<double> endToFinal;
    double audioSeconds = 0, decodeSeconds = 0;
    const bool verbose = qEnvironmentVariableIsSet("BRISKLET_SPEECH_VERBOSE");
    for (const auto& clip : clips) {
        auto samples = SpeechSet::readClip(clip.file);
        if (!samples) {
            std::fprintf(stderr, "SpeechBench: unreadable %s\n", qUtf8Printable(clip.file));
            return 1;
        }
        const auto decoded = SpeechSet::decode(recognizer, *samples, bias);
        const QString heard = Text::normalize(decoded.finalText.value_or(QString()));
        const auto decision = recognizer.lastDecision();
        audioSeconds += double(samples->size()) / 16000.0;
        decodeSeconds += decoded.decodeSeconds;
        endToFinal.push_back(decoded.endToFinalSeconds);
        bool ok;
        if (!clip.expected.isEmpty()) {
            ok = heard == clip.expected;
            generalRight += Text::normalize(platform::SpeechGrammar::formatNumbers(decision.generalText)) ==
                            clip.expected;
            grammarRight += Text::normalize(platform::SpeechGrammar::formatNumbers(decision.grammarText)) ==
                            clip.expected;
            ++commandsTotal;
            commandsRight += ok;
            (clip.noisy ? noisyTotal : cleanTotal)++;
            (clip.noisy ? noisyRight : cleanRight) += ok;
        } else {
            // Free text: the general model's words, and nothing that reads as a command.
            ok = !decision.grammarKept && !commands.contains(heard);
            ++questionsTotal;
            questionsFree += ok;
        }
        if (verbose || !ok)
            std::printf(
                "%s %-6s %-5s \"%s\" → \"%s\" (grammar \"%s\" %.1f/frame cover %.2f, general \"%s\")\n",
                ok ? "  " : "✗", qUtf8Printable(clip.voice), clip.noisy ? "noisy" : "clean",
                qUtf8Printable(clip.spoken), qUtf8Printable(heard), qUtf8Printable(decision.grammarText),
                decision.scorePerFrame, decision.coverage, qUtf8Printable(decision.generalText));
    }

    std::printf("command accuracy: %.1f %% (%d/%d; clean %d/%d, noisy %d/%d)  target ≥ 95 %%\n",
                percent(commandsRight, commandsTotal), commandsRight, commandsTotal, cleanRight, cleanTotal,
                noisyRight, noisyTotal);
    std::printf("  (general model alone %d/%d, grammar alone %d/%d)\n", generalRight, commandsTotal,
                grammarRight, commandsTotal);
    std::printf("free questions kept as free text: %.1f %% (%d/%d)  target ≥ 90 %%\n",
                percent(questionsFree, questionsTotal), questionsFree, questionsTotal);
    std::printf("end of audio → final transcript, median: %.1f ms  target < 150 ms\n",
                1000 * median(endToFinal));
    std::printf("decoding real-time factor: %.3f (%.1f s of audio in %.1f s)\n",
                audioSeconds > 0 ? decodeSeconds / audioSeconds : 0, audioSeconds, decodeSeconds);

    // The idle audio path: a quiet room played at the microphone's pace into the
    // engine, with the speech feed attached and nobody listening.
    {
        constexpr double seconds = 6.0;
        test::FakeClock clock;
        test::FakeScheduler scheduler(clock);
        SpeechController controller(&recognizer, scheduler);
        std::vector<float> room = SpeechSet::pinkNoise(std::size_t((seconds + 2) * 16000), 7);
        for (float& sample : room)
            sample *= 0.01f;
        AudioEngine engine(
            test::FileAudioBackend::fromSamples(room, 16000, 1, test::FileAudioBackend::Pace::realTime),
            scheduler);
        engine.addHandler(
            [&](std::span<const float> samples, std::int64_t) { controller.appendAudio(samples); });
        engine.start();
        engine.waitForControl();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const auto before = engine.threadCpuSeconds();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const auto after = engine.threadCpuSeconds();
        engine.stop();
        engine.waitForControl();
        const double capture = after.capture.value_or(0) - before.capture.value_or(0);
        const double processing = after.processing.value_or(0) - before.processing.value_or(0);
        std::printf(
            "idle audio path (capture %.2f %% + processing %.2f %%): %.2f %% of one core  target < 2 %%\n",
            100 * capture / seconds, 100 * processing / seconds, 100 * (capture + processing) / seconds);
    }
    return 0;
}
