// Speech recognition on a set of recordings: command accuracy, how often free
// questions stay free text, time from the end of audio to the final transcript and
// the decoding real-time factor. One long-lived recogniser decodes the whole set,
// clean and noisy clips in turn, as the app's recogniser would hear them.
//
// Default: a set spoken by flite in several voices, with noisy twins (pink noise at
// 15 dB). Your own recordings:
//   SpeechBench --set=DIR --tsv=FILE [--bias=FILE] [--names=FILE] [--min-score=N] [--min-coverage=N]
// (or BRISKLET_SPEECH_SET / _TSV / _BIAS / _NAMES / _MIN_SCORE / _MIN_COVERAGE; BRISKLET_SPEECH_VERBOSE
// prints every clip, not only the misses). The TSV holds one line per WAV: file name,
// a tab, the expected transcript (empty for a free question), and optionally a tab and
// the condition ("clean", "noisy", …) and a tab and the voice; the figures are also
// given per condition and per voice. The bias file lists the phrases to expect, one
// per line (default: the built-in commands, a few setups and apps); the names file the
// app and setup names a verb may take (default: those of the default bias).
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
#include <map>
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

// The figures of one group of clips.
struct Tally {
    int commands = 0, commandsRight = 0, questions = 0, questionsFree = 0;
    std::vector<double> endToFinal;

    void add(bool command, bool ok, double seconds) {
        (command ? commands : questions)++;
        (command ? commandsRight : questionsFree) += ok;
        endToFinal.push_back(seconds);
    }
    void merge(const Tally& o) {
        commands += o.commands;
        commandsRight += o.commandsRight;
        questions += o.questions;
        questionsFree += o.questionsFree;
        endToFinal.insert(endToFinal.end(), o.endToFinal.begin(), o.endToFinal.end());
    }
};

QStringList readLines(const QString& path, bool* ok) {
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly | QIODevice::Text);
    QStringList out;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n'))
        if (!line.trimmed().isEmpty())
            out << line.trimmed();
    return out;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString setDir = option(argc, argv, "set", "BRISKLET_SPEECH_SET");
    const QString tsv = option(argc, argv, "tsv", "BRISKLET_SPEECH_TSV");
    const QString biasFile = option(argc, argv, "bias", "BRISKLET_SPEECH_BIAS");
    const QString namesFile = option(argc, argv, "names", "BRISKLET_SPEECH_NAMES");

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
    QStringList names = SpeechSet::biasNames();
    if (!biasFile.isEmpty()) {
        bool ok = false;
        bias = readLines(biasFile, &ok);
        if (!ok) {
            std::fprintf(stderr, "SpeechBench: cannot read %s\n", qUtf8Printable(biasFile));
            return 2;
        }
        names.clear();
    }
    if (!namesFile.isEmpty()) {
        bool ok = false;
        names = readLines(namesFile, &ok);
        if (!ok) {
            std::fprintf(stderr, "SpeechBench: cannot read %s\n", qUtf8Printable(namesFile));
            return 2;
        }
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
    if (const QString v = option(argc, argv, "min-coverage-quiet", "BRISKLET_SPEECH_MIN_COVERAGE_QUIET");
        !v.isEmpty())
        rule.minCoverageQuiet = v.toDouble();
    if (const QString v = option(argc, argv, "max-extra-syllables", "BRISKLET_SPEECH_MAX_EXTRA_SYLLABLES");
        !v.isEmpty())
        rule.maxExtraSyllables = v.toInt();
    if (const QString v = option(argc, argv, "pre-roll", "BRISKLET_SPEECH_PRE_ROLL"); !v.isEmpty())
        rule.usePreRoll = v != QLatin1String("0");
    std::printf("pre-roll of room sound: %s\n", rule.usePreRoll ? "on" : "off");
    std::printf(
        "rule: grammar kept at score/frame ≥ %.1f, coverage ≥ %.2f (%.2f in a quiet room) and at most %d "
        "syllables fewer than the general model's\n",
        rule.minScorePerFrame, rule.minCoverage, rule.minCoverageQuiet, rule.maxExtraSyllables);
    platform::PocketSphinxRecognizer recognizer(platform::PocketSphinxRecognizer::defaultModelDir(), rule);
    const std::clock_t loadStart = std::clock();
    recognizer.load();
    if (!recognizer.waitUntilLoaded()) {
        std::fprintf(stderr, "SpeechBench: the speech model did not load\n");
        return 1;
    }
    std::printf("model load: %.0f ms CPU\n", 1000.0 * double(std::clock() - loadStart) / CLOCKS_PER_SEC);

    Tally all;
    std::map<QString, Tally> byCondition, byVoice;
    int generalRight = 0, grammarRight = 0;
    double audioSeconds = 0, decodeSeconds = 0;
    const bool verbose = qEnvironmentVariableIsSet("BRISKLET_SPEECH_VERBOSE");
    for (const auto& clip : clips) {
        auto samples = SpeechSet::readClip(clip.file);
        if (!samples) {
            std::fprintf(stderr, "SpeechBench: unreadable %s\n", qUtf8Printable(clip.file));
            return 1;
        }
        const auto decoded = SpeechSet::decode(recognizer, *samples, bias, names, SpeechSet::roomOf(clip));
        const QString heard = Text::normalize(decoded.finalText.value_or(QString()));
        const auto decision = recognizer.lastDecision();
        audioSeconds += double(samples->size()) / 16000.0;
        decodeSeconds += decoded.decodeSeconds;
        bool ok;
        if (!clip.expected.isEmpty()) {
            ok = heard == clip.expected;
            generalRight += Text::normalize(platform::SpeechGrammar::formatNumbers(decision.generalText)) ==
                            clip.expected;
            grammarRight += Text::normalize(platform::SpeechGrammar::formatNumbers(decision.grammarText)) ==
                            clip.expected;
        } else {
            // Free text: the general model's words, and nothing that reads as a command.
            ok = !decision.grammarKept && !commands.contains(heard);
        }
        for (Tally* t : {&all, &byCondition[clip.condition], &byVoice[clip.voice]})
            t->add(!clip.expected.isEmpty(), ok, decoded.endToFinalSeconds);
        if (verbose || !ok)
            std::printf("%s %-6s %-5s \"%s\" → \"%s\" (grammar \"%s\" %.1f/frame cover %.2f, general \"%s\" "
                        "%.1f/frame)\n",
                        ok ? "  " : "✗", qUtf8Printable(clip.voice), qUtf8Printable(clip.condition),
                        qUtf8Printable(clip.spoken), qUtf8Printable(heard),
                        qUtf8Printable(decision.grammarText), decision.scorePerFrame, decision.coverage,
                        qUtf8Printable(decision.generalText), decision.generalScorePerFrame);
    }

    const Tally& clean = byCondition["clean"];
    Tally noisy;
    for (const auto& [condition, tally] : byCondition)
        if (condition != QLatin1String("clean"))
            noisy.merge(tally);
    std::printf(
        "command accuracy: %.1f %% (%d/%d; clean %d/%d, noisy %d/%d)  target ≥ 97 %%, noisy ≥ 95 %%\n",
        percent(all.commandsRight, all.commands), all.commandsRight, all.commands, clean.commandsRight,
        clean.commands, noisy.commandsRight, noisy.commands);
    std::printf("  (general model alone %d/%d, grammar alone %d/%d)\n", generalRight, all.commands,
                grammarRight, all.commands);
    std::printf("free questions kept as free text: %.1f %% (%d/%d)  target ≥ 95 %%\n",
                percent(all.questionsFree, all.questions), all.questionsFree, all.questions);
    std::printf(
        "end of audio → final transcript, median: %.1f ms (clean %.1f ms, noisy %.1f ms)  target < 150 ms\n",
        1000 * median(all.endToFinal), 1000 * median(clean.endToFinal), 1000 * median(noisy.endToFinal));
    std::printf("decoding real-time factor: %.3f (%.1f s of audio in %.1f s)\n",
                audioSeconds > 0 ? decodeSeconds / audioSeconds : 0, audioSeconds, decodeSeconds);
    for (const auto* groups : {&byCondition, &byVoice}) {
        if (groups->size() < 2)
            continue;
        std::printf("by %s:\n", groups == &byCondition ? "condition" : "voice");
        for (const auto& [label, t] : *groups)
            std::printf("  %-8s commands %5.1f %% (%d/%d), questions free %5.1f %% (%d/%d), median %.1f ms\n",
                        qUtf8Printable(label), percent(t.commandsRight, t.commands), t.commandsRight,
                        t.commands, percent(t.questionsFree, t.questions), t.questionsFree, t.questions,
                        1000 * median(t.endToFinal));
    }

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
