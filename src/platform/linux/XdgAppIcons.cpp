#include "platform/linux/XdgAppIcons.h"

#include "platform/linux/XdgIconTheme.h"
#include "platform/linux/XdgInstalledApps.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace brisklet::platform {

namespace {

// $XDG_DATA_HOME, then each $XDG_DATA_DIRS, with the standard defaults.
QStringList dataFolders() {
    const auto env = QProcessEnvironment::systemEnvironment();
    QString home = env.value(QStringLiteral("XDG_DATA_HOME"));
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    QString dirs = env.value(QStringLiteral("XDG_DATA_DIRS"));
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    return QStringList{home} + dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

QImage scaled(const QImage& image, int pixels) {
    if (image.isNull() || (image.width() == pixels && image.height() == pixels))
        return image;
    return image.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QImage fromFile(const QString& path, int pixels) {
    // An entry may name a pipe or a device: opening it would block the caller, which
    // is the interface thread. Links to files are followed.
    if (!QFileInfo(path).isFile())
        return {};
    QImageReader reader(path);
    // Vector files are drawn at the size asked for rather than scaled up.
    if (reader.supportsOption(QImageIOHandler::ScaledSize) && path.endsWith(QLatin1String(".svg"))) {
        const QSize natural = reader.size();
        if (natural.isValid())
            reader.setScaledSize(natural.scaled(pixels, pixels, Qt::KeepAspectRatio));
    }
    return scaled(reader.read(), pixels);
}

QImage fromPixmapFolders(const QStringList& data, const QString& name, int pixels) {
    for (const QString& folder : data) {
        for (const char* ext : {".png", ".svg", ".xpm"}) {
            const QString path = folder + QStringLiteral("/pixmaps/") + name + QLatin1String(ext);
            if (QImage image = fromFile(path, pixels); !image.isNull())
                return image;
        }
    }
    return {};
}

} // namespace

XdgAppIcons::XdgAppIcons(XdgInstalledApps& installed) : installed_(installed) {}

QImage XdgAppIcons::icon(const QString& appID, int pixels) {
    if (appID.isEmpty())
        return {};
    const auto entries = installed_.entries();
    const DesktopEntry* entry = entries ? entries->byId(appID) : nullptr;
    if (!entry || entry->icon.isEmpty())
        return {};
    return iconFor(entry->icon, pixels);
}

QImage XdgAppIcons::iconFor(const QString& iconKey, int pixels) {
    const QString key = iconKey.trimmed();
    if (key.isEmpty() || pixels <= 0)
        return {};
    if (QDir::isAbsolutePath(key))
        return fromFile(key, pixels);
    // A name carries no folder; one that does is no theme name.
    if (key.contains(QLatin1Char('/')))
        return {};
    // Some entries name the file ("app.png") instead of the icon.
    QString name = key;
    for (const char* ext : {".png", ".svg", ".xpm"}) {
        if (name.endsWith(QLatin1String(ext)))
            name.chop(4);
    }
    // The toolkit's own theme lookup opens whatever the theme folders hold, pipes
    // included, so the theme is read here, where every file is checked first.
    const QStringList data = dataFolders();
    QStringList iconFolders{QDir::homePath() + QStringLiteral("/.icons")};
    for (const QString& folder : data)
        iconFolders << folder + QStringLiteral("/icons");
    const QString file = XdgIconTheme::find(name, pixels, QIcon::themeName(), iconFolders);
    if (!file.isEmpty()) {
        if (QImage image = fromFile(file, pixels); !image.isNull())
            return image;
    }
    return fromPixmapFolders(data, name, pixels);
}

} // namespace brisklet::platform
