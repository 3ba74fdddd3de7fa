#pragma once

#include "commands/Action.h"
#include "commands/AppIndex.h"
#include "platform/SpeechShapes.h"

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace brisklet::IntentResolver {

enum class Family { run, end, focus };
enum class ObjectClass { setup, layout, app };

QString familyName(Family family);

// A text a user may say for a setup, and the setup's stored name.
struct SetupKey {
    QString key;  // normalised
    QString name; // as stored
    // The phonetic key of `key` when the caller has it already; empty: worked out here.
    QString phonetic;
    bool operator==(const SetupKey& o) const { return key == o.key && name == o.name; }
};

// The names the resolver may choose from.
struct Inventory {
    std::vector<SetupKey> setups;
    std::vector<QString> layouts;
    std::vector<QString> apps;
    // The app index's records, used in place of `apps` when set (their names are the
    // app names; their normalised forms and phonetic keys are already worked out).
    std::shared_ptr<const std::vector<IndexedApp>> indexedApps;
};

struct Resolution {
    Plan actions; // always one action
    double score = 0;
    QString reason; // "end:Deep Work", "bare:Morning"
};

// An optional verb followed by the name of one setup, layout or app, read with
// tolerance for recognition errors. Nothing without a confident reading.
std::optional<Resolution> resolve(const QString& phrase, const Inventory& inventory);

// How the phrases resolve() reads are said: a verb of its lexicon, a filler word, a
// name and the name's kind.
std::vector<platform::SpeechShapes::Shape> spokenShapes();

// The verbs of one family of its lexicon as said, each by its first word ("shut" of
// "shut down").
QStringList spokenVerbs(Family family);

// The family of the verb a phrase's words start with, as said (never as misheard),
// and how many words it takes: "shut down slack" → end, 2.
std::optional<std::pair<Family, qsizetype>> leadingVerb(const QStringList& words);

// Whether the resolver reads a word as no part of a name ("the", "please", "and").
bool isFiller(const QString& word);

// A crude key under which similar-sounding spellings agree ("phone" → "fn").
QString phoneticKey(const QString& text);
// 0…0.9: how alike two texts sound.
double phoneticScore(const QString& a, const QString& b);
// The same from two phonetic keys.
double phoneticScoreOfKeys(const QString& ka, const QString& kb);
// The verb family of a word or words, with its confidence.
std::optional<std::pair<Family, double>> matchVerb(const QString& text);

} // namespace brisklet::IntentResolver
