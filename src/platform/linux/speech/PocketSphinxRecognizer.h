#pragma once

#include "base/SerialQueue.h"
#include "platform/SpeechRecognizer.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace brisklet::platform {

// When the grammar decoder's hypothesis is believed (re-measure with real recordings).
// Every constant is chosen on SpeechBench's tuning voices (flite's slt, rms and awb,
// four espeak-ng voices), clean and with pink noise at 15 dB; the checking voices
// only report on it.
struct GrammarRule {
    // Right commands mostly score above −30 per frame, questions forced into the
    // grammar mostly −50…−30 (−28 lost a tenth of the right commands of the tuning
    // voices, −32 let more wrong ones through); short forced paths give themselves
    // away by covering less than half of what the general model heard.
    double minScorePerFrame = -30.0; // path score per frame
    double minCoverage = 0.45;       // grammar's speech frames ÷ the general model's
    // In a quiet room the general model hears speech well, so a right command covers
    // nearly all of it (measured 0.80 and up); a name forced onto another ("quit
    // photoshop" → "quit featherpad") covers about 0.6.
    double minCoverageQuiet = 0.75;
    double quietRoomRms = 0.003; // the room sound before the window, below −50 dBFS
    // A question forced into a short command leaves the general model with more to
    // say than the grammar's text; counted in syllables, which a name the general
    // model does not know keeps even when it falls apart into short words (measured:
    // questions up to 7 more, right commands at most 2).
    int maxExtraSyllables = 2;
    bool usePreRoll = true; // learn the room's noise from the sound before a window
    // A free slot ("save layout as …", "play …") takes the general model's most
    // likely words, this many, besides the window's own. They only hold the place:
    // the general model spells what was said there. Measured on flite speech: 100,
    // 400 and 2000 words gave the same plans, and the fewer the sooner the final.
    int freeWords = 100;
    // A phrase is cut short when the free slots' grammar heard its first word go on
    // into a free slot ("new setup" of "new setup called gym", "save a setup" of
    // "save layout as coding") and that path scored no more than this much worse.
    // Measured: cut phrases scored up to 11.7 better than the free path; a margin
    // of 6 let a third more wrong actions through.
    double cutShortMargin = 12.0;
    // Out of a quiet room, free words are believed only when the carrier was heard
    // and the general model was at least this sure of every free word (its lattice
    // posterior): in 15 dB noise it spelled new names wrong, and was never surer of
    // them than 0.09; clean, a right name was as sure as 0.1 to 1.
    double minFreeSure = 0.15;
    // The free slots' path must score this well besides (−30 lost right names and
    // kept out no wrong action).
    double minFreeScorePerFrame = -34.0;
    // A count or a volume level is one of a hundred words, so noise fits one of them
    // easily ("volume up" → "volume nine", "study setup" → "split seven"): out of a
    // quiet room a path through a number must score this well, in quiet rooms too.
    // Neither −25 nor −29 did better.
    double minNumberScorePerFrame = -27.1;
    // A window whose loudest tenth of a second never rose this far above the room's
    // sound (the sound before the window, or the window's own quietest stretch)
    // heard nobody: it yields no transcript, whatever a grammar forced onto it.
    // Speech at 15 dB over pink noise rose 19.7 dB and more.
    double minRiseDb = 8.0;
    // A voice begun under our chime falls away after it as the chime's echo does, so
    // that stretch counts only where it rose this far: measured, a room's echo of the
    // chime over its noise 8–14 dB, "mute" said under the chime 29 dB and more.
    double minRiseOverEchoDb = 20.0;
    // Our chime as a window opens reaches the microphone at most this late; until it
    // has died away, loudness says nothing of anybody speaking (over a silent
    // microphone the chime alone read as "tile").
    double openingSoundDelay = 0.25;
    // Where the window knows how much it held when the chime was played, the chime is
    // looked for from this much before that place to this much after: a server starts
    // a sample up to 85 ms late, and the capture's own backlog (up to an idle fragment
    // of 0.2 s on PipeWire) comes on top; measured up to 0.45 s in all.
    double openingSoundBefore = 0.06;
    double openingSoundAfter = 0.45;
    // Where that place takes in the capture's backlog too, the chime is due there but
    // for the server's start: measured right there on PulseAudio, one graph cycle
    // (43 ms) after it on PipeWire, and once 0.3 s after it at load 20.
    double openingSoundAfterBacklog = 0.40;
    // Decode every utterance a second time as a whole, even where the live reading is
    // trusted as it stands. On: skipping it there let a question heard in noise pass
    // for a command ("how do I open a jar" as "focus my editor").
    bool alwaysSecondPass = true;
    // Each window learns the room's noise anew. Off: it changed how clean speech is
    // spelled; only a window after one in which nobody spoke starts afresh.
    bool freshNoise = false;
    // The hiss laid under every window (0: none); −70 and −60 helped synthetic
    // voices less.
    double floorDbfs = 0;
    // A grammar always finds a path, so each reading is weighed against the sound
    // itself: every word that decides its action must explain its frames nearly as
    // well as an unconstrained phone loop does over the same frames (their score
    // difference per frame, the least over those words). The worse the action when
    // wrong, the higher the bar. Chosen by the harm cost on the tuning voices: right
    // readings of flite's voices clean scored −11 in the median, forced ones −25 to
    // −100; in noise and on espeak-ng's voices the two overlap from about −35 to −15.
    // Off: the general model's hearing of the verb decides, as it does for partials.
    bool weighBySound = true;
    double minSupportSevere = -27.5; // quit, close, end or run a setup
    double minSupportStrong = -30.0; // open or bring forward an app, apply a layout
    double minSupportMild = -30.0;   // volume, media, windows
    // A reading that brings an app forward needs its verb heard by the general model
    // as well: the sound bore out "show that firefox" for "shut down firefox", the
    // opposite of what was said (measured before the sound was weighed: 18 right
    // commands lost, 2 severe and 4 other wrong actions saved on the tuning voices).
    bool forwardNeedsVerbHeard = true;
    // Where the general model heard the reading's verb too, the bars are this much
    // lower. Measured: any bonus let more wrong readings through than it saved.
    double agreedBonus = 0.0;
    // Where the general model heard other words over a quit's, end's or setup run's
    // verb and its small words ("it every day" for "end everyday"), the reading is
    // refused when those words explain that place better than the reading's by more
    // than this per frame. Said alike ("and" for "end") they are no rival. In a quiet
    // room the general model hears the words said, and a short word it heard there
    // led a verb forced onto it by 11 to 36 (right verbs: at most 8.4); in noise it
    // fills the place with whatever it can ("this life", "then the water", "filled"
    // over "done with"), which led right verbs by up to 37. Measured on both groups of
    // voices, on repeatable clips: a bar of 25 in noise refused two right commands and
    // no reading that would have acted otherwise; 10 lost five right commands of the
    // tuning voices and four of the checking voices for one severe action saved.
    double maxRivalLead = 40.0;
    double maxRivalLeadQuiet = 10.0;
    // A setup's name said alone at the window's start runs nothing when the end of a
    // verb explains the stretch before it better than the room's silence does: the
    // verb said with it lay before the window ("end writing room" with its "end" cut
    // off to "d"). Measured on windows opened 0.1–0.2 s into the "end" of flite's "end
    // writing room": where the name was read alone, the end of a verb led silence by 8
    // to 38, but by −28 and −14 where hardly anything of "end" was left.
    double maxEdgeLead = 0.0;
    // An end, a quit or an undo acts only where its own verb explains its place (from
    // the utterance's start through the word after it, so that places filled with
    // longer or shorter words are weighed over the same frames) better by this much
    // than every other reading of that place: the other verbs the grammar allows there
    // and, where the window opened on a voice, the end of one said before it; the
    // general model's own word and the short words said before names ("it", "but",
    // "shut up" …); an undo better than "unmute" and "mute". A close call is a miss.
    // Words two phones off the verb ("then" and "in" for "end") are no rivals: the sound
    // cannot tell them apart. Measured on both groups of voices: clean, right ends and
    // quits led the best other reading by 0.3 and more, so any margin above 0 lost them.
    double minOwnVerbLead = 0.0;
    // Over the general model's and the short words a right verb may trail a little in
    // a quiet room: slt's clear "close galculator" trailed "glance" by 1.6, while "the
    // deep work setup" read "kill deep work setup" trailed "the" by 9.2.
    double minOwnVerbLeadOverWords = -3.0;
    // Out of a quiet room the general model fills the verb's place with whatever it can
    // ("feels alive" over "kill slack", "thank them" over "close"), and noise fits other
    // verbs nearly as well: there the verb may trail any other reading by this much.
    // Measured: right commands in 15 dB noise trailed other words by up to 13.1 and
    // other verbs by up to 6; at 0 the tuning voices lost 16 right commands and the
    // checking voices 3, for one severe action saved; −14 loses none on either group.
    double minOwnVerbLeadNoisy = -14.0;
    // Where the window opened on a voice, what its start holds may be the end of any
    // word said before it: "…pen galculator" of slt's "open galculator" begun 0.1–0.2 s
    // before the key was read "end galculator", its "end" leading the end of "open" by
    // 2.7. No bench clip opens on a voice; measured on the over-chime tests.
    double minOwnVerbLeadAtEdge = 5.0;
    // A verb begun under our chime in a quiet room must lead the general model's and the
    // short words by this much: slt's "the deep work setup" said 0.15 s after the key
    // read "quit deep work setup", its verb over "the" by 0.04; rms's "end everyday"
    // said 0.05 s after the key led them by 2.5.
    double minOwnVerbLeadUnderChime = 1.0;
    // And where the general model itself heard one of those short words there, by this
    // much: what is left of "the" under the chime fits "quit" as well as "the" does.
    // Measured on slt's "the deep work setup" said 0.15 s after the key over a room's
    // copy of the chime, heard "the g flex set up": "quit" led "the" by 0.04 to 1.4 as
    // the windows before it differed; every right "end everyday" said under the chime
    // was heard "and every day" and led the words by 2.5 and more.
    double minOwnVerbLeadUnderChimeOverHeardWord = 4.0;
    // Whether an end's, a quit's or an undo's verb stands at these margins, given how
    // much better the best other verb and the best other word explain its place than it
    // does: `atEdge` the window opened on a voice, `underChime` the verb began under
    // our chime, `shortWordHeard` the general model heard a short word in its place.
    bool ownVerbStands(double verbLead, double wordLead, bool atEdge, bool quietRoom, bool underChime,
                       bool shortWordHeard) const;
    double phoneLoopBeam = 1e-20;
    // Decode the free slots' grammar a second time even where the phrases were kept
    // (for measuring the rule away from the decoder).
    bool secondPassBoth = false;
    // Weigh every reading against the sound, trusted or not (for measuring).
    bool weighEveryReading = false;
};

// On-device recognition with PocketSphinx and the shipped US English model, on its
// own worker thread. Two decoders hear the same audio: one constrained to a grammar
// of the phrases we expect (fast and exact for known commands) and one with the
// general language model. The grammar's text is kept only when it looks trustworthy,
// so a phrase that fits no command comes out as free text instead of the nearest
// command.
class PocketSphinxRecognizer final : public SpeechRecognizer {
public:
    using Rule = GrammarRule;

    // The folder that holds "en-us/" of the pocketsphinx-en-us package.
    static QString defaultModelDir();

    explicit PocketSphinxRecognizer(QString modelDir = defaultModelDir(), Rule rule = {});
    ~PocketSphinxRecognizer() override;

    // Loads the model in the background; available once both decoders are ready.
    void load();
    // Blocks until the load finished (tools and tests); returns isAvailable().
    bool waitUntilLoaded();

    bool isAvailable() const override { return available_.load(); }
    bool isLoading() const override { return loadStarted_.load() && !loadFinished_.load(); }
    bool supportsOnDeviceRecognition() const override { return true; }
    void recognize(std::shared_ptr<RecognitionRequest> request, ResultHandler handler) override;

    // What the rule decided, per utterance (for measuring).
    struct Decision {
        // One grammar's reading, free words as the general model spelled them.
        struct Reading {
            QString text;
            QString raw; // as the grammar heard it, free words marked
            double scorePerFrame = 0;
            double coverage = 0;
            int extraSyllables = 0;
            bool hasFree = false;
            bool carrierHeard = false;
            bool agrees = false;    // the general model heard what decides its action
            bool trusted = false;   // passed the score, coverage and number rules
            bool numberSure = true; // no number in it, or one scored surely
            int harm = 0;           // SpeechAgreement::Harm
            bool bringsForward = false;
            // The least, over the words that decide the action, of how much better the
            // reading explains their frames than the phone loop, per frame; unknown
            // without the loop.
            std::optional<double> support;
            // What the general model heard over the verb of a reading that quits, ends
            // or runs something, when it heard other words or none (the reading's first
            // `rivalPlace` words; none before a setup's name said alone at the window's
            // start), and how much better they, or what holds a stretch heard as no
            // word, explain that place.
            bool rival = false;
            int rivalPlace = 0;
            QStringList rivalHeard;
            bool rivalAtEdge = false; // the window's audio began with somebody speaking
            std::optional<double> rivalLead;
            double freeSure = 1; // the least posterior among the free words heard
            // What the general model heard over the verb, for the log: its words, or
            // what it heard there as no word.
            QString rivalText() const;
            // A number in it scored surely enough, or none is there.
            bool scoresNumberSurely(const GrammarRule& rule) const;
            // It covers what the general model heard well enough and leaves it little more.
            bool plausible(const GrammarRule& rule, bool quietRoom) const;
            // The evidence bears out what decides its action.
            bool supported(const GrammarRule& rule, bool quietRoom) const;
        };
        Reading fixed, shapes;
        // The reading kept, or the phrases' own when none was.
        QString grammarText;
        double scorePerFrame = 0;
        double coverage = 0;
        QString generalText;
        double generalScorePerFrame = 0;
        bool grammarKept = false;
        bool phrasesKept = false; // the phrases' grammar's, not the free slots'
        // The phrases' reading passed every threshold but the evidence did not hold
        // up: nothing was taken.
        bool disagreed = false;
        // The free slots' grammar heard the phrase go on into a free slot.
        bool cutShort = false;
        bool quietRoom = false;
        // The general model heard a question: nothing is ended, quit or run from it.
        bool question = false;
        // An end, quit or undo was weighed against what else its verb's place may hold.
        bool verbWeighed = false;
        QString verbText;        // the text so weighed
        bool verbAtEdge = false; // its window opened on a voice
        // How much better the best other command word explained that place than the
        // verb (+inf: the verb could not be weighed; −inf: nothing else could).
        double otherVerbLead = 0;
        double otherWordLead = 0; // the same for the other words (the general model's, short ones)
        double riseDb = 0;        // the window's loudest stretch over the room's sound
        bool secondPass = false;  // the whole utterance was decoded again
        QString liveText;         // what the rule made of the live readings
        // Where our chime was found in the window, [from, to) in seconds, and how well
        // its start matched it; where the general model's last word ended.
        std::optional<std::pair<double, double>> chime;
        double chimeMatch = 0;
        std::optional<double> lastWordEnd;
        // Those places, for the log.
        QString placesText() const;
    };
    Decision lastDecision() const;

    // Stops the worker: the current window is cancelled, nothing more is decoded.
    void shutdown();

    // Tests: `hook` runs on the thread at work as each window starts (the recogniser's)
    // and as each of its weighings starts (the phone loop's), to make that step slow.
    enum class Step { windowStart, weighing };
    void setStepHook(std::function<void(Step)> hook);

private:
    struct Decoders;
    void loadNow();
    void run(const std::shared_ptr<RecognitionRequest>& request, const ResultHandler& handler);

    const QString modelDir_;
    const Rule rule_;
    std::unique_ptr<Decoders> decoders_; // worker thread only
    bool lastHeardNobody_ = false;       // worker thread only
    std::function<void(Step)> stepHook_; // worker thread only
    std::atomic<bool> available_{false};
    std::atomic<bool> loadStarted_{false};
    std::atomic<bool> loadFinished_{false};
    mutable std::mutex mutex_;
    std::vector<std::weak_ptr<RecognitionRequest>> open_; // submitted windows
    Decision lastDecision_;
    SerialQueue queue_;
    // Watches a window's work (WorkWatch).
    SerialQueue watch_;
};

} // namespace brisklet::platform
