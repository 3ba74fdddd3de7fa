#include "platform/linux/X11Displays.h"

#include <algorithm>

namespace brisklet::platform::x11 {

std::vector<Strut> struts(const std::vector<uint32_t>& values, const QRectF& root) {
    std::vector<uint32_t> v = values;
    const double rw = root.width(), rh = root.height();
    if (v.size() >= 4 && v.size() < 12) // the old form spans whole edges
        v = {v[0], v[1],
             v[2], v[3],
             0,    uint32_t(rh - 1),
             0,    uint32_t(rh - 1),
             0,    uint32_t(rw - 1),
             0,    uint32_t(rw - 1)};
    std::vector<Strut> result;
    if (v.size() < 12)
        return result;
    if (v[0])
        result.push_back({Strut::left, QRectF(0, v[4], v[0], double(v[5]) - v[4] + 1)});
    if (v[1])
        result.push_back({Strut::right, QRectF(rw - v[1], v[6], v[1], double(v[7]) - v[6] + 1)});
    if (v[2])
        result.push_back({Strut::top, QRectF(v[8], 0, double(v[9]) - v[8] + 1, v[2])});
    if (v[3])
        result.push_back({Strut::bottom, QRectF(v[10], rh - v[3], double(v[11]) - v[10] + 1, v[3])});
    return result;
}

std::vector<Display> arrange(std::vector<Monitor> monitors, const QRectF& root,
                             const std::vector<Strut>& struts, bool anyDock,
                             const std::optional<QRectF>& workarea, QPointF* origin) {
    std::erase_if(monitors, [](const Monitor& m) { return m.frame.width() <= 0 || m.frame.height() <= 0; });
    if (monitors.empty())
        monitors.push_back({1, root, true, QStringLiteral("default")});
    auto primary = std::find_if(monitors.begin(), monitors.end(), [](const Monitor& m) { return m.primary; });
    if (primary == monitors.end())
        primary = std::find_if(monitors.begin(), monitors.end(),
                               [](const Monitor& m) { return m.frame.contains(QPointF(0, 0)); });
    if (primary != monitors.end() && primary != monitors.begin())
        std::rotate(monitors.begin(), primary, primary + 1);
    std::vector<quint32> seen;
    for (size_t i = 0; i < monitors.size(); ++i) {
        quint32& id = monitors[i].id;
        if (id == 0 || std::find(seen.begin(), seen.end(), id) != seen.end())
            id = 0x7f000000u + static_cast<quint32>(i) + 1;
        seen.push_back(id);
    }

    const QPointF o = monitors.front().frame.topLeft();
    if (origin)
        *origin = o;
    std::vector<Display> result;
    for (const auto& m : monitors) {
        QRectF visible = m.frame;
        if (anyDock) {
            double l = m.frame.left(), t = m.frame.top(), r = m.frame.right(), b = m.frame.bottom();
            for (const auto& s : struts) {
                if (!s.rect.intersects(m.frame))
                    continue;
                switch (s.edge) {
                case Strut::left:
                    l = std::max(l, s.rect.right());
                    break;
                case Strut::right:
                    r = std::min(r, s.rect.left());
                    break;
                case Strut::top:
                    t = std::max(t, s.rect.bottom());
                    break;
                case Strut::bottom:
                    b = std::min(b, s.rect.top());
                    break;
                }
            }
            if (r > l && b > t)
                visible = QRectF(QPointF(l, t), QPointF(r, b));
        } else if (workarea) {
            const QRectF cut = workarea->intersected(m.frame);
            if (!cut.isEmpty())
                visible = cut;
        }
        result.push_back({m.id, m.frame.translated(-o), visible.translated(-o), m.name});
    }
    return result;
}

} // namespace brisklet::platform::x11
