#include "base/Paths.h"

#include "base/Log.h"

#include <QDir>
#include <QStandardPaths>

namespace brisklet::Paths {

QString dataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Brisklet");
}

QString commandsJSON() { return dataFolder() + QStringLiteral("/commands.json"); }
QString layoutsJSON() { return dataFolder() + QStringLiteral("/layouts.json"); }
QString setupsJSON() { return dataFolder() + QStringLiteral("/setups.json"); }
QString shortcutsFolder() { return dataFolder() + QStringLiteral("/Shortcuts"); }

bool ensure() {
    const QString folder = dataFolder();
    if (QDir().mkpath(folder) && QFileInfo(folder).isDir())
        return true;
    qCCritical(lcApp).noquote() << "couldn't create the data folder" << folder;
    return false;
}

} // namespace brisklet::Paths
