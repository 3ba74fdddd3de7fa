#pragma once

#include <QHash>
#include <QSet>
#include <QString>

// The words the intent matcher reads phrases by: its verbs, fillers and numbers.
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
const QHash<QString, int>& numberWords();

} // namespace brisklet::MatcherWords
