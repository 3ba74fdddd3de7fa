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
                                                               const SpeechReading::Reading& general) const {
    const QStringList words = reading.text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() < 2 || words.size() != qsizetype(reading.words.size()) ||
        reading.text.contains(QLatin1Char(SpeechGrammar::freeMark)) || harmOf(reading.text) != Harm::severe ||
        (!endVerbs_.count(words.first()) && !runVerbs_.count(words.first())))
        return std::nullopt;
    Rival rival;
    rival.place = 1;
    while (rival.place < words.size() - 1 && !decides(words[rival.place]))
        ++rival.place;
    // The general model's words over the place, found as it finds them for free words.
    // Both paths end with their utterance: a whole utterance decoded again may have
    // started later than the general model's.
    SpeechReading::Reading marked = reading;
    const int later = reading.frames > 0 && general.frames > 0 ? general.frames - reading.frames : 0;
    for (SpeechReading::Word& word : marked.words) {
        word.start += later;
        word.end += later;
    }
    for (int i = 0; i < rival.place; ++i)
        marked.words[std::size_t(i)].text += QLatin1Char(SpeechGrammar::freeMark);
    const QStringList said = words.mid(0, rival.place), rest = words.mid(rival.place);
    const QStringList heard =
        SpeechReading::withFreeWordsHeard(marked, general).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (heard.size() <= rest.size() || heard.mid(heard.size() - rest.size()) != rest)
        return std::nullopt;
    rival.heard = heard.mid(0, heard.size() - rest.size());
    if (rival.heard == said || saidAlike(said + rest, rival.heard + rest))
        return std::nullopt;
    // The verb heard, or a word a phone off it ("and" for "end"), with other small
    // words or none ("stop" for "stop the"), is no rival; "it" for "quit" is one, and
    // so is "shut up" for "shut that".
    const auto deciding = [](QStringList words) {
        words.removeIf([](const QString& word) { return !decides(word); });
        return words;
    };
    QStringList phones;
    for (const QString& word : deciding(said))
        phones << SpeechReading::phonesOf(general_, word);
    if (const QStringList heardDeciding = deciding(rival.heard);
        !heardDeciding.isEmpty() && SpeechReading::soundAlike(general_, phones, heardDeciding))
        return std::nullopt;
    return rival;
}

QString SpeechAgreement::Rival::saidKey(const QString& reading) const {
    const QStringList words = reading.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return keyOf(words.mid(0, place), words.mid(place));
}

QString SpeechAgreement::Rival::heardKey(const QString& reading) const {
    return keyOf(heard, reading.split(QLatin1Char(' '), Qt::SkipEmptyParts).mid(place));
}

std::vector<std::pair<QString, PhoneLoop::Candidate>>
SpeechAgreement::Rival::weighings(ps_decoder_t* grammar, ps_decoder_t* general,
                                  const QString& reading) const {
    const QStringList words = reading.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    PhoneLoop::Candidate said, other;
    for (qsizetype i = 0; i < words.size(); ++i)
        said.push_back(loopWord(grammar, general, words[i], i < place));
    for (const QString& word : heard)
        other.push_back(loopWord(general, grammar, word, true));
    for (qsizetype i = place; i < words.size(); ++i)
        other.push_back(said[std::size_t(i)]);
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

} // namespace brisklet::platform
