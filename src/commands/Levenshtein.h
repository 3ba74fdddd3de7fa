#pragma once

#include <QString>
#include <QStringView>

namespace brisklet::Levenshtein {

// Edit distance over Unicode scalars: insertions, deletions and substitutions cost
// 1; there is no transposition step.
int distance(QStringView a, QStringView b);

// The same distance when it is at most `limit`; any value above `limit` when it is
// larger. Lets a caller that only cares about close texts stop early.
int boundedDistance(QStringView a, QStringView b, int limit);

// Length in user-perceived characters (grapheme clusters).
int characterCount(QStringView text);

// 1 − distance ÷ the larger character count; 1.0 when both texts are empty.
double similarity(QStringView a, QStringView b);

} // namespace brisklet::Levenshtein
