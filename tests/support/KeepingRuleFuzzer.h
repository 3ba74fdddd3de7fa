#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <set>
#include <vector>

namespace brisklet::test {

// A store of the data folder under the fuzzer: what its file is called, what valid
// files look like, how the app loads and changes it, and what records a file holds.
struct FuzzedStore {
    QString filePath;   // where the store reads and writes
    QString backupName; // its backup, in the same folder
    std::vector<QByteArray> seeds;
    // Loads the file as the app does at launch, makes one change of its own and saves.
    std::function<void()> loadChangeAndSave;
    // Every record a file holds, each in a canonical form; nothing when the store
    // would not decode the file.
    std::function<std::optional<std::set<QByteArray>>(const QByteArray&)> records;
};

struct FuzzReport {
    int inputs = 0;
    int unchanged = 0; // the file kept byte for byte
    int backedUp = 0;  // replaced, with a byte-identical backup beside it
    int recordsKept = 0;
    QStringList failures; // each names the input that broke the rule
};

// Feeds `count` inputs mutated from the seeds by a generator seeded with `seed`
// (the same run every time) and checks the keeping rule after each: the file is
// byte-identical, or a byte-identical backup exists, or every record decoded from
// the input is still in the file. Every fourth input is made too big to back up
// (files may then grow to 64 KiB only), so the rule is also checked where a backup
// fails.
FuzzReport fuzzKeepingRule(const FuzzedStore& store, unsigned seed, int count);

// One mutation of `input`: bytes flipped, inserted, deleted, duplicated or truncated,
// JSON tokens dropped in, or a stretch of another seed spliced in.
QByteArray mutate(const QByteArray& input, const std::vector<QByteArray>& seeds, unsigned& state);

} // namespace brisklet::test
