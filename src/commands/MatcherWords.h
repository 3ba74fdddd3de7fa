#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

// The words the intent matcher reads phrases by: its verbs, fillers and numbers, and
// the form in which it hears a setup's name.
namespace brisklet::MatcherWords {

using WordSet = QSet<QString>;

const WordSet& parametricVerbs();
const WordSet& tilingVerbs();
const WordSet& fullscreenVerbs();
const WordSet& mediaVerbs();
const WordSet& captureVerbs();
const WordSet& runSetupVerbs();
const WordSet& endSetupVerbs();
const WordSet& openVerbs();
const WordSet& quitVerbs();
// The words after which a capture phrase gives its name.
const WordSet& nameMarkers();
const WordSet& nameFiller();
const WordSet& selfWords();
const WordSet& fullscreenTail();
const WordSet& songWords();
// The words a question opens with ("what", "how", "is there").
const WordSet& questionWords();
// The sounds and words said before a question without changing it ("uh", "so").
const WordSet& hesitations();
// How a recogniser spells "uh" and "um" before a question ("but", "the", "and",
// "im"): fillers there and nowhere else, as "and" elsewhere is a misheard "end".
const WordSet& misheardHesitations();
// Whether the words ask a question, after any fillers said first: "what is a setup",
// "uh what is a setup", and as heard, "but what is a setup".
bool asksQuestion(const QStringList& words);
const QHash<QString, int>& numberWords();

// Normalised text with "set up" said as the one word "setup".
QString withSetupWord(const QString& normalized);
// What a setup's name or phrase sounds like, from normalised text: "set up" as
// "setup" and number words in digits, as a transcript writes "studio two" as
// "studio 2". Two names with one key are one spoken name.
QString setupKey(const QString& normalized);

} // namespace brisklet::MatcherWords
