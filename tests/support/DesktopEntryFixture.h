#pragma once

#include <QString>
#include <QStringList>

namespace brisklet::test {

// Writes $XDG_DATA_HOME/applications/<id>.desktop whose Exec starts the X test
// client with `clientArguments` (then the %U field code, so it takes pages like a
// browser). Returns the file's path.
QString writeTestClientEntry(const QString& id, const QString& name, const QStringList& clientArguments,
                             const QString& startupWMClass = {});

// A fake browser: the X test client as the desktop entry "firefox-esr", its windows
// of the class that Firefox ESR's carry. `--new-window URL…` opens one window
// titled after the first page.
QString installFakeBrowser();

} // namespace brisklet::test
