#include "support/KeepingRuleFuzzer.h"

#include "support/FileFaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <random>

namespace brisklet::test {

namespace {

const char* const tokens[] = {"{",    "}",     "[",        "]",  ",",     ":",   "\"",     "null",
                              "true", "false", "0",        "-1", "1e999", "0.5", "\"\"",   "\\u0000",
                              "\\\"", "\xff",  "\xc3\xa9", "\n", "{}",    "[]",  "\"id\"", "\"name\""};

// Files may grow to `fileLimit` while a big file's backup must fail.
constexpr qsizetype fileLimit = 64 * 1024;
constexpr qsizetype bigFile = 96 * 1024;

size_t pick(std::mt19937& rng, size_t n) {
    return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(rng);
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every earlier backup is kept under a stamped name beside the plain one.
bool backupHolds(const QString& folder, const QString& backupName, const QByteArray& bytes) {
    const QFileInfo name(backupName);
    const QStringList kept = QDir(folder).entryList(
        {backupName, name.completeBaseName() + QStringLiteral("-*.") + name.suffix()}, QDir::Files);
    return std::any_of(kept.begin(), kept.end(),
                       [&](const QString& k) { return bytesOf(folder + QLatin1Char('/') + k) == bytes; });
}

void clearFolder(const QString& folder) {
    QDir dir(folder);
    for (const QString& f : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        dir.remove(f);
}

} // namespace

QByteArray mutate(const QByteArray& input, const std::vector<QByteArray>& seeds, unsigned& state) {
    std::mt19937 rng(state++);
    QByteArray out = input;
    const int steps = 1 + static_cast<int>(pick(rng, 4));
    for (int s = 0; s < steps; ++s) {
        const qsizetype at = static_cast<qsizetype>(pick(rng, static_cast<size_t>(out.size()) + 1));
        const qsizetype span = 1 + static_cast<qsizetype>(pick(rng, 16));
        switch (pick(rng, 7)) {
        case 0: // flip a byte
            if (at < out.size())
                out[at] = static_cast<char>(out[at] ^ (1 << pick(rng, 8)));
            break;
        case 1: // a random byte
            out.insert(at, static_cast<char>(pick(rng, 256)));
            break;
        case 2:
            out.remove(at, span);
            break;
        case 3: // repeat a stretch
            out.insert(at, out.mid(at, span));
            break;
        case 4:
            out.truncate(at);
            break;
        case 5:
            out.insert(at, tokens[pick(rng, std::size(tokens))]);
            break;
        default: { // a stretch of another seed
            const QByteArray& other = seeds[pick(rng, seeds.size())];
            const qsizetype from = static_cast<qsizetype>(pick(rng, static_cast<size_t>(other.size()) + 1));
            out.insert(at, other.mid(from, span * 4));
            break;
        }
        }
    }
    return out;
}

FuzzReport fuzzKeepingRule(const FuzzedStore& store, unsigned seed, int count) {
    FuzzReport report;
    const QString folder = QFileInfo(store.filePath).absolutePath();
    QDir().mkpath(folder);
    unsigned state = seed;
    std::mt19937 rng(seed);
    std::vector<QByteArray> pool = store.seeds; // inputs that kept their records are mutated further
    for (int i = 0; i < count; ++i) {
        QByteArray input = i < static_cast<int>(store.seeds.size())
                               ? store.seeds[static_cast<size_t>(i)]
                               : mutate(pool[pick(rng, pool.size())], store.seeds, state);
        // Every fourth file is too big to copy: its backup fails as on a full disk.
        const bool backupFails = i % 4 == 3;
        if (backupFails && input.size() < bigFile)
            input.append(QByteArray(bigFile - input.size(), ' '));
        clearFolder(folder);
        {
            QFile f(store.filePath);
            if (!f.open(QIODevice::WriteOnly) || f.write(input) != input.size()) {
                report.failures << QStringLiteral("input %1: couldn't be written").arg(i);
                continue;
            }
        }
        ++report.inputs;
        if (backupFails) {
            FileSizeLimit limit(fileLimit);
            store.loadChangeAndSave();
        } else {
            store.loadChangeAndSave();
        }

        const QByteArray after = bytesOf(store.filePath);
        if (after == input) {
            ++report.unchanged;
            continue;
        }
        if (backupHolds(folder, store.backupName, input)) {
            ++report.backedUp;
            continue;
        }
        const auto before = store.records(input);
        const auto now = store.records(after);
        if (before && now && std::includes(now->begin(), now->end(), before->begin(), before->end())) {
            ++report.recordsKept;
            if (pool.size() < 256)
                pool.push_back(input);
            continue;
        }
        report.failures << QStringLiteral("input %1 (%2 bytes) lost: %3")
                               .arg(i)
                               .arg(input.size())
                               .arg(QString::fromLatin1(input.left(200).toPercentEncoding(" {}[]:,\"")));
    }
    return report;
}

} // namespace brisklet::test
