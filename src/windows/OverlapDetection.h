#pragma once

#include <QRectF>
#include <QUuid>
#include <utility>
#include <vector>

namespace brisklet {

// Finds windows on the same display that cover each other too much, so a capture
// can point out a messy screen.
namespace OverlapDetection {

struct Window {
    QUuid id;
    QRectF rect; // any one coordinate space, the same for every window
    int display = 0;
    bool operator==(const Window&) const = default;
};

// Every pair i < j (in input order) on the same display whose intersection is at
// least `minSide` on both sides and covers more than `ratio` of the smaller window.
std::vector<std::pair<QUuid, QUuid>> messyPairs(const std::vector<Window>& windows, double ratio,
                                                double minSide);

} // namespace OverlapDetection
} // namespace brisklet
