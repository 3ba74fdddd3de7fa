#pragma once

#include <QString>
#include <QStringList>

namespace brisklet::platform::XdgIconTheme {

// The file of the icon `name` nearest to `pixels` in the icon theme `theme`, then in
// the themes it inherits from, then in "hicolor"; each theme is looked for in every
// folder of `iconFolders` in order. Empty when no theme has it.
//
// Icon folders belong to whoever installed into them: a pipe or a device there would
// block the caller, so no theme file that is not a regular file is ever opened or
// returned.
QString find(const QString& name, int pixels, const QString& theme, const QStringList& iconFolders);

} // namespace brisklet::platform::XdgIconTheme
