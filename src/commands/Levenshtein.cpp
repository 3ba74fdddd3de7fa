#include "commands/Levenshtein.h"

#include <QList>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <cstdlib>
#include <vector>

namespace brisklet::Levenshtein {

namespace {

bool hasSurrogates(QStringView s) {
    for (QChar c : s) {
        if (c.isSurrogate())
            return true;
    }
    return false;
}

// Two rows of n + 1 cells. Rows of short texts live on the stack.
template <typename A, typename B> int rows(const A* a, int m, const B* b, int n, int limit) {
    if (m == 0)
        return n;
    if (n == 0)
        return m;
    if (limit >= 0 && std::abs(m - n) > limit)
        return limit + 1;
    constexpr int kStack = 64;
    int stackRows[2 * (kStack + 1)];
    std::vector<int> heap;
    int* prev = stackRows;
    int* cur = stackRows + kStack + 1;
    if (n > kStack) {
        heap.resize(2 * std::size_t(n + 1));
        prev = heap.data();
        cur = heap.data() + n + 1;
    }
    for (int j = 0; j <= n; ++j)
        prev[j] = j;
    for (int i = 1; i <= m; ++i) {
        cur[0] = i;
        int rowMin = cur[0];
        const auto ai = a[i - 1];
        for (int j = 1; j <= n; ++j) {
            const int cost = ai == b[j - 1] ? 0 : 1;
            const int v = std::min({prev[j - 1] + cost, cur[j - 1] + 1, prev[j] + 1});
            cur[j] = v;
            rowMin = std::min(rowMin, v);
        }
        // A row's smallest cell never shrinks in the rows below, so once a whole row
        // is over the limit the result is too.
        if (limit >= 0 && rowMin > limit)
            return limit + 1;
        std::swap(prev, cur);
    }
    return prev[n];
}

// Each edit changes a text's letter counts by at most two, so half the difference of
// the two texts' counts is a lower bound of their distance. Letters share 32 buckets,
// which can only lower the bound.
int countsBound(QStringView a, QStringView b) {
    int counts[32] = {};
    for (QChar c : a)
        ++counts[c.unicode() & 31];
    for (QChar c : b)
        --counts[c.unicode() & 31];
    int sum = 0;
    for (int n : counts)
        sum += std::abs(n);
    return (sum + 1) / 2;
}

int compute(QStringView a, QStringView b, int limit) {
    if (!hasSurrogates(a) && !hasSurrogates(b)) {
        // Code units are scalars here, so the letter counts bound the distance.
        if (limit >= 0 && std::abs(a.size() - b.size()) <= limit && countsBound(a, b) > limit)
            return limit + 1;
        return rows(a.utf16(), int(a.size()), b.utf16(), int(b.size()), limit);
    }
    const QList<uint> ua = a.toUcs4();
    const QList<uint> ub = b.toUcs4();
    return rows(ua.constData(), int(ua.size()), ub.constData(), int(ub.size()), limit);
}

} // namespace

int distance(QStringView a, QStringView b) {
    return compute(a, b, -1);
}

int boundedDistance(QStringView a, QStringView b, int limit) {
    return compute(a, b, std::max(limit, 0));
}

int characterCount(QStringView text) {
    // Below U+0300 every code unit is a character of its own (no combining marks, no
    // surrogates, no joiners), which covers nearly all normalised speech.
    bool simple = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x300 || c == QLatin1Char('\r')) {
            simple = false;
            break;
        }
    }
    if (simple)
        return int(text.size());
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.toString());
    int count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

double similarity(QStringView a, QStringView b) {
    const int longest = std::max(characterCount(a), characterCount(b));
    if (longest < 1)
        return 1.0;
    return 1.0 - double(distance(a, b)) / double(longest);
}

} // namespace brisklet::Levenshtein
