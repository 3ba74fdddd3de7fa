#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace brisklet {

// The panes of the home window, in sidebar order. The raw values are the sidebar's
// labels.
enum class HomePane { home, magic, setups, commands, settings };

QString rawValue(HomePane pane);
std::optional<HomePane> homePaneFromRaw(const QString& raw);
const std::vector<HomePane>& allHomePanes();
// The sidebar's symbol name for the pane.
QString symbolName(HomePane pane);

} // namespace brisklet
