#include "windows/WindowGeometry.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace brisklet::WindowGeometry {

namespace {
constexpr double gap = 6.0;
QPointF centre(const QRectF& r) {
    return {r.x() + r.width() * 0.5, r.y() + r.height() * 0.5};
}
// Windows that the desktop maps for itself: panels, docks, desktop icons.
const QStringList& shellClasses() {
    static const QStringList names = {"plasmashell", "gnome-shell", "xfdesktop",
                                      "xfce4-panel", "plank",       "conky"};
    return names;
}
} // namespace

QRectF flip(const QRectF& rect, double primaryHeight) {
    return QRectF(rect.x(), primaryHeight - (rect.y() + rect.height()), rect.width(), rect.height());
}

double primaryHeight(const std::vector<Screen>& screens) {
    return screens.empty() ? 0.0 : screens.front().frame.y() + screens.front().frame.height();
}

std::optional<Screen> screen(const QRectF& axRect, const std::vector<Screen>& screens) {
    if (screens.empty())
        return std::nullopt;
    // Screens are in bottom-left space; the primary's frame gives the flip.
    const QRectF rect = flip(axRect, primaryHeight(screens));
    std::optional<Screen> best;
    double bestArea = 0;
    for (const auto& s : screens) {
        const QRectF overlap = s.frame.intersected(rect);
        const double area = overlap.isEmpty() ? 0 : overlap.width() * overlap.height();
        if (area > bestArea) {
            bestArea = area;
            best = s;
        }
    }
    return best;
}

bool isExcludedOwner(const platform::WindowInfo& window) {
    for (const auto& name : shellClasses())
        if (window.wmClass.compare(name, Qt::CaseInsensitive) == 0 ||
            window.wmInstance.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QRectF targetRect(WindowPosition position, const QRectF& current, const QRectF& v) {
    switch (position) {
    case WindowPosition::left:
        return {v.x() + 6, v.y() + 6, v.width() * 0.5 - 9, v.height() - 12};
    case WindowPosition::right:
        return {v.center().x() + 3, v.y() + 6, v.width() * 0.5 - 9, v.height() - 12};
    case WindowPosition::maximize:
        return v;
    case WindowPosition::center: {
        const double w = std::min(current.width(), v.width());
        const double h = std::min(current.height(), v.height());
        return {v.center().x() - w * 0.5, v.center().y() - h * 0.5, w, h};
    }
    }
    return v;
}

std::optional<QRectF> nextDisplayRect(const QRectF& frame, const Screen& on,
                                      const std::vector<Screen>& screens) {
    std::vector<Screen> ordered = screens;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Screen& a, const Screen& b) { return a.frame.x() < b.frame.x(); });
    auto it = std::find_if(ordered.begin(), ordered.end(),
                           [&](const Screen& s) { return s.displayID == on.displayID; });
    if (it == ordered.end())
        return std::nullopt;
    const Screen& next = (it + 1 == ordered.end()) ? ordered.front() : *(it + 1);
    const QRectF& f = on.visibleFrame;
    const QRectF& t = next.visibleFrame;
    if (f.width() <= 0 || f.height() <= 0)
        return std::nullopt;
    const double w = frame.width() / f.width() * t.width();
    const double h = frame.height() / f.height() * t.height();
    return QRectF(t.center().x() - w * 0.5, t.center().y() - h * 0.5, w, h);
}

std::vector<QRectF> gridCells(int n, const QRectF& visible, double primaryHeight) {
    std::vector<QRectF> cells;
    if (n < 1)
        return cells;
    const int cols = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
    const int rows = (n + cols - 1) / cols;
    // A screen too small for the gaps still gets cells of at least one point.
    const double cellH = std::max(1.0, (visible.height() - (rows + 1) * gap) / rows);
    int placed = 0;
    for (int r = 0; placed < n; ++r) {
        const int k = std::min(cols, n - placed);
        const double cellW = std::max(1.0, (visible.width() - (k + 1) * gap) / k);
        const double top = visible.y() + visible.height() - gap - (cellH + gap) * r;
        for (int c = 0; c < k; ++c) {
            const QRectF cocoa(visible.x() + gap + (cellW + gap) * c, top - cellH, cellW, cellH);
            cells.push_back(flip(cocoa, primaryHeight));
        }
        placed += k;
    }
    return cells;
}

std::map<int, QRectF> assignNearest(const std::vector<QRectF>& frames, const std::vector<QRectF>& cells) {
    struct Pair {
        int window;
        int cell;
        double distance;
    };
    std::vector<Pair> pairs;
    for (int w = 0; w < static_cast<int>(frames.size()); ++w)
        for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
            const QPointF d = centre(frames[w]) - centre(cells[c]);
            pairs.push_back({w, c, std::hypot(d.x(), d.y())});
        }
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const Pair& a, const Pair& b) { return a.distance < b.distance; });
    std::map<int, QRectF> result;
    std::vector<bool> windowUsed(frames.size()), cellUsed(cells.size());
    const size_t wanted = std::min(frames.size(), cells.size());
    for (const auto& p : pairs) {
        if (result.size() >= wanted)
            break;
        if (windowUsed[p.window] || cellUsed[p.cell])
            continue;
        windowUsed[p.window] = cellUsed[p.cell] = true;
        result[p.window] = cells[p.cell];
    }
    return result;
}

std::vector<double> distribute(double total, const std::vector<double>& mins) {
    const size_t n = mins.size();
    if (n == 0)
        return {};
    // A display smaller than its gaps has no length to share, never a negative one.
    const double t = std::max(0.0, total);
    const double sum = std::accumulate(mins.begin(), mins.end(), 0.0);
    std::vector<double> sizes(n, 0.0);
    if (t < sum) {
        for (size_t i = 0; i < n; ++i)
            sizes[i] = t * (mins[i] / sum);
        return sizes;
    }
    std::vector<bool> fixed(n, false);
    double remaining = t;
    size_t freeCount = n;
    while (freeCount > 0) {
        const double share = remaining / static_cast<double>(freeCount);
        bool fixedAny = false;
        for (size_t i = 0; i < n; ++i) {
            if (!fixed[i] && share < mins[i]) {
                fixed[i] = true;
                sizes[i] = mins[i];
                remaining -= mins[i];
                --freeCount;
                fixedAny = true;
            }
        }
        if (!fixedAny) {
            const double each = remaining / static_cast<double>(freeCount);
            for (size_t i = 0; i < n; ++i)
                if (!fixed[i])
                    sizes[i] = each;
            return sizes;
        }
    }
    if (remaining > 0)
        for (auto& s : sizes)
            s += remaining / static_cast<double>(n);
    return sizes;
}

std::optional<std::vector<QRectF>> minAwareCells(const std::vector<QSizeF>& minsIn,
                                                 const std::vector<QPointF>& centers, const QRectF& visible,
                                                 double primaryHeight) {
    const int n = static_cast<int>(minsIn.size());
    if (n == 0)
        return std::vector<QRectF>{};
    if (static_cast<int>(centers.size()) != n)
        return std::nullopt;
    const QRectF v = flip(visible, primaryHeight);
    const double W = std::max(0.0, visible.width() - 12);
    const double H = std::max(0.0, visible.height() - 12);
    std::vector<QSizeF> m(n);
    for (int i = 0; i < n; ++i)
        m[i] = QSizeF(std::min(minsIn[i].width(), W), std::min(minsIn[i].height(), H));

    struct Row {
        std::vector<int> members;
        double minWidthSum = 0;
    };
    const int cols = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
    std::vector<Row> rows((n + cols - 1) / cols);

    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return m[a].width() > m[b].width(); });
    for (int i : order) {
        const double w = m[i].width();
        int best = -1;
        double bestScore = -std::numeric_limits<double>::infinity();
        for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
            const Row& row = rows[r];
            const int k = static_cast<int>(row.members.size());
            const double slack = (W - row.minWidthSum) - gap * k - w;
            if (k >= cols || slack < 0)
                continue;
            double score = slack;
            if (w <= 0) {
                int zeros = 0;
                for (int member : row.members)
                    if (m[member].width() <= 0)
                        ++zeros;
                score = ((W - gap * k) - row.minWidthSum) / (zeros + 1);
            }
            if (score > bestScore) {
                bestScore = score;
                best = r;
            }
        }
        if (best < 0) {
            rows.push_back({});
            best = static_cast<int>(rows.size()) - 1;
        }
        rows[best].members.push_back(i);
        rows[best].minWidthSum += w;
    }

    // A row of fixed-width windows with room to spare takes one flexible window from
    // the row that has the most of them.
    const size_t existing = rows.size();
    auto flexible = [&](int i) { return m[i].width() <= 0 && m[i].height() <= 0; };
    for (size_t r = 0; r < existing; ++r) {
        Row& row = rows[r];
        const int k = static_cast<int>(row.members.size());
        if (k == 0 || k >= cols)
            continue;
        if (std::any_of(row.members.begin(), row.members.end(), [&](int i) { return m[i].width() <= 0; }))
            continue;
        if ((W - row.minWidthSum) - gap * k < 300)
            continue;
        int donor = -1;
        int donorCount = 0;
        for (size_t d = 0; d < rows.size(); ++d) {
            if (d == r || rows[d].members.size() < 2)
                continue;
            const int count =
                static_cast<int>(std::count_if(rows[d].members.begin(), rows[d].members.end(), flexible));
            if (count > donorCount) {
                donorCount = count;
                donor = static_cast<int>(d);
            }
        }
        if (donor < 0)
            continue;
        auto& members = rows[donor].members;
        for (auto it = members.rbegin(); it != members.rend(); ++it) {
            if (flexible(*it)) {
                const int moved = *it;
                members.erase(std::next(it).base());
                row.members.push_back(moved);
                break;
            }
        }
    }
    std::erase_if(rows, [](const Row& row) { return row.members.empty(); });

    const int R = static_cast<int>(rows.size());
    const double available = H - gap * (R - 1);
    std::vector<double> rowMins;
    double heightSum = 0;
    for (const auto& row : rows) {
        double h = 0;
        for (int i : row.members)
            h = std::max(h, m[i].height());
        rowMins.push_back(h);
        heightSum += h;
        const int k = static_cast<int>(row.members.size());
        if (row.minWidthSum > W - gap * (k - 1) + 0.5)
            return std::nullopt;
    }
    if (heightSum > available + 0.5)
        return std::nullopt;

    // Rows keep the vertical order of their windows, members their horizontal order.
    std::vector<int> rowOrder(R);
    std::iota(rowOrder.begin(), rowOrder.end(), 0);
    auto meanY = [&](const Row& row) {
        double sum = 0;
        for (int i : row.members)
            sum += centers[i].y();
        return sum / static_cast<double>(row.members.size());
    };
    auto smallest = [](const Row& row) { return *std::min_element(row.members.begin(), row.members.end()); };
    std::stable_sort(rowOrder.begin(), rowOrder.end(), [&](int a, int b) {
        const double ya = meanY(rows[a]), yb = meanY(rows[b]);
        if (ya != yb)
            return ya < yb;
        return smallest(rows[a]) < smallest(rows[b]);
    });
    for (auto& row : rows)
        std::stable_sort(row.members.begin(), row.members.end(), [&](int a, int b) {
            if (centers[a].x() != centers[b].x())
                return centers[a].x() < centers[b].x();
            return a < b;
        });

    std::vector<double> orderedMins;
    for (int r : rowOrder)
        orderedMins.push_back(rowMins[r]);
    const auto heights = distribute(available, orderedMins);
    std::vector<QRectF> result(n);
    double y = v.y() + gap;
    for (int idx = 0; idx < R; ++idx) {
        const Row& row = rows[rowOrder[idx]];
        const int k = static_cast<int>(row.members.size());
        std::vector<double> widthMins;
        for (int i : row.members)
            widthMins.push_back(m[i].width());
        const auto widths = distribute(W - gap * (k - 1), widthMins);
        double x = v.x() + gap;
        for (int j = 0; j < k; ++j) {
            result[row.members[j]] = QRectF(x, y, widths[j], heights[idx]);
            x += widths[j] + gap;
        }
        y += heights[idx] + gap;
    }
    return result;
}

std::vector<QRectF> layoutGroup(const Group& group, const std::map<quint32, QSizeF>& floors,
                                double primaryHeight, QStringList& tiledAround, QStringList& unfit) {
    std::vector<QRectF> frames;
    QStringList names;
    std::vector<QSizeF> mins;
    for (const auto& w : group.windows) {
        frames.push_back(w.axFrame);
        names.push_back(w.appName);
        const auto floor = floors.find(w.windowID);
        mins.push_back(floor != floors.end() ? floor->second : QSizeF(0, 0));
    }
    for (const auto& w : group.own) {
        frames.push_back(w.axFrame);
        names.push_back(QStringLiteral("Brisklet"));
        mins.push_back(w.minSize);
    }
    const int n = static_cast<int>(frames.size());
    if (n == 0)
        return {};

    const int cols = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
    const int rows = (n + cols - 1) / cols;
    const double cellW = (group.visible.width() - (cols + 1) * gap) / cols;
    const double cellH = (group.visible.height() - (rows + 1) * gap) / rows;
    QStringList tooLarge;
    for (int i = 0; i < n; ++i)
        if (cellW < mins[i].width() || cellH < mins[i].height())
            tooLarge.push_back(names[i]);
    auto note = [&](QStringList& list) {
        for (const auto& name : tooLarge)
            if (!list.contains(name))
                list.push_back(name);
    };

    const bool anyMinimum = std::any_of(mins.begin(), mins.end(),
                                        [](const QSizeF& s) { return s.width() > 0 || s.height() > 0; });
    if (anyMinimum) {
        std::vector<QPointF> centers;
        for (const auto& f : frames)
            centers.push_back(centre(f));
        if (auto cells = minAwareCells(mins, centers, group.visible, primaryHeight)) {
            note(tiledAround);
            return *cells;
        }
        note(unfit);
    }
    const auto grid = gridCells(n, group.visible, primaryHeight);
    const auto assigned = assignNearest(frames, grid);
    std::vector<QRectF> cells;
    for (int i = 0; i < n; ++i) {
        const auto found = assigned.find(i);
        cells.push_back(found != assigned.end() ? found->second : frames[i]);
    }
    return cells;
}

} // namespace brisklet::WindowGeometry
