#include "platform/linux/speech/PocketSphinxRecognizer.h"
#include "platform/linux/speech/SpeechAgreement.h"
#include "platform/linux/speech/SpeechGrammar.h"

namespace brisklet::platform {

QString PocketSphinxRecognizer::Decision::Reading::rivalText() const {
    if (!rival)
        return QStringLiteral("none");
    if (!rivalHeard.isEmpty())
        return rivalHeard.join(QLatin1Char(' '));
    return rivalPlace > 0 ? QStringLiteral("(no word)") : QStringLiteral("(before the window)");
}

// A count or level is believed only on a sure score, in quiet rooms too: noise and a
// quiet room's faint sounds fit one of a hundred numbers easily.
bool PocketSphinxRecognizer::Decision::Reading::scoresNumberSurely(const GrammarRule& rule) const {
    return SpeechGrammar::formatNumbers(raw) == raw || scorePerFrame >= rule.minNumberScorePerFrame;
}

// Paths forced onto other speech cover less of it, or leave the general model with more
// to say.
bool PocketSphinxRecognizer::Decision::Reading::plausible(const GrammarRule& rule, bool quietRoom) const {
    return !text.isEmpty() && coverage >= (quietRoom ? rule.minCoverageQuiet : rule.minCoverage) &&
           extraSyllables <= rule.maxExtraSyllables;
}

// The sound where the reading was weighed against it, with the general model's hearing
// of its verb as one more witness; the general model's hearing alone where it was not
// (a partial, or no loop).
bool PocketSphinxRecognizer::Decision::Reading::supported(const GrammarRule& rule, bool quietRoom) const {
    if (!rule.weighBySound || !support || (bringsForward && rule.forwardNeedsVerbHeard && !agrees))
        return agrees;
    const double bar = harm == int(SpeechAgreement::Harm::severe)   ? rule.minSupportSevere
                       : harm == int(SpeechAgreement::Harm::strong) ? rule.minSupportStrong
                                                                    : rule.minSupportMild;
    return *support + (agrees ? rule.agreedBonus : 0.0) >= bar &&
           rivalLead.value_or(0.0) <= (rival && rivalPlace == 0 ? rule.maxEdgeLead
                                       : quietRoom              ? rule.maxRivalLeadQuiet
                                                                : rule.maxRivalLead);
}

QString PocketSphinxRecognizer::Decision::placesText() const {
    return (chime ? QString::asprintf("our chime at %.3f–%.3f s", chime->first, chime->second)
                  : QStringLiteral("no chime heard")) +
           QString::asprintf(", matched %.2f; the general model's last word ends by ", chimeMatch) +
           (lastWordEnd ? QString::asprintf("%.3f s", *lastWordEnd) : QStringLiteral("none"));
}

bool GrammarRule::ownVerbStands(double verbLead, double wordLead, bool atEdge, bool quietRoom,
                                bool underChime, bool shortWordHeard) const {
    // In a quiet room another verb never leads, the general model's and the short words
    // a little; out of one any may, by the noisy margin. A verb begun under our chime is
    // half taken out with it: in a quiet room it must lead the general model's and the
    // short words.
    const double margin = atEdge ? minOwnVerbLeadAtEdge : quietRoom ? minOwnVerbLead : minOwnVerbLeadNoisy;
    const double wordMargin = atEdge || !quietRoom           ? margin
                              : underChime && shortWordHeard ? minOwnVerbLeadUnderChimeOverHeardWord
                              : underChime                   ? minOwnVerbLeadUnderChime
                                                             : minOwnVerbLeadOverWords;
    return verbLead < -margin && wordLead < -wordMargin;
}

} // namespace brisklet::platform
