#include "platform/linux/SpeechAgreement.h"

#include "base/Text.h"
#include "platform/linux/SpeechGrammar.h"
#include "platform/linux/SpeechReading.h"

#include <algorithm>

namespace brisklet::platform {

namespace {

// The word a setup's name is said with, before or after it ("deep work setup").
const QString setupWord = QStringLiteral("setup");

} // namespace

SpeechAgreement::SpeechAgreement(ps_decoder_t* general, const SpeechShapes& shapes)
    : general_(general), kinds_(shapes.verbKinds), aloneKind_(shapes.nameAloneKind) {
    for (const auto& [slot, names] : shapes.names)
        if (slot == SpeechShapes::Slot::setup || slot == SpeechShapes::Slot::app)
            for (const QString& name : names)
                names_.insert(Text::normalize(name));
    for (const QString& name : shapes.shortAppNames)
        names_.insert(Text::normalize(name));
}

bool SpeechAgreement::agrees(ps_decoder_t* grammar, const QString& reading,
                             const QString& generalText) const {
    const QStringList words = reading.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return false;
    if (reading.contains(QLatin1Char(SpeechGrammar::freeMark)) &&
        !SpeechReading::carrierHeard(general_, reading, generalText))
        return false;
    const QString first = SpeechGrammar::unmarked(words.first());
    if (kinds_.count(first)) {
        // A verb the general model does not know ("fullscreen") is spelled by the grammar.
        QStringList phones = SpeechReading::phonesOf(general_, first);
        if (phones.isEmpty())
            phones = SpeechReading::phonesOf(grammar, first);
        return SpeechReading::heardAlike(general_, phones, generalText);
    }
    return !nameAlone(words) || !heardVerbNotOf(aloneKind_, generalText);
}

bool SpeechAgreement::contradicts(const QString& reading, const QString& generalText) const {
    const auto kind = kinds_.find(SpeechGrammar::unmarked(reading.section(QLatin1Char(' '), 0, 0)));
    if (kind == kinds_.end() || kind->second == aloneKind_)
        return false;
    const QStringList heard = generalText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return !heard.isEmpty() &&
           std::none_of(heard.begin(), heard.end(), [this](const QString& w) { return kinds_.count(w) > 0; });
}

bool SpeechAgreement::nameAlone(const QStringList& words) const {
    QStringList name = words;
    if (!name.isEmpty() && name.first() == setupWord)
        name.removeFirst();
    if (!name.isEmpty() && name.last() == setupWord)
        name.removeLast();
    return !name.isEmpty() && names_.count(SpeechGrammar::formatNumbers(name.join(QLatin1Char(' '))));
}

bool SpeechAgreement::heardVerbNotOf(const QString& kind, const QString& generalText) const {
    for (const auto& [verb, verbKind] : kinds_)
        if (verbKind != kind && SpeechReading::heardAlike(general_, verb, generalText))
            return true;
    return false;
}

} // namespace brisklet::platform
