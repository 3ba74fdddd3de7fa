#include "setups/SetupStore.h"

#include "base/Log.h"
#include "base/Text.h"
#include "commands/MatcherWords.h"
#include "commands/SpokenKeys.h"

#include <QHash>
#include <QSet>

// How setups are named as the voice hears them: names and phrases said alike, and the
// free copy names a save or a Duplicate gives.
namespace brisklet {

namespace {

// Copy names free of the names and phrases taken, each one given taken in turn. A
// name's numbering goes on from where its last search stopped, so a file holding a
// thousand setups of one name is renamed in a thousand steps, not half a million.
class FreeNames {
public:
    explicit FreeNames(const QStringList& taken) {
        for (const QString& word : taken)
            taken_.insert(SetupStore::spokenKey(word));
    }

    bool isTaken(const QString& name) const { return taken_.contains(SetupStore::spokenKey(name)); }

    QString copyOf(const QString& name) {
        auto next = next_.find(SetupStore::spokenKey(name));
        if (next == next_.end())
            next = next_.insert(SetupStore::spokenKey(name), 1);
        for (int& n = *next;; ++n) {
            const QString candidate = n == 1 ? name + QStringLiteral(" copy")
                                             : name + QStringLiteral(" copy ") + QString::number(n);
            const QString key = SetupStore::spokenKey(candidate);
            if (!taken_.contains(key)) {
                taken_.insert(key);
                return candidate;
            }
        }
    }

private:
    SpokenKeys taken_;
    QHash<QString, int> next_; // a name's spoken key → the copy number its search stands at
};

// A name said like another setup's phrase (a file written by hand, or by a
// Duplicate that kept clear of names only) is heard as that phrase and runs the
// other setup: the name takes the copy name a save would give it, and the phrase
// stays with the setup the user gave it to. True when one was renamed.
bool renameNamesSaidLikePhrases(SetupStore::List& list, FreeNames& free) {
    struct Said {
        qsizetype setup;
        QString phrase;
    };
    SpokenKeys phrases;
    QHash<QString, std::vector<Said>> sayers; // a phrase's key → the setups saying it, in file order
    for (qsizetype i = 0; i < qsizetype(list.size()); ++i) {
        for (const QString& phrase : list[i].phrases) {
            const QString key = SetupStore::spokenKey(phrase);
            if (key.isEmpty())
                continue;
            phrases.insert(key);
            std::vector<Said>& by = sayers[key];
            if (by.empty() || by.back().setup != i)
                by.push_back({i, phrase});
        }
    }
    if (sayers.isEmpty())
        return false;
    QStringList filed; // the names as the file has them, for the log
    for (const Setup& setup : list)
        filed << setup.name;
    bool renamed = false;
    for (qsizetype i = 0; i < qsizetype(list.size()); ++i) {
        // Its own phrase said like its name runs it all the same.
        const Said* other = nullptr;
        for (const QString& key : phrases.keysAlike(SetupStore::spokenKey(list[i].name))) {
            const std::vector<Said>& by = *sayers.constFind(key);
            other = by.front().setup != i ? &by.front() : by.size() > 1 ? &by[1] : nullptr;
            if (other)
                break;
        }
        if (!other)
            continue;
        const QString copy = free.copyOf(list[i].name);
        qCInfo(lcApp).noquote() << QStringLiteral(
                                       "setups.json: “%1” is said like “%2”, a phrase of “%3” — renamed “%4”")
                                       .arg(filed[i], other->phrase, filed[other->setup], copy);
        list[i].name = copy;
        renamed = true;
    }
    return renamed;
}

} // namespace

// Two names said alike (a file written by hand, or before names were compared
// this way) leave the voice only the first: each later one takes the copy name a
// save would give it, as does a name said like another setup's phrase. True when
// one was renamed.
bool SetupStore::renameNamesSaidAlike(List& list) {
    FreeNames free(SetupStore::spokenWords(list));
    // Phrases first: a name that gives way to a phrase no longer takes the name of
    // the phrase's owner, which then keeps its own.
    bool renamed = renameNamesSaidLikePhrases(list, free);
    SpokenKeys heard; // the names kept so far
    for (Setup& setup : list) {
        if (const auto earlier = heard.value(SetupStore::spokenKey(setup.name))) {
            const QString copy = free.copyOf(setup.name);
            qCInfo(lcApp).noquote() << QStringLiteral("setups.json: “%1” is said like “%2” — renamed “%3”")
                                           .arg(setup.name, *earlier, copy);
            setup.name = copy;
            renamed = true;
        }
        heard.insert(SetupStore::spokenKey(setup.name), setup.name);
    }
    return renamed;
}

QString SetupStore::spokenKey(const QString& text) {
    // The voice's own key: a name the store tells apart, the voice does too.
    return MatcherWords::setupKey(Text::normalize(text));
}

bool SetupStore::saidAlike(const QString& a, const QString& b) {
    return SpokenKeys::saidAlike(spokenKey(a), spokenKey(b));
}

QStringList SetupStore::spokenWords(const List& list) {
    QStringList words;
    for (const Setup& setup : list)
        words << setup.name << setup.phrases;
    return words;
}

QString SetupStore::copyName(const QString& name, const QStringList& existing) {
    return FreeNames(existing).copyOf(name);
}

QString SetupStore::nameForSave(const Setup& edited, const std::vector<Setup>& stored) {
    // Another setup's phrase is taken as much as its name: said, it runs that setup.
    QStringList others;
    for (const Setup& other : stored)
        if (other.id != edited.id)
            others << other.name << other.phrases;
    FreeNames free(others);
    return free.isTaken(edited.name) ? free.copyOf(edited.name) : edited.name;
}

} // namespace brisklet
