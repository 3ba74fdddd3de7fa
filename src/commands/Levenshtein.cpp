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

// The exact distance by bit-parallel columns (Myers, Hyyrö), for a pattern of at
// most 64 code units: one machine word per column instead of a row of cells.
int bitParallel(QStringView pattern, QStringView text) {
    const int m = int(pattern.size());
    struct Mask {
        char16_t unit;
        quint64 bits;
    };
    // Only the cells that will be read are cleared.
    quint64 ascii[128];
    for (QChar c : pattern) {
        if (c.unicode() < 128)
            ascii[c.unicode()] = 0;
    }
    for (QChar c : text) {
        if (c.unicode() < 128)
            ascii[c.unicode()] = 0;
    }
    Mask others[64];
    int otherCount = 0;
    for (int i = 0; i < m; ++i) {
        const char16_t u = pattern[i].unicode();
        if (u < 128) {
            ascii[u] |= quint64(1) << i;
            continue;
        }
        int k = 0;
        while (k < otherCount && others[k].unit != u)
            ++k;
        if (k == otherCount)
            others[otherCount++] = Mask{u, 0};
        others[k].bits |= quint64(1) << i;
    }
    const quint64 last = quint64(1) << (m - 1);
    quint64 pv = ~quint64(0);
    quint64 mv = 0;
    int score = m;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        quint64 eq = 0;
        if (u < 128) {
            eq = ascii[u];
        } else {
            for (int k = 0; k < otherCount; ++k) {
                if (others[k].unit == u)
                    eq = others[k].bits;
            }
        }
        const quint64 xv = eq | mv;
        const quint64 xh = (((eq & pv) + pv) ^ pv) | eq;
        quint64 ph = mv | ~(xh | pv);
        quint64 mh = pv & xh;
        if (ph & last)
            ++score;
        if (mh & last)
            --score;
        // Row 0 of the table counts up by one per column.
        ph = (ph << 1) | 1;
        mh <<= 1;
        pv = mh | ~(xv | ph);
        mv = ph & xv;
    }
    return score;
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
        if (limit >= 0 && std::abs(a.size() - b.size()) > limit)
            return limit + 1;
        const QStringView shorter = a.size() <= b.size() ? a : b;
        const QStringView longer = a.size() <= b.size() ? b : a;
        if (!shorter.isEmpty() && shorter.size() <= 64)
            return bitParallel(shorter, longer);
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
