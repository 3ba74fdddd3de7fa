#include "platform/linux/speech/PhoneLoop.h"

#include "base/Log.h"
#include "platform/linux/speech/JsgfSearch.h"
#include "platform/linux/speech/WorkWatch.h"

#include <pocketsphinx/ps_search.h>
#include <sphinxbase/ckd_alloc.h>
#include <sphinxbase/cmd_ln.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

// The library's own: it writes a header and then each frame's senone scores to the
// stream, and closes it as the utterance ends (or at once, given another).
extern "C" int acmod_set_senfh(acmod_s* acmod, FILE* logfh);

namespace brisklet::platform {

namespace {

constexpr const char* loopSearch = "phones";
constexpr const char* alignSearch = "reading";

struct Segment {
    std::string word;
    int start = 0, end = 0;
    int acoustic = 0;
};

// The decoder's best path as segments, their frames counted from the utterance's first.
std::vector<Segment> segments(ps_decoder_t* ps) {
    std::vector<Segment> out;
    int32 best = 0;
    const int n = ps_get_n_frames(ps);
    // Asking a search without a path for its segments is asking for trouble.
    if (n <= 0 || !ps_get_hyp(ps, &best))
        return out;
    int last = -1;
    for (ps_seg_t* seg = ps_seg_iter(ps); seg; seg = ps_seg_next(seg)) {
        Segment s;
        const char* word = ps_seg_word(seg);
        s.word = word ? word : "";
        ps_seg_frames(seg, &s.start, &s.end);
        int32 acoustic = 0, language = 0, backoff = 0;
        ps_seg_prob(seg, &acoustic, &language, &backoff);
        s.acoustic = acoustic;
        last = std::max(last, s.end);
        out.push_back(std::move(s));
    }
    // Frames count on across utterances: the path ends on this one's last frame.
    const int offset = last + 1 - n;
    for (Segment& s : out) {
        s.start -= offset;
        s.end -= offset;
    }
    return out;
}

// A word as the alignment's dictionary holds it: letters only, so no reading can
// smuggle a grammar operator in.
std::string entryOf(const QString& word) {
    std::string out;
    for (const QChar c : word)
        if (c.isLetter() && c.unicode() < 128)
            out += char(c.toLower().unicode());
    return out;
}

// The decoder's acoustic model, which the library hands out by no call of its own: it
// is read from the decoder's leading fields, and only where those and the model's own
// agree with what the library's calls report. None otherwise.
acmod_s* acousticModel(ps_decoder_t* ps) {
    struct Decoder {
        cmd_ln_t* config;
        int refcount;
        acmod_s* acmod;
        void* dict;
        void* d2p;
        logmath_t* lmath;
    } decoder;
    struct Model {
        cmd_ln_t* config;
        logmath_t* lmath;
        void* strings;
        fe_t* fe;
        feat_t* fcb;
    } model;
    std::memcpy(&decoder, ps, sizeof decoder);
    if (decoder.config != ps_get_config(ps) || decoder.lmath != ps_get_logmath(ps) || !decoder.acmod)
        return nullptr;
    std::memcpy(&model, decoder.acmod, sizeof model);
    if (model.config != decoder.config || model.lmath != decoder.lmath || model.fe != ps_get_fe(ps) ||
        model.fcb != ps_get_feat(ps))
        return nullptr;
    return decoder.acmod;
}

} // namespace

PhoneLoop::PhoneLoop(double beam, bool keepScores)
    : beam_(beam), keepScores_(keepScores), queue_("com.brisklet.speech.phones", "bk.phones") {
    queue_.sync([this] { workClock_ = WorkWatch::clockOfThisThread(); });
}

void PhoneLoop::holdWeighings(std::function<void()> hold) {
    queue_.async([this, hold = std::move(hold)]() mutable { hold_ = std::move(hold); });
}

PhoneLoop::~PhoneLoop() {
    queue_.stop();
    if (!ps_)
        return;
    // The loop's search keeps the path it last found until its next utterance and
    // forgets it when freed: an empty utterance gives it back first.
    if (inUtterance_)
        ps_end_utt(ps_);
    if (ps_set_search(ps_, loopSearch) >= 0 && ps_start_utt(ps_) >= 0)
        ps_end_utt(ps_);
    ps_free(ps_);
}

bool PhoneLoop::load(const QByteArray& hmm) {
    queue_.sync([&] {
        if (ps_)
            return;
        char beam[32];
        std::snprintf(beam, sizeof beam, "%g", beam_);
        cmd_ln_t* config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.constData(), "-dict",
                                       "/dev/null", "-beam", beam, "-pbeam", beam, "-allphone_ci", "yes",
                                       "-pip", "1.0", "-wip", "1.0", "-compallsen", "yes", "-remove_noise",
                                       "no", "-remove_silence", "no", "-logfn", "/dev/null", nullptr);
        if (!config)
            return;
        ps_ = ps_init(config);
        cmd_ln_free_r(config);
        // No phone language model: every phone may follow every other, so the loop
        // explains the sound as well as any string of phones can.
        if (ps_ && (ps_set_allphone(ps_, loopSearch, nullptr) < 0 || ps_set_search(ps_, loopSearch) < 0)) {
            ps_free(ps_);
            ps_ = nullptr;
        }
        // A search takes its beams when it is made: the readings' alignments get the
        // library's own, as narrow ones lose the one path through a reading in noise.
        if (ps_)
            for (const char* name : {"-beam", "-pbeam", "-wbeam"})
                cmd_ln_set_float_r(ps_get_config(ps_), name, 1e-100);
        if (ps_)
            prior_.capture(ps_);
        if (ps_ && keepScores_)
            model_ = acousticModel(ps_);
    });
    if (!ps_)
        qCWarning(lcSpeech, "the phone loop did not load: readings are weighed without it");
    else if (keepScores_ && !model_)
        qCWarning(lcSpeech, "the phone loop cannot keep its scores: each reading is weighed by scoring "
                            "its window again");
    return ps_ != nullptr;
}

void PhoneLoop::begin(int cmnPriorFrames) {
    ++window_;
    queue_.async([this, cmnPriorFrames] {
        if (!ps_)
            return;
        if (inUtterance_)
            ps_end_utt(ps_);
        blocks_.clear();
        loop_.clear();
        priorFrames_ = cmnPriorFrames;
        prior_.restore(ps_, cmnPriorFrames);
        scores_ = {};
        inUtterance_ = ps_set_search(ps_, loopSearch) >= 0 && ps_start_utt(ps_) >= 0;
        failed_ = !inUtterance_;
        if (inUtterance_)
            keepScores();
    });
}

void PhoneLoop::feed(std::vector<std::int16_t> pcm) {
    queue_.async([this, window = window_.load(), pcm = std::move(pcm)]() mutable {
        if (!ps_ || !inUtterance_ || failed_ || dropped(window))
            return;
        if (ps_process_raw(ps_, pcm.data(), pcm.size(), FALSE, FALSE) < 0)
            failed_ = true;
        else
            CmnPrior::follow(ps_);
        ++steps_;
        blocks_.push_back(std::move(pcm));
    });
}

std::vector<double> PhoneLoop::loopFrames() {
    std::vector<double> score;
    const int n = ps_get_n_frames(ps_);
    const std::vector<Segment> phones = segments(ps_);
    if (phones.empty())
        return score;
    score.assign(std::size_t(n), 0.0);
    for (const Segment& p : phones) {
        const int from = std::max(0, p.start), to = std::min(n - 1, p.end);
        if (to < from)
            continue;
        // A phone's score spread evenly over its frames.
        const double each = double(p.acoustic) / (to - from + 1);
        for (int f = from; f <= to; ++f)
            score[std::size_t(f)] = each;
    }
    return score;
}

// The dictionary's name for a word spelled as the reading spells it. The dictionary
// lives as long as the loop, and the two models' dictionaries spell some words
// differently: a word met again with other phones gets a name of its own, else its
// first spelling would stand for every later one and weigh it wrongly.
std::string PhoneLoop::entryFor(const Word& word) {
    const std::string base = entryOf(word.text);
    if (base.empty() || word.phones.empty() ||
        std::any_of(word.phones.begin(), word.phones.end(), [](const std::string& p) { return p.empty(); }))
        return {};
    for (std::string name = base;; name += 'x') {
        const auto known = spelled_.find(name);
        if (known != spelled_.end()) {
            if (known->second == word.phones)
                return name;
            continue;
        }
        for (std::size_t i = 0; i < word.phones.size(); ++i) {
            const std::string each = i == 0 ? name : name + '(' + std::to_string(i + 1) + ')';
            if (ps_add_word(ps_, each.c_str(), word.phones[i].c_str(), FALSE) < 0)
                return {};
        }
        spelled_.emplace(name, word.phones);
        return name;
    }
}

std::optional<double> PhoneLoop::align(const Candidate& candidate, const std::vector<double>& loop,
                                       std::size_t window) {
    std::string jsgf = "#JSGF V1.0;\ngrammar reading;\npublic <reading> =";
    std::vector<std::string> entries;
    for (const Word& word : candidate) {
        const std::string entry = entryFor(word);
        if (entry.empty())
            return std::nullopt;
        jsgf += ' ' + entry;
        entries.push_back(entry);
    }
    jsgf += ";\n";
    // The reading's search replaces the last one: never while that one is in use.
    if (ps_set_search(ps_, loopSearch) < 0)
        return std::nullopt;
    if (!setJsgfSearch(ps_, alignSearch, jsgf) || ps_set_search(ps_, alignSearch) < 0)
        return std::nullopt;
    if (!search(window))
        return std::nullopt;
    std::optional<double> least;
    std::size_t next = 0;
    std::optional<int> first;
    double sofar = 0; // the path's acoustic score from its first frame
    for (const Segment& s : segments(ps_)) {
        if (!first)
            first = s.start;
        sofar += s.acoustic;
        std::string word = s.word;
        if (const auto paren = word.find('('); paren != std::string::npos)
            word.resize(paren);
        if (next >= entries.size() || word != entries[next])
            continue; // silence or a filler between words
        const Word& w = candidate[next++];
        if (!w.decides)
            continue;
        const int from = w.fromStart ? *first : s.start;
        if (from < 0 || s.end < from || std::size_t(s.end) >= loop.size())
            return std::nullopt;
        double reference = 0;
        for (int f = from; f <= s.end; ++f)
            reference += loop[std::size_t(f)];
        const double support = ((w.fromStart ? sofar : s.acoustic) - reference) / (s.end - from + 1);
        least = least ? std::min(*least, support) : support;
    }
    // A path that did not take every word aligned nothing.
    return next == entries.size() ? least : std::nullopt;
}

// The decoder writes the scores into memory, where no write can fail: it would go on
// with scores it never wrote. Should memory run out, what it wrote is not used.
void PhoneLoop::keepScores() {
    if (!model_)
        return;
    cookie_io_functions_t io{};
    io.write = [](void* cookie, const char* data, std::size_t size) -> ssize_t {
        Scores& scores = *static_cast<Scores*>(cookie);
        if (scores.whole) {
            try {
                scores.bytes.insert(scores.bytes.end(), data, data + size);
            } catch (const std::bad_alloc&) {
                scores.whole = false;
                std::vector<char>().swap(scores.bytes);
            }
        }
        return ssize_t(size);
    };
    io.close = [](void* cookie) {
        static_cast<Scores*>(cookie)->closed = true;
        return 0;
    };
    FILE* stream = fopencookie(&scores_, "w", io);
    if (stream && acmod_set_senfh(model_, stream) < 0)
        scores_.whole = false;
}

bool PhoneLoop::search(std::size_t window) {
    if (!scores_.whole) {
        static std::atomic<bool> logged{false};
        if (!logged.exchange(true))
            qCWarning(lcSpeech, "the phone loop's scores of a window were lost: it is scored again");
    } else if (scores_.closed && !scores_.bytes.empty()) {
        if (FILE* kept = fmemopen(scores_.bytes.data(), scores_.bytes.size(), "rb")) {
            const int frames = ps_decode_senscr(ps_, kept);
            std::fclose(kept);
            ++steps_;
            return frames > 0 && !dropped(window);
        }
    }
    // The same audio from the same channel estimate, in the same blocks: the same features.
    prior_.restore(ps_, priorFrames_);
    if (ps_start_utt(ps_) < 0)
        return false;
    bool ok = true;
    for (const auto& block : blocks_) {
        if (dropped(window) || ps_process_raw(ps_, block.data(), block.size(), FALSE, FALSE) < 0) {
            ok = false;
            break;
        }
        CmnPrior::follow(ps_);
        ++steps_;
    }
    return ps_end_utt(ps_) >= 0 && ok;
}

std::future<std::vector<std::optional<double>>> PhoneLoop::weigh(std::vector<Candidate> candidates) {
    auto promise = std::make_shared<std::promise<std::vector<std::optional<double>>>>();
    auto result = promise->get_future();
    const bool queued =
        queue_.async([this, promise, window = window_.load(), candidates = std::move(candidates)] {
            std::vector<std::optional<double>> out(candidates.size());
            if (hold_)
                hold_();
            if (dropped(window)) {
                promise->set_value(std::move(out));
                return;
            }
            // The first weighing of a window ends its utterance; later ones align against
            // the same loop and the same audio.
            if (ps_ && inUtterance_) {
                inUtterance_ = false;
                loop_.clear();
                if (ps_end_utt(ps_) >= 0 && !failed_)
                    loop_ = loopFrames();
            }
            if (ps_ && !loop_.empty())
                for (std::size_t i = 0; i < candidates.size(); ++i)
                    if (!candidates[i].empty())
                        out[i] = align(candidates[i], loop_, window);
            promise->set_value(std::move(out));
        });
    if (!queued)
        promise->set_value({});
    return result;
}

void PhoneLoop::cancel() {
    dropped_ = window_.load();
    queue_.async([this] {
        if (ps_ && inUtterance_)
            ps_end_utt(ps_);
        inUtterance_ = false;
        blocks_.clear();
        loop_.clear();
        scores_ = {};
    });
}

} // namespace brisklet::platform
