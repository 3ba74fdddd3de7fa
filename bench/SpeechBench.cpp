// Speech recognition as the app listens: a set of spoken phrases decoded with the
// bias, names and phrase shapes the app's own vocabulary builder gives for a desktop
// of setups, layouts and apps. A clip is right when the matcher makes the same plan
// of the heard text as of the spoken one; a wrong action is another plan, counted in
// two kinds: another action than the one said (another verb or target, or any action
// from a question), and the said action with a misheard name or number (a play
// query, a new layout or setup name, a count); severe ones (quitting or closing apps,
// ending or running a setup nobody named, the opposite action, any action from a
// question) are flagged. Each row's harm weighs a miss 1, a wrong action 4 and a
// severe one 10: the rule's constants are chosen by it on the tuning group. Free questions must come out as
// no plan at all. One long-lived recogniser decodes the whole set, clean and noisy
// clips in turn, as the app's recogniser would hear them.
//
// Default: every phrasing the matcher reads (several names each) and free questions,
// spoken by the tuning group of voices (flite and espeak-ng), each clean and with pink
// noise at 15 dB. --group=checking speaks the voices the rule is only reported on
// (never tuned on, never in a test); --voices=slt,en-gb+f2 picks voices by name.
// --order=reverse decodes the set back to front: the recogniser is long-lived, and a
// window must not depend on the ones before it. Your own recordings, scored against
// the same desktop:
//   SpeechBench --set=DIR --tsv=FILE [--min-score=N] [--min-coverage=N] …
// (or BRISKLET_SPEECH_SET / _TSV / _MIN_SCORE / _MIN_COVERAGE; BRISKLET_SPEECH_VERBOSE
// prints every clip, not only the misses). The TSV holds one line per WAV: file name,
// a tab, the spoken text (empty for a free question), and optionally a tab and the
// condition ("clean", "noisy", …) and a tab and the voice. A recording's lead-in before
// the speech is heard as the room before the window, so begin each with a moment of it.
//
// To calibrate the rule: --shard=I/N measures every Nth phrase from the Ith (run N at
// once), and --dump=FILE writes each clip's readings — both grammars', the general
// model's and the verdict on each — as one tab-separated line (a first line names the
// columns). --judge=DUMP[,DUMP…] decodes nothing: it tallies the clips of dumps (this
// build's or an older one's) by this build's verdict on what each heard, so builds
// measured apart are compared by one judge; with --min-own-verb-lead=N, an end, quit or
// undo weighed against its verb's place is taken as that margin would take it (and
// --min-own-verb-lead-at-edge=N where its window opened on a voice,
// --min-own-verb-lead-over-words=N over the general model's and the short words in a
// quiet room, --min-own-verb-lead-noisy=N over anything out of one).
//
// Last, the phone loop's memory: how much the resident memory grows over 1,000 weighed
// windows (goal under 1 MB). --memory-only=1 measures that alone.
#include "base/Text.h"
#include "commands/SpokenDesktop.h"
#include "platform/linux/speech/PhoneLoop.h"
#include "platform/linux/speech/PocketSphinxRecognizer.h"
#include "platform/linux/speech/SpeechGrammar.h"
#include "support/FakeScheduler.h"
#include "support/FileAudioBackend.h"
#include "support/SpeechSet.h"
#include "voice/AudioEngine.h"
#include "voice/SpeechController.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <thread>

#include <unistd.h>

using namespace brisklet;
namespace SpeechSet = brisklet::test::SpeechSet;
using Verdict = test::SpokenDesktop::Verdict;

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

double percentile(std::vector<double> values, double share) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(share * double(values.size())))];
}

// The figures of one group of clips.
struct Tally {
    int clips = 0, right = 0, other = 0, misheard = 0, severe = 0;
    std::vector<double> endToFinal;

    void add(const test::SpokenDesktop::Judgement& j, double seconds) {
        using Wrong = test::SpokenDesktop::Wrong;
        ++clips;
        right += j.verdict == Verdict::right;
        other += j.wrong == Wrong::otherAction;
        misheard += j.wrong == Wrong::misheard;
        severe += j.severe;
        endToFinal.push_back(seconds);
    }
    // What the misses and wrong actions cost the user: a miss 1, a wrong action 4, a
    // severe one (quitting or closing an app, ending or running a setup, any action
    // from a question) 10.
    int harm() const {
        const int wrong = other + misheard;
        return (clips - right - wrong) + 4 * (wrong - severe) + 10 * severe;
    }
    void print(const QString& label) const {
        std::printf("  %-28s right %5.1f %% (%3d/%3d)  another action %5.1f %% (%d, severe %d)  misheard "
                    "%5.1f %% (%d)  harm %4d  final %5.1f / %5.1f ms\n",
                    qUtf8Printable(label), percent(right, clips), right, clips, percent(other, clips), other,
                    severe, percent(misheard, clips), misheard, harm(), 1000 * median(endToFinal),
                    1000 * percentile(endToFinal, 0.9));
    }
};

// Commands and questions per condition; then per kind of phrasing and per voice.
struct Tables {
    std::map<QString, Tally> byCondition, byKind, byVoice;

    void add(const test::SpokenDesktop::Judgement& j, bool question, bool freeName, const QString& kind,
             const QString& condition, const QString& voice, double seconds) {
        std::vector<QString> rows = {(question ? "questions " : "commands ") + condition,
                                     "all clips " + condition};
        if (!question && !freeName)
            rows.push_back("commands without a new name " + condition);
        for (const QString& row : rows)
            byCondition[row].add(j, seconds);
        byKind[kind + " " + condition].add(j, seconds);
        byVoice[voice + " " + condition].add(j, seconds);
    }
    void print() const {
        for (const auto* groups : {&byCondition, &byKind, &byVoice}) {
            std::printf("by %s:\n", groups == &byCondition ? "condition"
                                    : groups == &byKind    ? "kind"
                                                           : "voice");
            for (const auto& [label, t] : *groups)
                t.print(label);
        }
    }
};

// The clips of --dump files judged again by this build's verdict on the heard text. The
// columns are found by the names on the first line, so an older build's dump reads too.
// With `margins`, an end, quit or undo that was weighed against its verb's place is taken
// as those margins would have taken it (dumps that name the weighed text; no bench clip
// has our chime, so none began under it).
int judgeDumps(const QStringList& files, const test::SpokenDesktop& desktop,
               std::optional<platform::GrammarRule> margins) {
    Tables tables;
    int clips = 0;
    for (const QString& name : files) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            std::fprintf(stderr, "SpeechBench: cannot read %s\n", qUtf8Printable(name));
            return 2;
        }
        const QStringList header = QString::fromUtf8(file.readLine()).remove('#').trimmed().split('\t');
        const auto column = [&](const char* c) { return header.indexOf(QLatin1String(c)); };
        const int voice = column("voice"), condition = column("condition"), kind = column("kind"),
                  spoken = column("spoken"), heard = column("heard"), finalMs = column("finalMs"),
                  lead = column("otherVerbLead"), verbText = column("verbText"),
                  atEdge = column("verbAtEdge"), quiet = column("quiet"), wordLead = column("otherWordLead");
        if (std::min({voice, condition, kind, spoken, heard}) < 0) {
            std::fprintf(stderr, "SpeechBench: %s lacks a column of voice, condition, kind, spoken, heard\n",
                         qUtf8Printable(name));
            return 2;
        }
        for (int lineNumber = 2; !file.atEnd(); ++lineNumber) {
            QString line = QString::fromUtf8(file.readLine());
            if (line.endsWith('\n'))
                line.chop(1);
            if (line.isEmpty())
                continue;
            const QStringList f = line.split('\t');
            if (f.size() < header.size()) {
                std::fprintf(stderr, "SpeechBench: %s:%d has %lld columns, not %lld\n", qUtf8Printable(name),
                             lineNumber, qlonglong(f.size()), qlonglong(header.size()));
                return 2;
            }
            const bool question = f[kind] == QLatin1String("question");
            const QString said = question ? QString() : f[spoken];
            // An end, quit or undo weighed against its verb's place, taken at this margin.
            QString heardText = f[heard];
            if (margins && lead >= 0 && wordLead >= 0 && verbText >= 0 && atEdge >= 0 && quiet >= 0 &&
                f[lead] != QLatin1String("nan")) {
                heardText = margins->ownVerbStands(f[lead].toDouble(), f[wordLead].toDouble(),
                                                   f[atEdge] == QLatin1String("1"),
                                                   f[quiet] == QLatin1String("1"), false, false)
                                ? f[verbText]
                                : QString();
            }
            tables.add(desktop.judge(said, heardText), question,
                       test::takesFreeName(desktop.matcher->match(said)), f[kind], f[condition], f[voice],
                       finalMs < 0 ? 0 : f[finalMs].toDouble() / 1000);
            ++clips;
        }
    }
    std::printf("judged: %d clips of %lld dumps by this build's verdict\n", clips, qlonglong(files.size()));
    tables.print();
    return 0;
}

// The process's resident memory in MB, as the kernel counts it.
double residentMb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1 << 20) : 0;
}

// How much the resident memory grows while the phone loop weighs window after window,
// as over a long day of commands: each reading gets a search of its own, and nothing
// of it may stay behind.
int phoneLoopMemory(const QString& folder) {
    QString error;
    const auto clips =
        SpeechSet::generate(folder, {{"quit firefox", "quit firefox"}}, {"slt"}, std::nullopt, &error);
    const auto samples = clips.size() == 1 ? SpeechSet::readClip(clips.front().file) : std::nullopt;
    platform::PhoneLoop loop(platform::GrammarRule{}.phoneLoopBeam);
    if (!samples ||
        !loop.load((platform::PocketSphinxRecognizer::defaultModelDir() + "/en-us/en-us").toUtf8())) {
        std::fprintf(stderr, "SpeechBench: no clip or no model for the phone loop: %s\n",
                     qUtf8Printable(error));
        return 1;
    }
    const auto blocks = SpeechSet::pcmBlocks(*samples);
    const auto word = [](const char* text, const char* phones) {
        return platform::PhoneLoop::Word{QString::fromLatin1(text), {phones}};
    };
    const std::vector<platform::PhoneLoop::Candidate> readings{
        {word("quit", "K W IH T"), word("firefox", "F AY ER F AA K S")},
        {word("open", "OW P AH N"), word("firefox", "F AY ER F AA K S")}};
    int weighed = 0;
    const auto windows = [&](int count) {
        for (int w = 0; w < count; ++w) {
            loop.begin(50);
            for (const auto& block : blocks)
                loop.feed(block);
            for (const auto& support : loop.weigh(readings).get())
                weighed += support.has_value();
        }
    };
    // The first windows fill what the loop keeps for good: its dictionary, its buffers.
    windows(50);
    const double before = residentMb();
    weighed = 0;
    constexpr int measured = 1000;
    windows(measured);
    std::printf("phone loop memory: resident grew %.2f MB over %d weighed windows (%zu readings each, %d "
                "aligned)  target < 1 MB\n",
                residentMb() - before, measured, readings.size(), weighed);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QString setDir = option(argc, argv, "set", "BRISKLET_SPEECH_SET");
    const QString tsv = option(argc, argv, "tsv", "BRISKLET_SPEECH_TSV");

    test::SpokenDesktop desktop;
    if (const QString v = option(argc, argv, "judge", ""); !v.isEmpty()) {
        // The margins of an end's, quit's or undo's verb, as this build's or as given.
        platform::GrammarRule margins;
        bool given = false;
        const auto margin = [&](const char* name, double& value) {
            if (const QString m = option(argc, argv, name, ""); !m.isEmpty()) {
                value = m.toDouble();
                given = true;
            }
        };
        margin("min-own-verb-lead", margins.minOwnVerbLead);
        margin("min-own-verb-lead-at-edge", margins.minOwnVerbLeadAtEdge);
        margin("min-own-verb-lead-over-words", margins.minOwnVerbLeadOverWords);
        margin("min-own-verb-lead-noisy", margins.minOwnVerbLeadNoisy);
        return judgeDumps(v.split(','), desktop, given ? std::optional(margins) : std::nullopt);
    }
    std::map<QString, QString> kindOf;
    QTemporaryDir work;
    // The phone loop's memory figure alone, without the set: --memory-only=1.
    if (option(argc, argv, "memory-only", "") == QLatin1String("1"))
        return phoneLoopMemory(work.filePath("memory"));
    QString error;
    std::vector<SpeechSet::Clip> clips;
    if (!setDir.isEmpty()) {
        if (tsv.isEmpty()) {
            std::fprintf(stderr, "SpeechBench: --set needs --tsv (file name, tab, spoken text)\n");
            return 2;
        }
        clips = SpeechSet::loadUserSet(setDir, tsv, work.path(), &error);
        std::printf("set: %s (%zu recordings)\n", qUtf8Printable(setDir), clips.size());
    } else {
        std::vector<SpeechSet::Phrase> phrases;
        for (const test::SpokenPhrase& p : test::spokenPhrases()) {
            const QString spoken = QString::fromUtf8(p.spoken);
            const bool question = QLatin1String(p.kind) == QLatin1String("question");
            // A phrase that is no command as written would measure nothing.
            if (question == !desktop.matcher->match(spoken).empty()) {
                std::printf("left out: \"%s\" is %s as written\n", p.spoken,
                            question ? "a command" : "no command");
                continue;
            }
            phrases.push_back({spoken, question ? QString() : Text::normalize(spoken)});
            kindOf[spoken] = QString::fromUtf8(p.kind);
        }
        // A smaller set for a quick look: --voices=slt, --kinds=parametric,question, --noisy=0.
        QString group = option(argc, argv, "group", "BRISKLET_SPEECH_GROUP");
        if (group.isEmpty())
            group = QStringLiteral("tuning");
        QStringList voices = SpeechSet::voiceGroup(group);
        if (const QString v = option(argc, argv, "voices", "BRISKLET_SPEECH_VOICES"); !v.isEmpty())
            voices = v.split(',');
        if (voices.isEmpty()) {
            std::fprintf(stderr, "SpeechBench: no voices (groups: tuning, checking)\n");
            return 2;
        }
        if (const QString k = option(argc, argv, "kinds", "BRISKLET_SPEECH_KINDS"); !k.isEmpty())
            std::erase_if(phrases, [&](const SpeechSet::Phrase& p) {
                return !k.split(',').contains(kindOf[p.spoken]);
            });
        // One share of the phrases, to spread a long measurement over cores: --shard=2/6.
        if (const QString v = option(argc, argv, "shard", "BRISKLET_SPEECH_SHARD"); !v.isEmpty()) {
            const int part = v.section('/', 0, 0).toInt(), parts = std::max(1, v.section('/', 1, 1).toInt());
            std::vector<SpeechSet::Phrase> share;
            for (std::size_t i = 0; i < phrases.size(); ++i)
                if (int(i % std::size_t(parts)) == part)
                    share.push_back(phrases[i]);
            phrases = share;
        }
        const bool noisy = option(argc, argv, "noisy", "BRISKLET_SPEECH_NOISY") != QLatin1String("0");
        clips = SpeechSet::generate(work.path(), phrases, voices, noisy ? std::optional(15.0) : std::nullopt,
                                    &error);
        std::printf("set: generated, %zu clips (voices %s, clean%s)\n", clips.size(),
                    qUtf8Printable(voices.join(' ')), noisy ? " and pink noise at 15 dB" : "");
    }
    if (clips.empty()) {
        std::fprintf(stderr, "SpeechBench: no clips: %s\n", qUtf8Printable(error));
        return 1;
    }
    const bool reverse = option(argc, argv, "order", "BRISKLET_SPEECH_ORDER") == QLatin1String("reverse");
    if (reverse)
        std::reverse(clips.begin(), clips.end());
    std::printf("order: %s\n", reverse ? "reverse" : "forward");

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
    if (const QString v = option(argc, argv, "free-words", "BRISKLET_SPEECH_FREE_WORDS"); !v.isEmpty())
        rule.freeWords = v.toInt();
    for (auto [name, field] :
         {std::pair{"min-number-score", &rule.minNumberScorePerFrame},
          std::pair{"min-free-score", &rule.minFreeScorePerFrame},
          std::pair{"min-free-sure", &rule.minFreeSure}, std::pair{"cut-short-margin", &rule.cutShortMargin},
          std::pair{"min-rise", &rule.minRiseDb}, std::pair{"floor", &rule.floorDbfs},
          std::pair{"min-support-severe", &rule.minSupportSevere},
          std::pair{"min-support-strong", &rule.minSupportStrong},
          std::pair{"min-support-mild", &rule.minSupportMild}, std::pair{"agreed-bonus", &rule.agreedBonus},
          std::pair{"max-rival-lead", &rule.maxRivalLead},
          std::pair{"max-rival-lead-quiet", &rule.maxRivalLeadQuiet},
          std::pair{"max-edge-lead", &rule.maxEdgeLead}, std::pair{"min-own-verb-lead", &rule.minOwnVerbLead},
          std::pair{"min-own-verb-lead-at-edge", &rule.minOwnVerbLeadAtEdge},
          std::pair{"min-own-verb-lead-over-words", &rule.minOwnVerbLeadOverWords},
          std::pair{"min-own-verb-lead-noisy", &rule.minOwnVerbLeadNoisy},
          std::pair{"phone-beam", &rule.phoneLoopBeam}})
        if (const QString v = option(argc, argv, name, ""); !v.isEmpty())
            *field = v.toDouble();
    // The whole-utterance pass on every clip (always) or only where it may change the
    // outcome (trusted): --second-pass=always|trusted.
    if (const QString v = option(argc, argv, "second-pass", ""); !v.isEmpty())
        rule.alwaysSecondPass = v == QLatin1String("always");
    if (const QString v = option(argc, argv, "weigh-by-sound", ""); !v.isEmpty())
        rule.weighBySound = v != QLatin1String("0");
    if (const QString v = option(argc, argv, "weigh-every-reading", ""); !v.isEmpty())
        rule.weighEveryReading = v != QLatin1String("0");
    if (const QString v = option(argc, argv, "second-pass-both", ""); !v.isEmpty())
        rule.secondPassBoth = v != QLatin1String("0");
    if (const QString v = option(argc, argv, "fresh-noise", ""); !v.isEmpty())
        rule.freshNoise = v != QLatin1String("0");
    // Every clip's readings, each grammar's and the general model's with the verdict on
    // each, one tab-separated line per clip: to calibrate the rule away from the decoder.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> dump(nullptr, &std::fclose);
    if (const QString v = option(argc, argv, "dump", "BRISKLET_SPEECH_DUMP"); !v.isEmpty()) {
        dump.reset(std::fopen(qUtf8Printable(v), "w"));
        if (!dump) {
            std::fprintf(stderr, "SpeechBench: cannot write %s\n", qUtf8Printable(v));
            return 2;
        }
        std::fputs("#voice\tcondition\tkind\tspoken\tquiet\tfinal\tgeneral\tgeneralScore\tgeneralSaid",
                   dump.get());
        for (const char* g : {"fixed", "shapes"})
            std::fprintf(dump.get(), "\t%s\t%sSaid\t%sScore\t%sCoverage\t%sExtra\t%sCarrier", g, g, g, g, g,
                         g);
        std::fputs(
            "\tfinalMs\tfixedRaw\tshapesRaw\tfreeSure\tverdict\tsevere\tfreeName\theard\triseDb\tagrees"
            "\tsecondPass\tlive\tfixedTrusted\tfixedHarm\tfixedSupport\tshapesTrusted\tshapesHarm"
            "\tshapesSupport\tfixedAgrees\tshapesAgrees\tfixedNumberSure\tshapesNumberSure\tcutShort"
            "\tfixedRivalLead\tshapesRivalLead\tfixedRival\tshapesRival\totherVerbLead\tverbText\tverbAtEdge"
            "\totherWordLead"
            "\n",
            dump.get());
    }
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

    Tables tables;
    double audioSeconds = 0, decodeSeconds = 0;
    const bool verbose = qEnvironmentVariableIsSet("BRISKLET_SPEECH_VERBOSE");
    for (const auto& clip : clips) {
        auto samples = SpeechSet::readClip(clip.file);
        if (!samples) {
            std::fprintf(stderr, "SpeechBench: unreadable %s\n", qUtf8Printable(clip.file));
            return 1;
        }
        const auto decoded =
            SpeechSet::decode(recognizer, *samples, desktop.request(), SpeechSet::roomOf(clip));
        const QString heard = Text::normalize(decoded.finalText.value_or(QString()));
        const auto decision = recognizer.lastDecision();
        audioSeconds += double(samples->size()) / 16000.0;
        decodeSeconds += decoded.decodeSeconds;
        const bool question = clip.expected.isEmpty();
        const QString spoken = question ? QString() : clip.spoken;
        const auto judgement = desktop.judge(spoken, heard);
        const Verdict verdict = judgement.verdict;
        const bool freeName = test::takesFreeName(desktop.matcher->match(spoken));
        const QString kind =
            kindOf.count(clip.spoken) ? kindOf[clip.spoken] : QString(question ? "question" : "recorded");
        tables.add(judgement, question, freeName, kind, clip.condition, clip.voice,
                   decoded.endToFinalSeconds);
        const char* verdictName = verdict == Verdict::right                                 ? "right"
                                  : verdict == Verdict::miss                                ? "miss"
                                  : judgement.wrong == test::SpokenDesktop::Wrong::misheard ? "misheard"
                                                                                            : "other";
        if (dump) {
            const auto said = [&](const QString& text) {
                const auto j =
                    desktop.judge(spoken, Text::normalize(platform::SpeechGrammar::formatNumbers(text)));
                return j.verdict == Verdict::right  ? "right"
                       : j.verdict == Verdict::miss ? "miss"
                       : j.severe                   ? "severe"
                                                    : "wrong";
            };
            std::fprintf(dump.get(), "%s\t%s\t%s\t%s\t%d\t%s\t%s\t%.2f", qUtf8Printable(clip.voice),
                         qUtf8Printable(clip.condition), qUtf8Printable(kind), qUtf8Printable(clip.spoken),
                         decision.quietRoom, said(heard), qUtf8Printable(decision.generalText),
                         decision.generalScorePerFrame);
            std::fprintf(dump.get(), "\t%s", said(decision.generalText));
            for (const auto* r : {&decision.fixed, &decision.shapes})
                std::fprintf(dump.get(), "\t%s\t%s\t%.2f\t%.2f\t%d\t%d", qUtf8Printable(r->text),
                             said(r->text), r->scorePerFrame, r->coverage, r->extraSyllables,
                             r->carrierHeard);
            std::fprintf(dump.get(), "\t%.1f\t%s\t%s\t%.4f\t%s\t%d\t%d\t%s", 1000 * decoded.endToFinalSeconds,
                         qUtf8Printable(decision.fixed.raw), qUtf8Printable(decision.shapes.raw),
                         decision.shapes.freeSure, verdictName, judgement.severe, freeName,
                         qUtf8Printable(heard));
            std::fprintf(
                dump.get(), "\t%.1f\t%d\t%d\t%s", decision.riseDb,
                decision.fixed.agrees + 2 * decision.shapes.agrees + 4 * decision.disagreed,
                decision.secondPass,
                qUtf8Printable(Text::normalize(platform::SpeechGrammar::formatNumbers(decision.liveText))));
            for (const auto* r : {&decision.fixed, &decision.shapes})
                std::fprintf(dump.get(), "\t%d\t%d\t%s", r->trusted, r->harm,
                             r->support ? qUtf8Printable(QString::number(*r->support, 'f', 2)) : "nan");
            std::fprintf(dump.get(), "\t%d\t%d\t%d\t%d\t%d", decision.fixed.agrees, decision.shapes.agrees,
                         decision.fixed.numberSure, decision.shapes.numberSure, decision.cutShort);
            // What the general model heard over a severe reading's verb, and how much
            // better that explains the place.
            for (const auto* r : {&decision.fixed, &decision.shapes})
                std::fprintf(dump.get(), "\t%s",
                             r->rivalLead ? qUtf8Printable(QString::number(*r->rivalLead, 'f', 2)) : "nan");
            for (const auto* r : {&decision.fixed, &decision.shapes})
                std::fprintf(dump.get(), "\t%s", qUtf8Printable(r->rivalHeard.join(QLatin1Char(' '))));
            // How much better another reading of an end's, quit's or undo's verb place
            // explained it than the verb.
            std::fprintf(dump.get(), "\t%s",
                         decision.verbWeighed
                             ? qUtf8Printable(QString::number(decision.otherVerbLead, 'f', 2))
                             : "nan");
            std::fprintf(dump.get(), "\t%s\t%d\t%s", qUtf8Printable(Text::normalize(decision.verbText)),
                         decision.verbAtEdge,
                         decision.verbWeighed
                             ? qUtf8Printable(QString::number(decision.otherWordLead, 'f', 2))
                             : "nan");
            std::fputc('\n', dump.get());
        }
        if (verbose || verdict != Verdict::right)
            std::printf("%s %-6s %-5s \"%s\" → \"%s\" (grammar \"%s\" %.1f/frame cover %.2f, general \"%s\" "
                        "%.1f/frame)\n",
                        verdict == Verdict::right  ? "  "
                        : verdict == Verdict::miss ? "✗"
                        : judgement.severe         ? "!!!"
                                                   : "!!",
                        qUtf8Printable(clip.voice), qUtf8Printable(clip.condition),
                        qUtf8Printable(clip.spoken), qUtf8Printable(heard),
                        qUtf8Printable(decision.grammarText), decision.scorePerFrame, decision.coverage,
                        qUtf8Printable(decision.generalText), decision.generalScorePerFrame);
    }

    std::printf("goals: no severe action; another action ≤ 1 %% of all clips; no question made an action; "
                "flite's kal16 right ≥ 90 %% clean; harm lower than before; final median < 100 ms, p90 < 300 "
                "ms\n");
    std::printf("decoding real-time factor: %.3f (%.1f s of audio in %.1f s)\n",
                audioSeconds > 0 ? decodeSeconds / audioSeconds : 0, audioSeconds, decodeSeconds);
    tables.print();

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
    return phoneLoopMemory(work.filePath("memory"));
}
