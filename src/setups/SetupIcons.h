#pragma once

#include <QString>
#include <QStringList>

namespace brisklet::SetupIcons {

// The symbols a setup may show, in the picker's order.
const QStringList& all();

// The symbol of a setup that has none of its own: the first keyword found in the
// lower-cased name, else one picked from `all()` by a hash of the name, so the same
// name always gets the same symbol.
QString autoFor(const QString& name);

} // namespace brisklet::SetupIcons
