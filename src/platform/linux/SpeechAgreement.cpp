#include "platform/linux/SpeechAgreement.h"

#include "base/Text.h"
#include "platform/linux/SpeechGrammar.h"
#include "platform/linux/SpeechReading.h"

namespace brisklet::platform {

namespace {

// The word a setup's name is said with, before or after it ("deep work setup").
const QString setupWord = QStringLiteral("setup");

} // namespace

SpeechAgreement::SpeechAgreement(ps_decoder_t* general, const SpeechShapes& shapes)
    : general_(general), endVerbs_(shapes.endVerbs.begin(), shapes.endVerbs.end()),
      runVerbs_(shapes.runVerbs.begin(), shapes.runVerbs.end()) {
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
    const bool ends = endVerbs_.count(verb) > 0;
    if (ends || (runVerbs_.count(verb) && namesSetup(words.mid(1)))) {
        // A verb the general model does not know ("shutdown") is spelled by the grammar.
        QStringList phones = SpeechReading::phonesOf(general_, verb);
        if (phones.isEmpty())
            phones = SpeechReading::phonesOf(grammar, verb);
        return SpeechReading::heardAlike(general_, phones, generalText);
    }
    return !namesSetup(words) || !heardAnyOf(endVerbs_, generalText);
}

// Whether the words are a setup's name, with "setup" before or after it or not.
bool SpeechAgreement::namesSetup(QStringList words) const {
    if (!words.isEmpty() && words.first() == setupWord)
        words.removeFirst();
    if (!words.isEmpty() && words.last() == setupWord)
        words.removeLast();
    return !words.isEmpty() && setups_.count(SpeechGrammar::formatNumbers(words.join(QLatin1Char(' '))));
}

bool SpeechAgreement::heardAnyOf(const std::set<QString>& verbs, const QString& generalText) const {
    for (const QString& verb : verbs)
        if (SpeechReading::heardAlike(general_, verb, generalText))
            return true;
    return false;
}

} // namespace brisklet::platform
