#pragma once

#include <QHash>
#include <QString>
#include <initializer_list>
#include <optional>
#include <vector>

namespace brisklet {

// Spoken keys (MatcherWords::setupKey) found by any way a recogniser may write
// them: the key itself, or the same words with a compound written as one word on
// one side and in its parts on the other ("everyday", "every day"). Texts that
// say nothing are never keys.
class SpokenKeys final {
public:
    // Whether two keys are one spoken name: the same, or one is the other with some
    // of its words written together, each part a word rather than a number. Only
    // joined words count: "now here" is "nowhere" but not "no where", and "studio 2"
    // is not "studio2".
    static bool saidAlike(const QString& a, const QString& b);

    SpokenKeys() = default;
    SpokenKeys(std::initializer_list<QString> keys) {
        for (const QString& key : keys)
            insert(key);
    }

    // Adds a key, unless the very same key is in already: the first keeps its value.
    void insert(const QString& key, const QString& value = {});
    // The value of the key said alike with `key`: its own before a compound's (the
    // first added of those).
    std::optional<QString> value(const QString& key) const;
    bool contains(const QString& key) const { return value(key).has_value(); }
    // Every key added that is said alike with `key`: its own first, then the
    // compounds in the order added.
    std::vector<QString> keysAlike(const QString& key) const;
    // Whether the very key was added, not only one said alike.
    bool containsOwn(const QString& key) const { return values_.contains(key); }

private:
    QHash<QString, QString> values_;
    QHash<QString, std::vector<QString>> byLetters_; // a key without its spaces → its keys, first added first
};

} // namespace brisklet
