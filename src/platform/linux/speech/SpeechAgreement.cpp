#include "platform/linux/speech/SpeechAgreement.h"

#include "base/Text.h"
#include "platform/linux/speech/SpeechDictionary.h"
#include "platform/linux/speech/SpeechGrammar.h"
#include "platform/linux/speech/SpeechReading.h"

#include <algorithm>

namespace brisklet::platform {

namespace {

// The word a setup's name is said with, before or after it ("deep work setup").
const QString setupWord = QStringLiteral("setup");

// Marks a word as one of a rival's place in the keys of its weighings.
const QChar placeMark = QLatin1Char('*');

QString keyOf(const QStringList& place, const QStringList& rest) {
    QStringList words;
    for (const QString& word : place)
        words << word + placeMark;
    return (words + rest).join(QLatin1Char(' '));
}

// A word for the phone loop with its every pronunciation, the decoder's that spells
// it first.
PhoneLoop::Word loopWord(ps_decoder_t* own, ps_decoder_t* other, const QString& word, bool decides) {
    PhoneLoop::Word w{word, SpeechDictionary::pronunciations(own, word.toStdString()), decides};
    if (w.phones.empty())
        w.phones = SpeechDictionary::pronunciations(other, word.toStdString());
    return w;
}

// What the general model makes of "uh" and "um" before a question.
const char* const fillersHeard[] = {"but", "the", "and", "im", "a", "that"};

// The verbs that open a yes/no question, and the words after them that make it one
// ("is there", "are there", "do i", "can i", "is it"). Not "could": that is a said "quit".
const QString yesNoVerbs[] = {QStringLiteral("is"), QStringLiteral("are"), QStringLiteral("do"),
                              QStringLiteral("does"), QStringLiteral("can")};
const QString yesNoSubjects[] = {QStringLiteral("there"), QStringLiteral("it"), QStringLiteral("i"),
                                 QStringLiteral("you"),   QStringLiteral("we"), QStringLiteral("this")};

// Short words and hesitations said before a name, which a grammar of commands reads as
// the verb that ends it ("it every day" as "end everyday", "shut up morning").
const char* const wordsBeforeNames[] = {"it", "at", "in", "then", "the", "but", "so", "you", "shut up"};

// The command that undoes, said alike to "unmute" ("undo that" for "but i knew that").
const QString undoWord = QStringLiteral("undo");

// What the general model makes of a said "end" that is no verb.
const QString endHeardAs[] = {QStringLiteral("and"), QStringLiteral("an"), QStringLiteral("ant")};

// The phone of the room's silence between words.
const std::string silencePhone = "SIL";

// Short words and fillers said before a name, which the general model may hear as
// no word at all.
const char* const shortWords[] = {"it", "a",    "the",  "uh", "um", "ah", "oh",  "to",
                                  "at", "that", "this", "i",  "if", "so", "but", "eh"};

// A phrase's phones, each word said as the first decoder that spells it says it.
QStringList spelled(ps_decoder_t* one, ps_decoder_t* other, const QString& phrase) {
    QStringList phones;
    for (const QString& word : phrase.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QStringList each = SpeechReading::phonesOf(one, word);
        if (each.isEmpty())
            each = SpeechReading::phonesOf(other, word);
        if (each.isEmpty())
            return {};
        phones << each;
    }
    return phones;
}

// What is left of phones said before the window opened: each of their ends.
std::vector<std::string> endsOf(const QStringList& phones) {
    std::vector<std::string> out;
    for (qsizetype from = 1; from < phones.size(); ++from)
        out.push_back(phones.mid(from).join(QLatin1Char(' ')).toStdString());
    return out;
}

// The pronunciations of what a stretch heard as no word holds, other than `place`: a
// short word or a filler (none said like the place's words), silence, and at the
// window's start the ends of the place's own words said before it.
std::vector<std::string> noWord(ps_decoder_t* general, ps_decoder_t* grammar, const QStringList& place,
                                bool atEdge) {
    const QStringList placePhones = spelled(grammar, general, place.join(QLatin1Char(' ')));
    std::vector<std::string> out{silencePhone};
    for (const char* word : shortWords)
        if (!SpeechReading::soundAlike(general, placePhones, {QString::fromLatin1(word)}))
            for (const std::string& phones : SpeechDictionary::pronunciations(general, word))
                if (std::find(out.begin(), out.end(), phones) == out.end())
                    out.push_back(phones);
    if (atEdge)
        for (const std::string& end : endsOf(placePhones))
            if (std::find(out.begin(), out.end(), end) == out.end())
                out.push_back(end);
    return out;
}

// Whether a verb's words begin what the general model heard as other words said
// alike: it hears "set up" as "shut up", which is no verb of its own ("shut up"
// ends nothing).
bool saidAlike(const QStringList& said, const QStringList& heard) {
    static const std::pair<QString, QString> alike[] = {
        {QStringLiteral("set up "), QStringLiteral("shut up ")}};
    QString saidText = said.join(QLatin1Char(' ')) + QLatin1Char(' ');
    if (saidText.startsWith(setupWord + QLatin1Char(' ')))
        saidText.replace(0, setupWord.size(), QStringLiteral("set up"));
    const QString heardText = heard.join(QLatin1Char(' ')) + QLatin1Char(' ');
    return std::any_of(std::begin(alike), std::end(alike), [&](const auto& pair) {
        return saidText.startsWith(pair.first) && heardText.startsWith(pair.second);
    });
}

// The general text less the words the reading itself is made of: where both models
// heard "heads down", its "down" is the name, not "done" said alike.
QString withoutWordsOf(const QStringList& reading, const QString& generalText) {
    QStringList words = generalText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    words.removeIf([&](const QString& word) { return reading.contains(word); });
    return words.join(QLatin1Char(' '));
}

} // namespace

SpeechAgreement::SpeechAgreement(ps_decoder_t* general, const SpeechShapes& shapes)
    : general_(general), endVerbs_(shapes.endVerbs.begin(), shapes.endVerbs.end()),
      runVerbs_(shapes.runVerbs.begin(), shapes.runVerbs.end()),
      focusVerbs_(shapes.focusVerbs.begin(), shapes.focusVerbs.end()) {
    for (const SpeechShapes::Shape& shape : shapes.shapes)
        if (!shape.empty())
            for (const QString& word : shape.front().words)
                commandWords_.insert(word.section(QLatin1Char(' '), 0, 0));
    if (const auto names = shapes.names.find(SpeechShapes::Slot::setup); names != shapes.names.end())
        for (const QString& name : names->second)
            setups_.insert(Text::normalize(name));
    // Only the words that ask: "could", "is" and "do" are what the general model makes
    // of a said "quit" or "end" ("could fire fox").
    for (const QString& word : shapes.questionWords)
        if (word.startsWith(QLatin1String("wh")) || word.startsWith(QLatin1String("how")))
            questionWords_.insert(word);
    fillers_.insert(shapes.hesitations.begin(), shapes.hesitations.end());
    fillers_.insert(std::begin(fillersHeard), std::end(fillersHeard));
    // The verbs said before an app's or a setup's name ("open", "switch to").
    for (const SpeechShapes::Shape& shape : shapes.shapes) {
        QStringList verbs{QString()};
        std::size_t at = 0;
        for (; at < shape.size() && !shape[at].words.isEmpty() && !shape[at].optional; ++at) {
            QStringList longer;
            for (const QString& start : verbs)
                for (const QString& word : shape[at].words)
                    longer << (start.isEmpty() ? word : start + QLatin1Char(' ') + word);
            verbs = longer;
        }
        while (at < shape.size() && shape[at].optional && shape[at].fills.empty())
            ++at;
        if (at == 0 || at == shape.size())
            continue;
        const auto& fills = shape[at].fills;
        if (std::any_of(fills.begin(), fills.end(), [](SpeechShapes::Slot slot) {
                return slot == SpeechShapes::Slot::app || slot == SpeechShapes::Slot::setup;
            }))
            for (const QString& verb : verbs)
                if (!endVerbs_.count(verb.section(QLatin1Char(' '), 0, 0)))
                    otherVerbs_.insert(verb);
    }
}

bool SpeechAgreement::heardQuestion(const QString& generalText) const {
    const QStringList words = generalText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < words.size(); ++i) {
        // A question word and a name only ("which calculator") is a quit misheard.
        if (questionWords_.count(words[i]))
            return words.size() - i > 2;
        // "is there a setup", "uh is better setup": a yes/no verb asks where two more words
        // follow it after a filler or with the word that makes it a question; "is" alone
        // before a name is a misheard "quit".
        if (std::count(std::begin(yesNoVerbs), std::end(yesNoVerbs), words[i]) && words.size() - i > 2 &&
            (i > 0 || std::count(std::begin(yesNoSubjects), std::end(yesNoSubjects), words[i + 1])))
            return true;
        if (!fillers_.count(words[i]))
            return false;
    }
    return false;
}

SpeechAgreement::VerbRivals SpeechAgreement::verbRivals(ps_decoder_t* grammar, const QString& text,
                                                        const QString& generalText,
                                                        bool openedOnVoice) const {
    const QStringList heard = generalText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {};
    const bool heardAnd =
        !heard.isEmpty() && std::count(std::begin(endHeardAs), std::end(endHeardAs), heard.first());
    if (heardAnd && words.first() == heard.first())
        words.first() = QStringLiteral("end");
    // One reading: `place` in the verb's place, weighed from the start through the
    // first word after it (the last of the place where none follows), so that places
    // filled with longer or shorter words are weighed over the same frames.
    const auto with = [&](const QStringList& place, const QStringList& rest) {
        PhoneLoop::Candidate candidate;
        for (const QString& word : place)
            candidate.push_back(loopWord(grammar, general_, word, false));
        for (const QString& word : rest)
            candidate.push_back(loopWord(grammar, general_, word, false));
        PhoneLoop::Word& last = candidate.back();
        if (!rest.isEmpty()) {
            // A word ending in the sound the next begins with shares it ("end deep" is
            // said "en deep").
            PhoneLoop::Word& before = candidate[std::size_t(place.size() - 1)];
            const PhoneLoop::Word& after = candidate[std::size_t(place.size())];
            std::vector<std::string> shared;
            for (const std::string& phones : before.phones) {
                const auto cut = phones.find_last_of(' ');
                if (cut != std::string::npos && !after.phones.empty() &&
                    after.phones.front().substr(0, after.phones.front().find(' ')) == phones.substr(cut + 1))
                    shared.push_back(phones.substr(0, cut));
            }
            for (std::string& phones : shared)
                if (std::find(before.phones.begin(), before.phones.end(), phones) == before.phones.end())
                    before.phones.push_back(std::move(phones));
        }
        PhoneLoop::Word& deciding = rest.isEmpty() ? last : candidate[std::size_t(place.size())];
        deciding.decides = true;
        deciding.fromStart = true;
        return candidate;
    };
    const QString verb = words.first();
    const QStringList rest = words.mid(1);
    if (verb == undoWord && rest.size() <= 1 && (rest.isEmpty() || rest.first() == QLatin1String("that"))) {
        if (!openedOnVoice && (heard == words || heard == QStringList{undoWord}))
            return {};
        std::vector<PhoneLoop::Candidate> out{with({verb}, rest)};
        for (const char* other : {"unmute", "mute"})
            out.push_back(with({QString::fromLatin1(other)}, {}));
        const std::size_t verbs = out.size() - 1;
        // The general model's words where they hold more than the reading ("but i knew
        // that" for "undo that"): where it heard as many syllables, it only spelled the
        // same sound its own way ("and you" for "undo").
        if (!heard.isEmpty() && heard != words &&
            SpeechDictionary::syllablesOf(general_, generalText) >
                SpeechDictionary::syllablesOf(grammar, words.join(QLatin1Char(' ')))) {
            // All the general model heard, its last word that decides weighing the lot.
            QStringList place = heard, after;
            while (place.size() > 1 && !decides(place.last()))
                after.prepend(place.takeLast());
            out.push_back(with(place, after));
        }
        return {std::move(out), verbs};
    }
    if (!endVerbs_.count(verb) || rest.isEmpty() ||
        !(heardAnd || openedOnVoice || heard.size() > rest.size()))
        return {};
    const QStringList verbPhones = spelled(grammar, general_, verb);
    std::vector<PhoneLoop::Candidate> out{with({verb}, rest)};
    std::vector<QStringList> asked{{verb}};
    // Whether `place` was added as a rival reading.
    const auto rival = [&](const QStringList& place) {
        // A word two phones off the verb is the verb as the general model may hear it
        // ("then" or "in" for "end", "ill" for "kill"): the sound cannot tell them apart.
        if (place.isEmpty() || place.first() == verb ||
            std::find(asked.begin(), asked.end(), place) != asked.end() ||
            SpeechReading::soundAlike(general_, verbPhones, place, 2))
            return false;
        asked.push_back(place);
        out.push_back(with(place, rest));
        return true;
    };
    std::vector<std::string> ends;
    for (const QString& other : otherVerbs_) {
        rival(other.split(QLatin1Char(' '), Qt::SkipEmptyParts));
        for (const std::string& end : endsOf(spelled(grammar, general_, other)))
            if (std::find(ends.begin(), ends.end(), end) == ends.end())
                ends.push_back(end);
    }
    // A window that opened on a voice may hold only the end of the verb ("pen" of "open").
    if (openedOnVoice && !ends.empty()) {
        PhoneLoop::Candidate cut{{QStringLiteral("verbend"), std::move(ends), false}};
        for (const QString& word : rest)
            cut.push_back(loopWord(grammar, general_, word, false));
        cut[1].decides = cut[1].fromStart = true;
        out.push_back(std::move(cut));
    }
    const std::size_t verbs = out.size() - 1;
    // The general model's own first word, where it heard one in the verb's place.
    const bool shortWordHeard =
        heard.size() > rest.size() && !rest.contains(heard.first()) && rival({heard.first()}) &&
        std::count(std::begin(wordsBeforeNames), std::end(wordsBeforeNames), heard.first());
    for (const char* before : wordsBeforeNames)
        rival(QString::fromLatin1(before).split(QLatin1Char(' ')));
    return {std::move(out), verbs, shortWordHeard};
}

bool SpeechAgreement::agrees(ps_decoder_t* grammar, const QString& reading,
                             const QString& generalText) const {
    QStringList words = reading.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return false;
    if (reading.contains(QLatin1Char(SpeechGrammar::freeMark)) &&
        !SpeechReading::carrierHeard(general_, reading, generalText))
        return false;
    const QString verb = SpeechGrammar::unmarked(words.first());
    // A quit read as a switch ("show that firefox" for "shut down firefox") is the
    // opposite of what was said, so a switch needs its verb heard too.
    const bool needsVerb = endVerbs_.count(verb) || focusVerbs_.count(verb) ||
                           (runVerbs_.count(verb) && endsInSetup(words.mid(1)));
    if (needsVerb) {
        // A verb the general model does not know ("shutdown") is spelled by the grammar.
        QStringList phones = SpeechReading::phonesOf(general_, verb);
        if (phones.isEmpty())
            phones = SpeechReading::phonesOf(grammar, verb);
        return SpeechReading::heardAlike(general_, phones, withoutOtherVerbs(kindOf(verb), generalText));
    }
    return !namesSetup(words) || !heardAnyOf(endVerbs_, withoutWordsOf(words, generalText));
}

SpeechAgreement::Harm SpeechAgreement::harmOf(const QString& reading) const {
    const QStringList words = reading.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return Harm::mild;
    const QString verb = SpeechGrammar::unmarked(words.first());
    if (endVerbs_.count(verb) || namesSetup(words) || (runVerbs_.count(verb) && endsInSetup(words.mid(1))))
        return Harm::severe;
    if (runVerbs_.count(verb) || focusVerbs_.count(verb))
        return Harm::strong;
    return Harm::mild;
}

bool SpeechAgreement::capturesSetup(const QString& reading) const {
    const QStringList words = reading.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return words.contains(setupWord) && harmOf(reading) != Harm::severe;
}

bool SpeechAgreement::bringsForward(const QString& reading) const {
    return focusVerbs_.count(SpeechGrammar::unmarked(reading.section(QLatin1Char(' '), 0, 0))) > 0;
}

bool SpeechAgreement::decides(const QString& word) {
    static const std::set<QString> joining = {
        QStringLiteral("the"), QStringLiteral("a"),   QStringLiteral("an"),     QStringLiteral("my"),
        QStringLiteral("to"),  QStringLiteral("of"),  QStringLiteral("please"), QStringLiteral("it"),
        QStringLiteral("me"),  QStringLiteral("for"), QStringLiteral("this"),   QStringLiteral("that")};
    return !word.isEmpty() && !word.contains(QLatin1Char(SpeechGrammar::freeMark)) && !joining.count(word);
}

std::optional<SpeechAgreement::Rival> SpeechAgreement::rivalOf(const SpeechReading::Reading& reading,
                                                               const SpeechReading::Reading& general,
                                                               bool openedOnVoice) const {
    const QStringList words = reading.text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty() || words.size() != qsizetype(reading.words.size()) ||
        reading.text.contains(QLatin1Char(SpeechGrammar::freeMark)) || harmOf(reading.text) != Harm::severe)
        return std::nullopt;
    Rival rival;
    rival.atEdge = openedOnVoice;
    if (!endVerbs_.count(words.first()) && !runVerbs_.count(words.first())) {
        // A setup's name alone runs it: at the window's start, the verb said with it may
        // lie before the window.
        if (!rival.atEdge || !namesSetup(words))
            return std::nullopt;
        return rival;
    }
    if (words.size() < 2)
        return std::nullopt;
    rival.place = 1;
    while (rival.place < words.size() - 1 && !decides(words[rival.place]))
        ++rival.place;
    // The general model's words over the place, found as it finds them for free words;
    // where it heard none, the place is left empty. Both paths end with their
    // utterance: a whole utterance decoded again may have started later than the
    // general model's.
    SpeechReading::Reading marked = reading;
    const int later = reading.frames > 0 && general.frames > 0 ? general.frames - reading.frames : 0;
    for (SpeechReading::Word& word : marked.words) {
        word.start += later;
        word.end += later;
    }
    for (int i = 0; i < rival.place; ++i)
        marked.words[std::size_t(i)].text = QString(QLatin1Char(SpeechGrammar::freeMark));
    const QStringList said = words.mid(0, rival.place), rest = words.mid(rival.place);
    const QStringList heard =
        SpeechReading::withFreeWordsHeard(marked, general).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (heard.size() < rest.size() || heard.mid(heard.size() - rest.size()) != rest)
        return std::nullopt;
    rival.heard = heard.mid(0, heard.size() - rest.size());
    if (rival.heard == said || saidAlike(said + rest, rival.heard + rest))
        return std::nullopt;
    // The verb heard, or a word a phone off it ("and" for "end"), with other small
    // words or none ("stop" for "stop the"), is no rival; "it" for "quit" is one, and
    // so is "shut up" for "shut that".
    QStringList heardDeciding = rival.heard;
    heardDeciding.removeIf([](const QString& word) { return !decides(word); });
    if (!heardDeciding.isEmpty() && SpeechReading::soundAlike(general_, placePhones(said), heardDeciding))
        return std::nullopt;
    return rival;
}

QStringList SpeechAgreement::placePhones(const QStringList& said) const {
    QStringList phones;
    for (const QString& word : said)
        if (decides(word))
            phones << SpeechReading::phonesOf(general_, word);
    return phones;
}

std::set<QString> SpeechAgreement::verbs() const {
    std::set<QString> out = endVerbs_;
    out.insert(runVerbs_.begin(), runVerbs_.end());
    return out;
}

QString SpeechAgreement::Rival::saidKey(const QString& reading) const {
    const QStringList words = reading.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return QStringLiteral("<said> ") + keyOf(words.mid(0, place), words.mid(place));
}

QString SpeechAgreement::Rival::heardKey(const QString& reading) const {
    return QStringLiteral("<heard> ") +
           keyOf(heard, reading.split(QLatin1Char(' '), Qt::SkipEmptyParts).mid(place));
}

std::vector<std::pair<QString, PhoneLoop::Candidate>>
SpeechAgreement::Rival::weighings(ps_decoder_t* grammar, ps_decoder_t* general, const QString& reading,
                                  const std::set<QString>& verbs) const {
    const QStringList words = reading.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    PhoneLoop::Candidate said, other;
    if (place == 0) {
        // Before a setup's name: the room's silence, or the end of a verb.
        said.push_back({QStringLiteral("roomsilence"), {silencePhone}, true});
        std::vector<std::string> ends;
        for (const QString& verb : verbs)
            for (const std::string& end : endsOf(spelled(general, grammar, verb)))
                if (std::find(ends.begin(), ends.end(), end) == ends.end())
                    ends.push_back(end);
        other.push_back({QStringLiteral("verbend"), std::move(ends), true});
    } else if (heard.isEmpty()) {
        // What a stretch the general model heard as no word holds.
        QStringList placeWords;
        for (qsizetype i = 0; i < place; ++i)
            placeWords << words[i];
        other.push_back({QStringLiteral("noword"), noWord(general, grammar, placeWords, atEdge), true});
    } else {
        for (const QString& word : heard)
            other.push_back(loopWord(general, grammar, word, true));
    }
    for (qsizetype i = 0; i < words.size(); ++i) {
        PhoneLoop::Word word = loopWord(grammar, general, words[i], i < place);
        if (i < place)
            said.push_back(std::move(word));
        else {
            said.push_back(word);
            other.push_back(std::move(word));
        }
    }
    return {{saidKey(reading), std::move(said)}, {heardKey(reading), std::move(other)}};
}

// Whether the words are a setup's name, with "setup" before or after it or not.
bool SpeechAgreement::namesSetup(QStringList words) const {
    if (!words.isEmpty() && words.first() == setupWord)
        words.removeFirst();
    if (!words.isEmpty() && words.last() == setupWord)
        words.removeLast();
    return !words.isEmpty() && setups_.count(SpeechGrammar::formatNumbers(words.join(QLatin1Char(' '))));
}

// The verbs of the kind `verb` is of.
const std::set<QString>& SpeechAgreement::kindOf(const QString& verb) const {
    return endVerbs_.count(verb) ? endVerbs_ : focusVerbs_.count(verb) ? focusVerbs_ : runVerbs_;
}

// Whether the words end in a setup's name, past the rest of a verb of two words
// ("bring up") or a filler ("run the morning").
bool SpeechAgreement::endsInSetup(const QStringList& words) const {
    for (qsizetype from = 0; from < words.size(); ++from)
        if (namesSetup(words.mid(from)))
            return true;
    return false;
}

// The general text with every command word not of `kind` blanked out: a verb heard
// word for word is that verb, not another said alike ("play" is not "apply").
QString SpeechAgreement::withoutOtherVerbs(const std::set<QString>& kind, const QString& generalText) const {
    QStringList words = generalText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (QString& word : words)
        if (commandWords_.count(word) && !kind.count(word))
            word = QStringLiteral("<other>");
    return words.join(QLatin1Char(' '));
}

// Whether the general model heard any of one kind's verbs.
bool SpeechAgreement::heardAnyOf(const std::set<QString>& kind, const QString& generalText) const {
    const QString heard = withoutOtherVerbs(kind, generalText);
    for (const QString& verb : kind)
        if (SpeechReading::heardAlike(general_, verb, heard))
            return true;
    return false;
}

SpeechAgreement::VerbRivals::Leads
SpeechAgreement::VerbRivals::leads(const std::vector<std::optional<double>>& supports) const {
    Leads leads;
    if (supports.empty() || !supports.front())
        return leads;
    leads.verb = leads.word = -std::numeric_limits<double>::infinity();
    for (std::size_t i = 1; i < supports.size(); ++i)
        if (supports[i]) {
            double& lead = i <= verbs ? leads.verb : leads.word;
            lead = std::max(lead, *supports[i] - *supports.front());
        }
    return leads;
}

} // namespace brisklet::platform
