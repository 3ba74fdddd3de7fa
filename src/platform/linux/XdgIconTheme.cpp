#include "platform/linux/XdgIconTheme.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <climits>
#include <mutex>
#include <optional>
#include <vector>

namespace brisklet::platform::XdgIconTheme {

namespace {

const QString fallbackTheme = QStringLiteral("hicolor");

// Large themes list a few hundred folders; nothing real comes near this.
constexpr qint64 indexLimit = 4 * 1024 * 1024;

std::optional<QByteArray> readRegularFile(const QString& path) {
    // Checked before the open: opening a pipe waits for a writer.
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(indexLimit);
}

using Group = QHash<QString, QString>;

// The key file format of index.theme: "[Group]" headers and "Key=Value" lines.
QHash<QString, Group> parseKeyFile(const QByteArray& text) {
    QHash<QString, Group> groups;
    QString current;
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            current = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && !current.isEmpty())
            groups[current].insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return groups;
}

QStringList listValue(const Group& group, const char* key) {
    QStringList items;
    for (const QString& item : group.value(QLatin1String(key)).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (!item.trimmed().isEmpty())
            items << item.trimmed();
    }
    return items;
}

int intValue(const Group& group, const char* key, int fallback) {
    bool ok = false;
    const int value = group.value(QLatin1String(key)).toInt(&ok);
    return ok ? value : fallback;
}

struct SizeFolder {
    QString path;
    int lowest = 0; // in pixels, scale applied
    int highest = 0;
};

struct Theme {
    QStringList inherits;
    std::vector<SizeFolder> folders;
    QStringList roots; // the theme's folder in each icon folder that has one
};

// A hand-made index may hold any int: the sum of two ints times a third still fits
// in 64 bits, and the result is kept between 0 and the largest int, so that no
// distance to a size asked for overflows either.
int pixels(qint64 size, int scale) {
    return static_cast<int>(std::clamp<qint64>(size * scale, 0, INT_MAX));
}

Theme parseIndex(const QByteArray& text) {
    const auto groups = parseKeyFile(text);
    const Group main = groups.value(QStringLiteral("Icon Theme"));
    Theme theme;
    theme.inherits = listValue(main, "Inherits");
    for (const QString& path : listValue(main, "Directories") + listValue(main, "ScaledDirectories")) {
        const Group group = groups.value(path);
        const int size = intValue(group, "Size", 0);
        if (size <= 0)
            continue;
        const int scale = std::max(1, intValue(group, "Scale", 1));
        const QString type = group.value(QStringLiteral("Type"), QStringLiteral("Threshold"));
        qint64 lowest = size;
        qint64 highest = size;
        if (type == QLatin1String("Scalable")) {
            lowest = intValue(group, "MinSize", size);
            highest = intValue(group, "MaxSize", size);
        } else if (type != QLatin1String("Fixed")) {
            const qint64 threshold = intValue(group, "Threshold", 2);
            lowest = size - threshold;
            highest = size + threshold;
        }
        theme.folders.push_back({path, pixels(lowest, scale), pixels(highest, scale)});
    }
    return theme;
}

// Kept while the file stays as it was: a large theme lists hundreds of folders, and
// a view looks up every app's icon.
std::optional<Theme> readIndex(const QString& path) {
    struct Parsed {
        QDateTime modified;
        qint64 size = 0;
        Theme theme;
    };
    static std::mutex lock;
    static QHash<QString, Parsed> parsed;
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    {
        std::lock_guard guard(lock);
        if (const auto it = parsed.constFind(path);
            it != parsed.constEnd() && it->modified == info.lastModified() && it->size == info.size())
            return it->theme;
    }
    const auto text = readRegularFile(path);
    if (!text)
        return std::nullopt;
    Theme theme = parseIndex(*text);
    std::lock_guard guard(lock);
    parsed.insert(path, {info.lastModified(), info.size(), theme});
    return theme;
}

// The first index.theme of the theme among the icon folders that reads.
std::optional<Theme> loadTheme(const QString& theme, const QStringList& iconFolders) {
    std::optional<Theme> found;
    QStringList roots;
    for (const QString& base : iconFolders) {
        const QString root = base + QLatin1Char('/') + theme;
        if (!QFileInfo(root).isDir())
            continue;
        roots << root;
        if (!found)
            found = readIndex(root + QStringLiteral("/index.theme"));
    }
    if (found)
        found->roots = roots;
    return found;
}

int distance(const SizeFolder& folder, int pixels) {
    if (pixels < folder.lowest)
        return folder.lowest - pixels;
    if (pixels > folder.highest)
        return pixels - folder.highest;
    return 0;
}

// The icon's file in one folder of a theme, by the extensions in order of preference.
QString fileIn(const QString& dir, const QString& name) {
    if (!QFileInfo(dir).isDir())
        return {};
    for (const char* ext : {".png", ".svg", ".xpm"}) {
        const QString file = dir + QLatin1Char('/') + name + QLatin1String(ext);
        if (QFileInfo(file).isFile())
            return file;
    }
    return {};
}

// The first file whose folder fits the size, else the one whose folder comes nearest.
QString lookUp(const QString& name, int pixels, const Theme& index) {
    QString nearest;
    int nearestDistance = INT_MAX;
    for (const SizeFolder& folder : index.folders) {
        const int away = distance(folder, pixels);
        if (away >= nearestDistance)
            continue;
        for (const QString& root : index.roots) {
            const QString file = fileIn(root + QLatin1Char('/') + folder.path, name);
            if (file.isEmpty())
                continue;
            if (away == 0)
                return file;
            nearest = file;
            nearestDistance = away;
            break;
        }
    }
    return nearest;
}

QString findIn(const QString& name, int pixels, const QString& theme, const QStringList& iconFolders,
               QSet<QString>& visited) {
    // A theme name is one folder; the set ends inheritance that goes round.
    if (theme.isEmpty() || theme.contains(QLatin1Char('/')) || theme == QLatin1String("..") ||
        visited.contains(theme))
        return {};
    visited.insert(theme);
    const auto index = loadTheme(theme, iconFolders);
    if (!index)
        return {};
    if (QString file = lookUp(name, pixels, *index); !file.isEmpty())
        return file;
    for (const QString& parent : index->inherits) {
        if (QString file = findIn(name, pixels, parent, iconFolders, visited); !file.isEmpty())
            return file;
    }
    return {};
}

} // namespace

QString find(const QString& name, int pixels, const QString& theme, const QStringList& iconFolders) {
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || pixels <= 0)
        return {};
    QSet<QString> visited;
    if (QString file = findIn(name, pixels, theme, iconFolders, visited); !file.isEmpty())
        return file;
    return findIn(name, pixels, fallbackTheme, iconFolders, visited);
}

} // namespace brisklet::platform::XdgIconTheme
