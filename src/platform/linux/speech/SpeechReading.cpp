#include "platform/linux/speech/SpeechReading.h"

#include "platform/linux/speech/SpeechGrammar.h"

#include <sphinxbase/ckd_alloc.h>
#include <sphinxbase/logmath.h>
#include <sphinxbase/ngram_model.h>

#include <algorithm>
#include <cstdlib>

namespace brisklet::platform::SpeechReading {

namespace {

// How far a word of the general model must reach into a free stretch to be in it.
constexpr int minOverlapFrames = 3;

QString hypothesis(ps_decoder_t* ps, int* score) {
    int32 s = 0;
    const char* text = ps_get_hyp(ps, &s);
    if (score)
        *score = s;
    // The decoder owns the string: copy it at once.
    return text ? QString::fromUtf8(text).simplified() : QString();
}

bool isPlainWord(const char* word) {
    if (!word || !*word)
        return false;
    for (const char* c = word; *c; ++c)
        if ((*c < 'a' || *c > 'z') && *c != '\'')
            return false;
    return true;
}

// The phones of a word or words as the decoder's dictionary says them.
QStringList phonesOf(ps_decoder_t* ps, const QStringList& words) {
    QStringList out;
    for (const QString& word : words) {
        char* phones = ps_lookup_word(ps, word.toUtf8().constData());
        if (!phones)
            return {};
        out << QString::fromLatin1(phones).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        ckd_free(phones);
    }
    return out;
}

// How many phones to insert, drop or change to make one string the other, counted
// up to `most` + 1.
int phoneEdits(const QStringList& a, const QStringList& b, int most) {
    if (std::abs(a.size() - b.size()) > most)
        return most + 1;
    std::vector<int> row(std::size_t(b.size()) + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[std::size_t(j)] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[std::size_t(j)];
            row[std::size_t(j)] =
                std::min({above + 1, row[std::size_t(j - 1)] + 1, diagonal + (a[i - 1] != b[j - 1] ? 1 : 0)});
            diagonal = above;
        }
    }
    return std::min(row.back(), most + 1);
}

// Whether two phone strings differ by at most one phone.
bool nearlySame(const QStringList& a, const QStringList& b) {
    return phoneEdits(a, b, 1) <= 1;
}

} // namespace

std::vector<std::string> commonWords(ps_decoder_t* general, int most) {
    const char* search = ps_get_search(general);
    ngram_model_t* lm = search ? ps_get_lm(general, search) : nullptr;
    if (!lm || most <= 0)
        return {};
    const int32 count = int32(ngram_model_get_counts(lm)[0]);
    std::vector<std::pair<int32, std::string>> scored;
    for (int32 wid = 0; wid < count; ++wid) {
        const char* word = ngram_word(lm, wid);
        if (!isPlainWord(word))
            continue;
        char* phones = ps_lookup_word(general, word);
        if (!phones)
            continue;
        ckd_free(phones);
        scored.emplace_back(ngram_prob(lm, &word, 1), word);
    }
    const std::size_t n = std::min(scored.size(), std::size_t(most));
    std::partial_sort(scored.begin(), scored.begin() + std::ptrdiff_t(n), scored.end(),
                      [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> out;
    for (std::size_t i = 0; i < n; ++i)
        out.push_back(scored[i].second);
    return out;
}

bool carrierHeard(ps_decoder_t* ps, const QString& grammarText, const QString& generalText) {
    const QStringList heard = generalText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<QStringList> general;
    for (qsizetype i = 0; i < heard.size(); ++i) {
        general.push_back(phonesOf(ps, {heard[i]}));
        if (i + 1 < heard.size())
            general.push_back(phonesOf(ps, {heard[i], heard[i + 1]}));
    }
    const QStringList said = grammarText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < said.size(); ++i) {
        if (said[i].endsWith(QLatin1Char(SpeechGrammar::freeMark)) || (i > 0 && said[i].size() < 4))
            continue;
        const QStringList phones = phonesOf(ps, {said[i]});
        if (phones.size() < 3)
            continue;
        if (std::any_of(general.begin(), general.end(),
                        [&](const QStringList& g) { return !g.isEmpty() && nearlySame(phones, g); }))
            return true;
    }
    return false;
}

bool soundAlike(ps_decoder_t* ps, const QStringList& phones, const QStringList& words, int phonesOff) {
    const QStringList other = phonesOf(ps, words);
    return !phones.isEmpty() && !other.isEmpty() && phoneEdits(phones, other, phonesOff) <= phonesOff;
}

QStringList phonesOf(ps_decoder_t* ps, const QString& word) {
    return phonesOf(ps, QStringList{word});
}

bool heardAlike(ps_decoder_t* ps, const QString& word, const QString& generalText) {
    return heardAlike(ps, phonesOf(ps, QStringList{word}), generalText);
}

bool heardAlike(ps_decoder_t* ps, const QStringList& phones, const QString& generalText) {
    if (phones.isEmpty())
        return false;
    const QStringList heard = generalText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < heard.size(); ++i) {
        for (qsizetype n = 1; n <= 2 && i + n <= heard.size(); ++n) {
            const QStringList other = phonesOf(ps, heard.mid(i, n));
            if (other.isEmpty())
                continue;
            // A verb heard with an ending ("quitting").
            if (n == 1 && phones.size() >= 3 && other.mid(0, phones.size()) == phones)
                return true;
            // Heard as itself, a phone off, or for a longer one two phones off ("which"
            // for "quit").
            const int edits = phoneEdits(phones, other, 2);
            if (edits == 0 || (edits == 1 && phones.size() >= 3) || (edits == 2 && phones.size() >= 4))
                return true;
        }
    }
    return false;
}

Reading read(ps_decoder_t* ps) {
    Reading r;
    int score = 0;
    r.text = hypothesis(ps, &score);
    const int frames = ps_get_n_frames(ps);
    r.frames = frames;
    if (frames > 0)
        r.scorePerFrame = static_cast<double>(score) / frames;
    int last = -1;
    for (ps_seg_t* seg = ps_seg_iter(ps); seg; seg = ps_seg_next(seg)) {
        const char* word = ps_seg_word(seg);
        Word w{QString::fromUtf8(word ? word : "")};
        ps_seg_frames(seg, &w.start, &w.end);
        int32 acoustic = 0, language = 0, backoff = 0;
        w.posterior =
            std::min(1.0, logmath_exp(ps_get_logmath(ps), ps_seg_prob(seg, &acoustic, &language, &backoff)));
        w.acoustic = acoustic;
        last = std::max(last, w.end);
        if (!word || word[0] == '<' || word[0] == '[' || word[0] == '+' || word[0] == '(')
            continue;
        // "word(2)" is the dictionary's second pronunciation of "word".
        if (const qsizetype paren = w.text.indexOf(QLatin1Char('(')); paren > 0)
            w.text.truncate(paren);
        r.speechFrames += std::max(0, w.end - w.start + 1);
        r.words.push_back(std::move(w));
    }
    // A grammar decoder's frames count on across utterances; the path ends on the
    // utterance's last frame, which puts both decoders' words on one time line.
    const int offset = last + 1 - frames;
    for (Word& w : r.words) {
        w.start -= offset;
        w.end -= offset;
    }
    return r;
}

bool goesOn(const QString& text, const QString& withFree) {
    const QStringList said = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QStringList words = withFree.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return !said.isEmpty() && !words.isEmpty() && said.first() == words.first() && said != words &&
           std::any_of(words.begin(), words.end(),
                       [](const QString& w) { return w.endsWith(QLatin1Char(SpeechGrammar::freeMark)); });
}

QString withFreeWordsHeard(const Reading& grammar, const Reading& general, double* leastSure) {
    if (leastSure)
        *leastSure = 1;
    const auto isFree = [](const Word& w) { return w.text.endsWith(QLatin1Char(SpeechGrammar::freeMark)); };
    QStringList out;
    const std::vector<Word>& words = grammar.words;
    // A path may end short of the utterance, which leaves its frames off by the
    // trailing silence: a word both decoders heard sets them straight.
    int shift = 0;
    for (const Word& w : words) {
        if (isFree(w))
            continue;
        const auto same = std::find_if(general.words.begin(), general.words.end(),
                                       [&](const Word& o) { return o.text == w.text; });
        if (same != general.words.end()) {
            shift = same->start - w.start;
            break;
        }
    }
    for (std::size_t i = 0; i < words.size();) {
        if (!isFree(words[i])) {
            out << words[i++].text;
            continue;
        }
        std::size_t j = i;
        while (j < words.size() && isFree(words[j]))
            ++j;
        std::vector<const Word*> heard;
        for (const Word& w : general.words) {
            // A short word the grammar's own word swallowed still counts when a few
            // frames of it reach into the stretch; a long one must lie a third in it.
            const int start = w.start - shift, end = w.end - shift;
            const int inside = std::min(end, words[j - 1].end) - std::max(start, words[i].start) + 1;
            if (inside >= minOverlapFrames && 3 * inside >= end - start + 1)
                heard.push_back(&w);
        }
        // The grammar's own word beside the stretch, reaching into it, is said once
        // ("play jazz on spotify", not "play jazz on on spotify").
        if (!heard.empty() && i > 0 && heard.front()->text == words[i - 1].text)
            heard.erase(heard.begin());
        if (!heard.empty() && j < words.size() && heard.back()->text == words[j].text)
            heard.pop_back();
        for (const Word* w : heard) {
            out << w->text;
            if (leastSure)
                *leastSure = std::min(*leastSure, w->posterior);
        }
        if (heard.empty()) {
            for (std::size_t k = i; k < j; ++k)
                out << SpeechGrammar::unmarked(words[k].text);
            if (leastSure)
                *leastSure = 0;
        }
        i = j;
    }
    return out.join(QLatin1Char(' '));
}

} // namespace brisklet::platform::SpeechReading
