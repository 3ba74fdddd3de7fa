#include "windows/WindowMatching.h"

#include <algorithm>

namespace brisklet::WindowMatching {

std::vector<Pair> pair(const std::vector<LiveWindow>& windows, const std::vector<QString>& slotTitles) {
    std::vector<int> free;
    free.reserve(windows.size());
    for (int i = 0; i < static_cast<int>(windows.size()); ++i)
        free.push_back(i);

    std::vector<Pair> result;
    std::vector<int> unmatchedSlots;
    for (int s = 0; s < static_cast<int>(slotTitles.size()); ++s) {
        const auto hit =
            std::find_if(free.begin(), free.end(), [&](int w) { return windows[w].title == slotTitles[s]; });
        if (hit != free.end()) {
            result.push_back({*hit, s});
            free.erase(hit);
        } else {
            unmatchedSlots.push_back(s);
        }
    }

    // Stable, so windows at the very same corner keep the order the app gave them.
    std::stable_sort(free.begin(), free.end(), [&](int a, int b) {
        const QRectF& fa = windows[a].frame;
        const QRectF& fb = windows[b].frame;
        if (fa.y() != fb.y())
            return fa.y() < fb.y();
        return fa.x() < fb.x();
    });
    const size_t n = std::min(free.size(), unmatchedSlots.size());
    for (size_t k = 0; k < n; ++k)
        result.push_back({free[k], unmatchedSlots[k]});
    return result;
}

} // namespace brisklet::WindowMatching
