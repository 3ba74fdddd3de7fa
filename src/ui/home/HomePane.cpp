#include "ui/home/HomePane.h"

namespace brisklet {

namespace {

struct PaneRow {
    HomePane pane;
    const char* raw;
    const char* symbol;
};

constexpr PaneRow paneRows[] = {
    {HomePane::home, "Home", "waveform"},
    {HomePane::magic, "Magic", "wand.and.stars"},
    {HomePane::setups, "Setups", "square.grid.2x2"},
    {HomePane::commands, "Commands", "text.bubble"},
    {HomePane::settings, "Settings", "gearshape"},
};

const PaneRow& rowOf(HomePane pane) {
    return paneRows[static_cast<int>(pane)];
}

} // namespace

QString rawValue(HomePane pane) {
    return QString::fromLatin1(rowOf(pane).raw);
}

std::optional<HomePane> homePaneFromRaw(const QString& raw) {
    for (const auto& row : paneRows) {
        if (raw == QLatin1String(row.raw))
            return row.pane;
    }
    return std::nullopt;
}

const std::vector<HomePane>& allHomePanes() {
    static const std::vector<HomePane> panes = [] {
        std::vector<HomePane> all;
        for (const auto& row : paneRows)
            all.push_back(row.pane);
        return all;
    }();
    return panes;
}

QString symbolName(HomePane pane) {
    return QString::fromLatin1(rowOf(pane).symbol);
}

} // namespace brisklet
