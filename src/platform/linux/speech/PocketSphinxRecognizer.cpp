#include "platform/linux/speech/PocketSphinxRecognizer.h"

#include "base/Log.h"
#include "platform/linux/speech/CmnPrior.h"
#include "platform/linux/speech/FliteLexicon.h"
#include "platform/linux/speech/PocketSphinxDecoders.h"
#include "platform/linux/speech/RoomSound.h"
#include "platform/linux/speech/SpeechAgreement.h"
#include "platform/linux/speech/SpeechDictionary.h"
#include "platform/linux/speech/SpeechGrammar.h"
#include "platform/linux/speech/SpeechReading.h"
#include "platform/linux/speech/WorkWatch.h"

#include <pocketsphinx.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>
#include <limits>
#include <map>
#include <set>
#include <vector>

namespace brisklet::platform {

using SpeechDictionary::lookUpWord;
using SpeechDictionary::phonesOf;
using SpeechDictionary::pronunciations;
using SpeechDictionary::syllablesOf;
using SpeechReading::Reading;

namespace {

// How many frames of the model's prior the channel estimate starts with (0.5 s).
constexpr int cmnPriorFrames = 50;
// Utterances up to this long get the whole-utterance grammar pass (8 s).
constexpr std::size_t sampleRate = 16000;
constexpr std::size_t maxSecondPassSamples = 8 * sampleRate;
constexpr int partialEveryBlocks = 3;
// A word goes on past our chime when it goes on this long past where the chime was
// found, whatever the loudness after it did: a voice begun under the chime falls away
// there as the chime's echo does. Measured: the leftovers of a room's echo read as
// words that ended up to 0.144 s after the chime; flite's "mute" and "unmute" begun
// 0.03–0.05 s after the key, 0.168 s and more.
constexpr std::size_t pastChimeSamples = sampleRate * 16 / 100;

} // namespace

void PocketSphinxRecognizer::run(const std::shared_ptr<RecognitionRequest>& request,
                                 const ResultHandler& handler) {
    if (request->isCancelled())
        return;
    if (!decoders_) {
        handler(std::nullopt, QStringLiteral("speech model not loaded"));
        return;
    }
    Decoders& d = *decoders_;
    // The window moves on as long as its work does, however slowly a loaded machine
    // lets it go: this thread's, from its start (the grammars, the room before it, the
    // search for our chime) to its final pass, and the phone loop's, whose weighing
    // the final waits for. A window given up is left at the next step.
    std::vector<clockid_t> helpers;
    if (d.phones)
        if (const auto clock = d.phones->workClock())
            helpers.push_back(*clock);
    const WorkWatch watch(watch_, request, std::move(helpers));
    if (stepHook_)
        stepHook_(Step::windowStart);
    ps_decoder_t* l = d.general;
    const auto guess = [](const std::string& word) { return FliteLexicon::pronounce(word); };

    // The grammars of this window; loaded again only when the phrases changed.
    const auto lookupFor = [l](ps_decoder_t* g) {
        return SpeechGrammar::Lookup([g, l](const std::string& word) { return lookUpWord(g, l, word); });
    };
    const SpeechGrammar::Lookup dictionary = [l](const std::string& word) { return phonesOf(l, word); };
    installGrammar(d.fixed, l,
                   SpeechGrammar::build(request->contextualStrings(),
                                        SpeechGrammar::withoutFree(request->shapes()), lookupFor(d.fixed.ps),
                                        guess, {}, dictionary));
    installGrammar(d.shapes, l,
                   SpeechGrammar::build(request->contextualStrings(), request->shapes(),
                                        lookupFor(d.shapes.ps), guess, d.commonWords, dictionary));
    // Loading a new grammar takes a while on a loaded machine: the final is still on its way.
    request->markProgress();
    // Without an active search a decoder crashes on the first hypothesis.
    std::vector<GrammarDecoder*> grammars;
    for (GrammarDecoder* gd : {&d.fixed, &d.shapes})
        if (gd->ready)
            grammars.push_back(gd);
    const bool useFixed = d.fixed.ready;
    const bool useShapes = d.shapes.ready;

    // The room sound before the window is decoded and thrown away: the front end's
    // noise estimate learns the room, so the onset of a noise is not heard as a word.
    const bool quietRoom = rule_.usePreRoll && isQuiet(request->preRoll(), rule_.quietRoomRms);
    std::vector<ps_decoder_t*> all{l};
    for (GrammarDecoder* gd : grammars)
        all.push_back(gd->ps);
    Floor floor(rule_.floorDbfs);
    Floor loopFloor(rule_.floorDbfs); // the same hiss under the same samples
    // A window after one in which nobody spoke learns the room afresh: a noise
    // estimate carried over from a long silent window took the next window's first
    // sound (our own chime) for speech.
    PhoneLoop* phones = d.phones.get();
    if (rule_.freshNoise || lastHeardNobody_)
        for (ps_decoder_t* ps : all)
            ps_start_stream(ps);
    if (rule_.usePreRoll && !request->preRoll().empty()) {
        const std::vector<int16> room = floor.toPcm(request->preRoll());
        for (ps_decoder_t* ps : all) {
            if (ps_start_utt(ps) >= 0) {
                ps_process_raw(ps, room.data(), room.size(), FALSE, FALSE);
                ps_end_utt(ps);
            }
        }
    }
    // Every utterance starts from the model's own channel estimate, lightly
    // weighted, and follows its own audio from there: a channel mean learnt on a
    // noisy utterance would otherwise spoil the next clean one, and the other way
    // round. (The front end's noise estimate does carry over: forgetting it cost
    // noisy commands more than keeping it.)
    for (GrammarDecoder* gd : grammars)
        gd->prior.restore(gd->ps, cmnPriorFrames);
    d.generalPrior.restore(l, cmnPriorFrames);
    for (ps_decoder_t* ps : all) {
        if (ps_start_utt(ps) < 0) {
            handler(std::nullopt, QStringLiteral("speech decoder could not start"));
            return;
        }
    }
    if (phones)
        phones->begin(cmnPriorFrames);
    // The loop's utterance never outlives the window.
    struct LoopGuard {
        PhoneLoop* phones;
        bool ended = false;
        ~LoopGuard() {
            if (phones && !ended)
                phones->cancel();
        }
    } loopGuard{phones};

    // Nobody spoke in a window that never rose above the room's sound.
    Loudness loudness(request->preRoll());
    const auto playedAt = request->openingSoundAt();
    const auto samplesOf = [](double seconds) { return std::size_t(seconds * sampleRate); };
    OpeningSound openingSound(
        request->openingSound(),
        playedAt
            ? *playedAt + samplesOf(request->openingSoundBacklogIncluded() ? rule_.openingSoundAfterBacklog
                                                                           : rule_.openingSoundAfter)
            : samplesOf(rule_.openingSoundDelay),
        loudness.roomEnergy(),
        playedAt ? *playedAt - std::min(*playedAt, samplesOf(rule_.openingSoundBefore)) : 0);
    // Our chime is nobody's voice: what the general model heard only there is the
    // chime's, and the window holds words only once one goes on past where the chime
    // was found. A voice begun under the chime falls away after it as its echo would,
    // so a word that goes on into that stretch is speech, where it is loud enough.
    ChimeWords chimeWords;
    // Where this route's microphone has been hearing our chime and this window's search
    // found nothing, it still lies where it was due: a match spoilt on a loaded server
    // is no license for its sound.
    const auto chimePlace = [&]() -> std::optional<std::pair<std::size_t, std::size_t>> {
        if (const auto place = openingSound.place())
            return place;
        if (playedAt && request->openingSoundBacklogIncluded() && request->openingSoundHeardLately())
            return std::pair(*playedAt, *playedAt + request->openingSound().size());
        return std::nullopt;
    };
    const auto pastTheChime = [&](const Reading& general) {
        const auto chime = chimePlace();
        return openingSound.settled() &&
               chimeWords.goOnPast(chime ? chime->second + pastChimeSamples : 0, general);
    };
    const auto heardSomebody = [&] {
        return loudness.riseDb() >= rule_.minRiseDb || loudness.riseSinceSkipDb() >= rule_.minRiseOverEchoDb;
    };
    const SpeechAgreement agreement(l, request->shapes());

    // One grammar's reading against the general model's and, once weighed, against the sound.
    std::map<QString, double> weighed; // a reading's text → its support
    auto judge = [&](ps_decoder_t* g, const Reading& reading, const Reading& general) {
        Decision::Reading out;
        out.raw = reading.text;
        out.hasFree = reading.text.contains(QLatin1Char(SpeechGrammar::freeMark));
        out.text =
            out.hasFree ? SpeechReading::withFreeWordsHeard(reading, general, &out.freeSure) : reading.text;
        out.carrierHeard = out.hasFree && SpeechReading::carrierHeard(l, reading.text, general.text);
        out.harm = int(agreement.harmOf(reading.text));
        out.bringsForward = agreement.bringsForward(reading.text);
        if (const auto it = weighed.find(out.text); it != weighed.end())
            out.support = it->second;
        if (const auto rival = agreement.rivalOf(reading, general, loudness.openedOnVoice(rule_.minRiseDb))) {
            out.rival = true;
            out.rivalPlace = rival->place;
            out.rivalHeard = rival->heard;
            out.rivalAtEdge = rival->atEdge;
            const auto said = weighed.find(rival->saidKey(reading.text));
            const auto heard = weighed.find(rival->heardKey(reading.text));
            // In a quiet room the small words decide too: "that" of "shut that morning"
            // said for "shut up morning" is borne out by nothing. In noise a small word
            // the grammar slips in where nothing was said ("kill a slack" for "kill
            // slack") is borne out by nothing either, and refused right commands.
            if (quietRoom && rival->place > 0 && said != weighed.end() && out.support)
                out.support = std::min(*out.support, said->second);
            if (said != weighed.end() && heard != weighed.end())
                out.rivalLead = heard->second - said->second;
        }
        out.agrees = !out.text.isEmpty() && agreement.agrees(g, reading.text, general.text);
        out.scorePerFrame = reading.scorePerFrame;
        // Where the general model heard no speech, a grammar's path is forced onto noise.
        out.coverage =
            general.speechFrames > 0 ? static_cast<double>(reading.speechFrames) / general.speechFrames : 0.0;
        out.extraSyllables = syllablesOf(l, general.text) - syllablesOf(g, reading.text);
        return out;
    };
    // The phrases' grammar first, unless the free slots' grammar heard its phrase go on
    // into a free slot; then the free slots' grammar, in a quiet room or where the
    // general model was sure of the free words. Either is acted on only where the
    // evidence bears out what decides it. Where the phrases' reading would be trusted
    // but the evidence does not hold up, the window takes nothing: the general model's
    // text then made actions of its own out of misheard verbs ("study setup" heard as
    // "shut the setup", "end writing room" as "writing them").
    auto choose = [&](const Reading& fixedReading, const Reading& shapesReading, const Reading& general,
                      Decision& decision) {
        decision = {};
        decision.generalText = general.text;
        decision.generalScorePerFrame = general.scorePerFrame;
        decision.quietRoom = quietRoom;
        if (useFixed)
            decision.fixed = judge(d.fixed.ps, fixedReading, general);
        if (useShapes)
            decision.shapes = judge(d.shapes.ps, shapesReading, general);
        const Decision::Reading& fixed = decision.fixed;
        const Decision::Reading& shapes = decision.shapes;
        const bool cutShort = shapes.hasFree && SpeechReading::goesOn(fixed.raw, shapes.raw) &&
                              shapes.scorePerFrame >= fixed.scorePerFrame - rule_.cutShortMargin;
        const bool fixedTrusted = useFixed && fixed.plausible(rule_, quietRoom) && !cutShort &&
                                  fixed.scorePerFrame >= rule_.minScorePerFrame &&
                                  fixed.scoresNumberSurely(rule_);
        const bool shapesTrusted =
            useShapes && shapes.hasFree && shapes.plausible(rule_, quietRoom) &&
            ((quietRoom && shapes.scorePerFrame >= rule_.minScorePerFrame) ||
             (shapes.freeSure >= rule_.minFreeSure && shapes.scorePerFrame >= rule_.minFreeScorePerFrame));
        decision.fixed.trusted = fixedTrusted;
        decision.fixed.numberSure = fixed.scoresNumberSurely(rule_);
        decision.shapes.numberSure = shapes.scoresNumberSurely(rule_);
        decision.cutShort = cutShort;
        decision.shapes.trusted = shapesTrusted;
        // Nothing is ended, quit, run or captured from a question, whatever the grammar
        // forced onto it ("uh what is a setup" read as "done with standup" or "make a
        // setup"): it goes on as the question the general model heard. Milder readings
        // stay, as the general model hears some commands as questions.
        const bool question = agreement.heardQuestion(general.text);
        const auto harmless = [&](const Decision::Reading& r) {
            return !question ||
                   (r.harm != int(SpeechAgreement::Harm::severe) && !agreement.capturesSetup(r.raw));
        };
        const bool fixedKept = fixedTrusted && fixed.supported(rule_, quietRoom) && harmless(fixed);
        const bool shapesKept = !fixedKept && shapesTrusted && shapes.carrierHeard &&
                                shapes.supported(rule_, quietRoom) && harmless(shapes);
        const Decision::Reading& shown = shapesKept || !useFixed ? shapes : fixed;
        decision.grammarText = shown.text;
        decision.scorePerFrame = shown.scorePerFrame;
        decision.coverage = shown.coverage;
        decision.grammarKept = fixedKept || shapesKept;
        decision.phrasesKept = fixedKept;
        decision.riseDb = loudness.riseSinceSkipDb();
        decision.question = question;
        decision.disagreed = fixedTrusted && !fixedKept && !shapesKept && !question;
        if (decision.grammarKept)
            return shown.text;
        return decision.disagreed ? QString() : general.text;
    };
    // What a grammar decoder heard so far.
    const auto live = [](const GrammarDecoder& gd) {
        return gd.ready ? SpeechReading::read(gd.ps) : Reading{};
    };

    std::vector<float> chunk;
    std::vector<int16> pcm;
    std::vector<int16> utterance;
    QString lastPartial;
    bool failed = false;
    int blocks = 0;
    // The sizes of the blocks held back from the decoders while our chime is looked
    // for at the window's start: they are decoded in the blocks they came in, as
    // every other window's are.
    std::deque<std::size_t> heldSizes;
    const auto decode = [&](const std::vector<float>& settled, bool feedLoop) {
        for (std::size_t at = 0; at < settled.size() && !heldSizes.empty();) {
            const std::size_t n = std::min(heldSizes.front(), settled.size() - at);
            heldSizes.pop_front();
            const std::vector<float> block(settled.begin() + std::ptrdiff_t(at),
                                           settled.begin() + std::ptrdiff_t(at + n));
            at += n;
            if (failed)
                continue;
            loudness.add(block);
            pcm = floor.toPcm(block);
            if (utterance.size() <= maxSecondPassSamples)
                utterance.insert(utterance.end(), pcm.begin(), pcm.end());
            if (phones && feedLoop)
                phones->feed(loopFloor.toPcm(block));
            for (ps_decoder_t* ps : all)
                if (ps_process_raw(ps, pcm.data(), pcm.size(), FALSE, FALSE) < 0)
                    failed = true;
            if (!failed)
                for (ps_decoder_t* ps : all)
                    CmnPrior::follow(ps);
            chimeWords.decoded(n, ps_get_n_frames(l));
        }
    };
    // The phone loop, the slowest to keep up, is not kept waiting for the search: it
    // hears the start as it comes, and again without the chime where it turns up.
    const auto take = [&](const std::vector<float>& samples, bool end) {
        const bool searching = !openingSound.settled();
        if (searching && phones && !end)
            phones->feed(loopFloor.toPcm(samples));
        const std::vector<float> settled = end ? openingSound.rest() : openingSound.take(samples);
        bool loopHeardIt = searching;
        if (searching && openingSound.settled()) {
            // What is left of the chime is no one's voice.
            request->noteOpeningSoundFound(openingSound.place().has_value());
            const auto due = openingSound.place() ? std::nullopt : chimePlace();
            loudness.skip(openingSound.found() ? openingSound.found()->second : due ? due->second : 0);
            if (openingSound.found() || due)
                loudness.chimeFrom(openingSound.found() ? openingSound.found()->first : due->first);
            if (openingSound.found() && phones) {
                phones->cancel();
                phones->begin(cmnPriorFrames);
                loopFloor = Floor(rule_.floorDbfs);
                loopHeardIt = false;
            }
        }
        decode(settled, !loopHeardIt);
    };
    for (;;) {
        const auto next = request->next(chunk);
        if (next != RecognitionRequest::Next::audio) {
            if (next != RecognitionRequest::Next::cancelled)
                take({}, true);
            // Each part of the final pass marks the window's progress as it is done too.
            bool ended = true;
            for (ps_decoder_t* ps : all) {
                ended = ps_end_utt(ps) >= 0 && ended;
                request->markProgress();
            }
            if (next == RecognitionRequest::Next::cancelled || request->isCancelled())
                return;
            if (failed || !ended) {
                handler(std::nullopt, QStringLiteral("speech decoding failed"));
                return;
            }
            const Reading general = SpeechReading::read(l);
            request->markProgress();
            Decision decision;
            const bool pastChime = pastTheChime(general);
            // A word already shown is not taken back: the final's segmentation may put
            // the end of a word said under the chime a few frames earlier.
            lastHeardNobody_ = lastPartial.isEmpty() && (!heardSomebody() || !pastChime);
            // Where the chime and the last word were, for the log and for measuring.
            const auto seen = [&](Decision& made) {
                if (const auto chime = openingSound.place())
                    made.chime = {double(chime->first) / sampleRate, double(chime->second) / sampleRate};
                made.chimeMatch = openingSound.match();
                if (!general.words.empty())
                    made.lastWordEnd = double(chimeWords.samplesAt(general.words.back().end)) / sampleRate;
            };
            seen(decision);
            if (lastHeardNobody_) {
                decision.riseDb = loudness.riseSinceSkipDb();
                decision.generalText = general.text;
                {
                    std::lock_guard lock(mutex_);
                    lastDecision_ = decision;
                }
                BK_DETAIL(lcSpeech) << "final: nobody spoke, the window rose" << decision.riseDb
                                    << "dB over the room; heard past our chime:" << pastChime << ";"
                                    << decision.placesText();
                handler(RecognitionResult{QString(), true}, {});
                return;
            }
            // What the live readings give. The whole-utterance pass below pays only
            // where it may change that: a phrase trusted as it stands keeps it.
            Reading fixedReading = live(d.fixed);
            Reading shapesReading = live(d.shapes);
            QString text = choose(fixedReading, shapesReading, general, decision);
            const QString liveText = text;
            const bool settled = decision.phrasesKept &&
                                 !SpeechReading::goesOn(decision.fixed.raw, decision.shapes.raw) &&
                                 !rule_.alwaysSecondPass;
            // The readings to weigh against the sound, each text once a window.
            struct Weighing {
                std::future<std::vector<std::optional<double>>> supports;
                std::vector<QString> texts;
            };
            std::vector<Weighing> weighings;
            std::vector<QString> asked;
            // Starts weighing the readings of `made` that could be acted on.
            const auto weighFor = [&](const Decision& made) {
                if (!phones || !rule_.weighBySound)
                    return;
                std::vector<PhoneLoop::Candidate> candidates;
                std::vector<QString> texts;
                const auto ask = [&](const QString& key, PhoneLoop::Candidate candidate) {
                    if (std::find(asked.begin(), asked.end(), key) != asked.end())
                        return;
                    asked.push_back(key);
                    texts.push_back(key);
                    candidates.push_back(std::move(candidate));
                };
                const auto add = [&](ps_decoder_t* g, const Decision::Reading& r) {
                    if (r.text.isEmpty())
                        return;
                    const QStringList own = r.raw.split(QLatin1Char(' '), Qt::SkipEmptyParts);
                    PhoneLoop::Candidate candidate;
                    for (const QString& word : r.text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                        PhoneLoop::Word w{word, pronunciations(g, word.toStdString()), false};
                        if (w.phones.empty())
                            w.phones = pronunciations(l, word.toStdString());
                        // A free word only holds a place the general model spells.
                        w.decides = own.contains(word) && SpeechAgreement::decides(word);
                        candidate.push_back(std::move(w));
                    }
                    ask(r.text, std::move(candidate));
                    if (r.rival)
                        for (auto& [key, weighing] :
                             SpeechAgreement::Rival{r.rivalPlace, r.rivalHeard, r.rivalAtEdge}.weighings(
                                 g, l, r.text, agreement.verbs()))
                            ask(key, std::move(weighing));
                };
                if (made.fixed.trusted || rule_.weighEveryReading)
                    add(d.fixed.ps, made.fixed);
                if ((made.shapes.trusted && made.shapes.carrierHeard) || rule_.weighEveryReading)
                    add(d.shapes.ps, made.shapes);
                if (!candidates.empty())
                    weighings.push_back({phones->weigh(std::move(candidates)), std::move(texts)});
            };
            // The live reading is weighed while the grammars decode the utterance again:
            // where the whole pass reads the same, its weight is ready when that pass is.
            weighFor(decision);
            // The grammar pass is cheap, so a short utterance is decoded once more as a
            // whole, with its channel estimate taken from all of it: much better in noise.
            const bool wholeAgain =
                !settled && !utterance.empty() && utterance.size() <= maxSecondPassSamples;
            // A live reading, or the whole pass's where that pass went through.
            const auto readAgain = [&](GrammarDecoder& gd, const Reading& live) {
                if (gd.ready && wholeAgain && !request->isCancelled() && ps_start_utt(gd.ps) >= 0 &&
                    ps_process_raw(gd.ps, utterance.data(), utterance.size(), FALSE, TRUE) >= 0 &&
                    ps_end_utt(gd.ps) >= 0) {
                    request->markProgress();
                    return SpeechReading::read(gd.ps);
                }
                return live;
            };
            // The free slots' grammar is decoded again only where it may change the
            // outcome: the phrase is not trusted as it stands, or the free slots' grammar
            // heard it go on into a free slot.
            if (wholeAgain) {
                fixedReading = readAgain(d.fixed, fixedReading);
                text = choose(fixedReading, shapesReading, general, decision);
                if (!decision.phrasesKept || rule_.secondPassBoth ||
                    SpeechReading::goesOn(decision.fixed.raw, decision.shapes.raw)) {
                    shapesReading = readAgain(d.shapes, shapesReading);
                    text = choose(fixedReading, shapesReading, general, decision);
                }
            }
            if (request->isCancelled())
                return;
            // The readings that could be acted on are weighed against the sound. The loop
            // has kept up with the audio; aligning a reading is one quick pass.
            weighFor(decision);
            // A final still being weighed is on its way while the loop works on; this
            // thread only waits, waking to see whether the window was given up.
            const auto await = [&](std::future<std::vector<std::optional<double>>>& weighing) {
                const WorkWatch::Waiting waiting(watch);
                while (weighing.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
                    if (request->isCancelled())
                        return false;
                return true;
            };
            if (!weighings.empty()) {
                for (auto& [weighing, weighedTexts] : weighings) {
                    if (!await(weighing))
                        return;
                    const auto supports = weighing.get();
                    loopGuard.ended = true;
                    for (std::size_t i = 0; i < supports.size() && i < weighedTexts.size(); ++i)
                        if (supports[i])
                            weighed[weighedTexts[i]] = *supports[i];
                }
                request->markProgress();
                text = choose(fixedReading, shapesReading, general, decision);
            }
            // An end, a quit or an undo is done only where the sound bears out its verb
            // in its place better than whatever else may have been said there: the
            // other verbs, the end of one before the window, the general model's own
            // word, a short word before a name. A close call is a miss.
            {
                const bool atEdge = loudness.openedOnVoice(rule_.minRiseDb);
                auto rivals = agreement.verbRivals(d.fixed.ps, text, general.text, atEdge);
                if (!rivals.readings.empty()) {
                    SpeechAgreement::VerbRivals::Leads leads;
                    if (phones && rule_.weighBySound) {
                        auto weighing = phones->weigh(std::move(rivals.readings));
                        if (!await(weighing))
                            return;
                        leads = rivals.leads(weighing.get());
                        loopGuard.ended = true;
                    }
                    decision.verbWeighed = true;
                    decision.verbText = SpeechGrammar::formatNumbers(text);
                    decision.otherVerbLead = leads.verb;
                    decision.otherWordLead = leads.word;
                    decision.verbAtEdge = atEdge;
                    // A verb begun under our chime: the window's start quiet, the voice
                    // already sounding as the chime ended.
                    const bool underChime = !atEdge && loudness.openingRiseDb() >= rule_.minRiseDb;
                    if (!rule_.ownVerbStands(leads.verb, leads.word, atEdge, quietRoom, underChime,
                                             rivals.shortWordHeard))
                        text.clear();
                }
            }
            decision.secondPass = wholeAgain;
            seen(decision);
            decision.liveText = liveText;
            text = SpeechGrammar::formatNumbers(text);
            const Decision::Reading& shown =
                decision.phrasesKept || !decision.shapes.support ? decision.fixed : decision.shapes;
            BK_DETAIL(lcSpeech)
                << "final: grammar" << decision.grammarText << "score/frame" << decision.scorePerFrame
                << "coverage" << decision.coverage << "general" << decision.generalText << "support"
                << shown.support.value_or(std::numeric_limits<double>::quiet_NaN()) << "rival"
                << shown.rivalText() << "lead"
                << shown.rivalLead.value_or(std::numeric_limits<double>::quiet_NaN()) << "verb lead"
                << (decision.verbWeighed ? decision.otherVerbLead : std::numeric_limits<double>::quiet_NaN())
                << "word lead"
                << (decision.verbWeighed ? decision.otherWordLead : std::numeric_limits<double>::quiet_NaN())
                << "kept" << decision.grammarKept << ";" << decision.placesText();
            {
                std::lock_guard lock(mutex_);
                lastDecision_ = decision;
            }
            handler(RecognitionResult{text, true}, {});
            return;
        }
        if (failed) {
            request->chunkDone();
            continue;
        }
        heldSizes.push_back(chunk.size());
        take(chunk, false);
        if (failed) {
            request->chunkDone();
            continue;
        }
        // Partials follow the same rule as the final, so a question never shows up as
        // the command the grammar forced it into. Checked every few blocks: the
        // listening window ticks only every 0.2 s anyway.
        if (++blocks % partialEveryBlocks != 0) {
            request->chunkDone();
            continue;
        }
        if (!heardSomebody()) {
            request->chunkDone();
            continue;
        }
        const Reading general = SpeechReading::read(l);
        if (!pastTheChime(general)) {
            request->chunkDone();
            continue;
        }
        Decision decision;
        const QString partial =
            SpeechGrammar::formatNumbers(choose(live(d.fixed), live(d.shapes), general, decision));
        if (partial != lastPartial && !partial.isEmpty()) {
            lastPartial = partial;
            handler(RecognitionResult{partial, false}, {});
        }
        // Only now is the chunk done: whoever waits for the backlog has its partial too.
        request->chunkDone();
    }
}

} // namespace brisklet::platform
