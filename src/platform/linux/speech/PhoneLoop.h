#pragma once

#include "base/SerialQueue.h"
#include "platform/linux/speech/CmnPrior.h"

#include <QByteArray>
#include <QString>

#include <pocketsphinx.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <time.h>

struct acmod_s;

namespace brisklet::platform {

// The sound's own word on a reading. A grammar always finds some path through its
// phrases, so whether a word was said at all shows in how much better the word
// explains its frames than the best string of any phones does over the same frames.
// One decoder of its own, on a thread of its own, hears every window through an
// unconstrained phone loop as the audio comes; at the end it aligns each reading
// asked about to the same audio and weighs its words against the loop.
//
// Both searches run in one decoder over the same features: no noise removal or
// silence dropping (which carry state from one pass to the next), the same channel
// estimate from the same start, every senone of every frame computed (each search
// normalises a frame by its best senone), no insertion odds in the scores. The loop
// keeps the senone scores it computed in memory, so an alignment reads them back
// instead of scoring every senone of every frame again: the weighing then costs a
// search over a few words, not a second pass of the acoustic model.
class PhoneLoop final {
public:
    // A reading to weigh: its words, each with its pronunciations (the first is the
    // word's own; "word(2)" and on are its others), and which of them decide.
    struct Word {
        QString text;
        std::vector<std::string> phones;
        bool decides = true;
        // Weighed over every frame from the utterance's first through its own, with
        // whatever the path put before it: readings that fill one place with words of
        // other lengths ("quit" or "it" before a name) are weighed over the same frames.
        bool fromStart = false;
    };
    using Candidate = std::vector<Word>;

    // `beam`: the loop's beams; it only has to score, not to be right, so narrow
    // beams cost little and score the same. `keepScores`: whether the alignments
    // read the loop's senone scores back rather than score the audio again (the
    // weighing is the same, only slower without).
    explicit PhoneLoop(double beam, bool keepScores = true);
    ~PhoneLoop();

    // Loads the acoustic model `hmm` on the loop's thread and waits; false when it failed.
    bool load(const QByteArray& hmm);
    bool isLoaded() const { return ps_ != nullptr; }

    // The steps of one window, queued in order on the loop's thread, so the grammars'
    // worker never waits for the loop while audio comes.
    void begin(int cmnPriorFrames);
    void feed(std::vector<std::int16_t> pcm);
    // Ends the utterance (the first time in a window) and weighs each candidate: the least, over its deciding
    // words, of the word's score less the loop's over its frames, per frame. None for
    // a candidate that could not be aligned or has no deciding word.
    std::future<std::vector<std::optional<double>>> weigh(std::vector<Candidate> candidates);
    // Ends the utterance and forgets it. The window's work still queued or under way
    // stops at once: a window given up must not delay the next.
    void cancel();
    // How many blocks the loop has decoded in all, from any thread: while it grows,
    // the loop is at work, however slowly a loaded machine lets it go.
    std::size_t steps() const { return steps_.load(); }
    // The processor clock of the loop's thread, to watch its work from another.
    std::optional<clockid_t> workClock() const { return workClock_; }
    // Tests: runs `hold` on the loop's thread as each weighing starts, to make one slow.
    void holdWeighings(std::function<void()> hold);

private:
    // Whether window `window`'s work was given up (any thread).
    bool dropped(std::size_t window) const { return window <= dropped_.load(); }
    std::optional<double> align(const Candidate& candidate, const std::vector<double>& loop,
                                std::size_t window);
    std::vector<double> loopFrames();
    std::string entryFor(const Word& word);
    // Runs the reading's search over the window: from the loop's senone scores where
    // it kept them, otherwise by scoring the audio again. False when it failed.
    bool search(std::size_t window);
    // Has the decoder write the utterance's senone scores into scores_.
    void keepScores();

    // One utterance's senone scores as the decoder writes them.
    struct Scores {
        std::vector<char> bytes;
        bool whole = true;   // nothing written was lost
        bool closed = false; // the decoder has written them all
    };

    const double beam_;
    const bool keepScores_;
    ps_decoder_t* ps_ = nullptr; // the loop's thread only, once loaded
    acmod_s* model_ = nullptr;   // its acoustic model, where the scores can be kept
    CmnPrior prior_;
    int priorFrames_ = 0;
    bool inUtterance_ = false;
    bool failed_ = false;
    std::vector<std::vector<std::int16_t>> blocks_;           // the utterance as fed
    Scores scores_;                                           // the window's, as the loop scored it
    std::vector<double> loop_;                                // the loop's scores of its frames, once ended
    std::map<std::string, std::vector<std::string>> spelled_; // each dictionary name's phones
    std::atomic<std::size_t> steps_{0};
    // Windows are numbered as they begin; those up to dropped_ were given up.
    std::atomic<std::size_t> window_{0};
    std::atomic<std::size_t> dropped_{0};
    std::optional<clockid_t> workClock_;
    std::function<void()> hold_; // the loop's thread only
    SerialQueue queue_;
};

} // namespace brisklet::platform
