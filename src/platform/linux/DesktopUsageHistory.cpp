#include "platform/linux/DesktopUsageHistory.h"

#include "platform/ProcessRunner.h"
#include "platform/linux/DesktopEntries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamReader>
#include <cmath>

namespace brisklet::platform {

namespace {

QString home(const char* variable, const char* fallback) {
    QString dir = qEnvironmentVariable(variable);
    if (dir.isEmpty() || !QDir::isAbsolutePath(dir))
        dir = QDir::homePath() + QLatin1Char('/') + QLatin1String(fallback);
    return dir;
}

// Missing or unreadable: no signal.
QByteArray readAll(const QString& path) {
    // Nor a pipe or a device, which would block the scan.
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(16 * 1024 * 1024);
}

QString withoutSuffix(QString id) {
    if (id.endsWith(QLatin1String(".desktop")))
        id.chop(8);
    return id;
}

// "applications:firefox.desktop" or "file:///usr/share/applications/firefox.desktop".
QString launcherID(const QString& launcher) {
    QString text = launcher.trimmed();
    if (text.startsWith(QLatin1String("applications:")))
        text = text.mid(13);
    else if (text.startsWith(QLatin1String("file:")))
        text = QFileInfo(QUrl(text).toLocalFile()).fileName();
    else
        return {};
    return text.endsWith(QLatin1String(".desktop")) ? withoutSuffix(text) : QString();
}

// Calls `visit` with the attributes of every <application> element, up to the first
// fault of a broken file.
template <typename Visit> void forEachApplication(const QByteArray& xml, Visit&& visit) {
    QXmlStreamReader reader(xml);
    while (!reader.atEnd() && !reader.hasError()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("application"))
            visit(reader.attributes());
    }
}

void newest(std::optional<QDateTime>& into, const std::optional<QDateTime>& date) {
    if (date && date->isValid() && (!into || *date > *into))
        into = date;
}

// The entry each xbel application name or program stands for.
struct EntryLookup {
    QHash<QString, QString> byLowerName; // desktop ID and Name, lower-cased
    QHash<QString, QString> byProgram;   // Exec/TryExec program base names

    explicit EntryLookup(const std::vector<AppEntry>& apps) {
        const DesktopLocale locale = DesktopLocale::fromEnvironment();
        for (const AppEntry& app : apps) {
            byLowerName.insert(app.id.toLower(), app.id);
            if (!byLowerName.contains(app.name.toLower()))
                byLowerName.insert(app.name.toLower(), app.id);
            const auto entry = parseDesktopFile(app.path, app.id, locale);
            if (!entry)
                continue;
            for (const QString& program : {entry->execProgram(), QFileInfo(entry->tryExec).fileName()}) {
                if (!program.isEmpty() && !byProgram.contains(program))
                    byProgram.insert(program, app.id);
            }
        }
    }
    QString find(const DesktopUsageHistory::XbelApp& app) const {
        if (const auto it = byLowerName.find(app.name.toLower()); it != byLowerName.end())
            return *it;
        return byProgram.value(DesktopUsageHistory::xbelProgram(app.exec));
    }
};

} // namespace

DesktopUsageHistory::DesktopUsageHistory(ProcessRunner* runner) : runner_(runner) {}

std::map<QString, UsageSignal> DesktopUsageHistory::parseApplicationState(const QByteArray& xml) {
    std::map<QString, UsageSignal> out;
    forEachApplication(xml, [&](const QXmlStreamAttributes& attributes) {
        const QString id = withoutSuffix(attributes.value(QLatin1String("id")).toString());
        if (id.isEmpty())
            return;
        UsageSignal& usage = out[id];
        bool ok = false;
        const double score = attributes.value(QLatin1String("score")).toDouble(&ok);
        if (ok && std::isfinite(score) && score > 0 && score < 1e15)
            usage.useCount = std::max(usage.useCount, qint64(std::llround(score)));
        const qint64 seen = attributes.value(QLatin1String("last-seen")).toLongLong(&ok);
        if (ok && seen > 0)
            newest(usage.lastUsed, QDateTime::fromSecsSinceEpoch(seen, Qt::UTC));
    });
    return out;
}

std::vector<DesktopUsageHistory::XbelApp> DesktopUsageHistory::parseXbel(const QByteArray& xml) {
    std::vector<XbelApp> out;
    QHash<QString, size_t> byName;
    forEachApplication(xml, [&](const QXmlStreamAttributes& attributes) {
        const QString name = attributes.value(QLatin1String("name")).toString();
        if (name.isEmpty())
            return;
        if (!byName.contains(name)) {
            byName.insert(name, out.size());
            XbelApp app;
            app.name = name;
            app.exec = attributes.value(QLatin1String("exec")).toString();
            out.push_back(app);
        }
        XbelApp& app = out[byName.value(name)];
        bool ok = false;
        const qint64 count = attributes.value(QLatin1String("count")).toLongLong(&ok);
        if (ok && count > 0 && count < (qint64(1) << 40))
            app.count += count;
        newest(app.modified, QDateTime::fromString(attributes.value(QLatin1String("modified")).toString(),
                                                   Qt::ISODateWithMs));
    });
    return out;
}

QString DesktopUsageHistory::xbelProgram(const QString& exec) {
    QString text = exec.trimmed();
    if (text.size() >= 2 && (text.startsWith(QLatin1Char('\'')) || text.startsWith(QLatin1Char('"'))) &&
        text.endsWith(text.front()))
        text = text.mid(1, text.size() - 2);
    const QString first = text.split(QLatin1Char(' '), Qt::SkipEmptyParts).value(0);
    if (first.startsWith(QLatin1Char('%')))
        return {};
    return QFileInfo(first).fileName();
}

QStringList DesktopUsageHistory::parseFavoriteApps(const QString& output) {
    QStringList ids;
    static const QRegularExpression quoted(QStringLiteral("'([^']*)'"));
    for (auto it = quoted.globalMatch(output); it.hasNext();) {
        const QString id = it.next().captured(1);
        if (id.endsWith(QLatin1String(".desktop")))
            ids << withoutSuffix(id);
    }
    return ids;
}

QStringList DesktopUsageHistory::parseKdeLaunchers(const QByteArray& text) {
    QStringList ids;
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (!line.startsWith(QLatin1String("launchers=")))
            continue;
        for (const QString& launcher : line.mid(10).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString id = launcherID(launcher);
            if (!id.isEmpty())
                ids << id;
        }
    }
    return ids;
}

std::optional<QString> DesktopUsageHistory::parsePlankItem(const QByteArray& text) {
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (!line.startsWith(QLatin1String("Launcher=")))
            continue;
        const QString id = launcherID(line.mid(9));
        if (!id.isEmpty())
            return id;
    }
    return std::nullopt;
}

std::map<QString, UsageSignal> DesktopUsageHistory::usage(const std::vector<AppEntry>& apps) {
    const QString dataHome = home("XDG_DATA_HOME", ".local/share");
    const std::map<QString, UsageSignal> state =
        parseApplicationState(readAll(dataHome + QStringLiteral("/gnome-shell/application_state")));
    const std::vector<XbelApp> recent = parseXbel(readAll(dataHome + QStringLiteral("/recently-used.xbel")));
    std::map<QString, UsageSignal> out;
    for (const AppEntry& app : apps) {
        if (const auto found = state.find(app.id); found != state.end())
            out[app.id] = found->second;
    }
    if (!recent.empty()) {
        const EntryLookup lookup(apps);
        std::map<QString, qint64> counts;
        for (const XbelApp& used : recent) {
            const QString id = lookup.find(used);
            if (id.isEmpty())
                continue;
            counts[id] += used.count;
            newest(out[id].lastUsed, used.modified);
        }
        for (const auto& [id, count] : counts)
            out[id].useCount = std::max(out[id].useCount, count);
    }
    return out;
}

std::set<QString> DesktopUsageHistory::dockIDs() {
    std::set<QString> ids;
    if (runner_) {
        const ProcessResult result = runner_->run(
            QStringLiteral("gsettings"), {"get", "org.gnome.shell", "favorite-apps"}, gsettingsTimeout);
        if (result.status == 0) {
            for (const QString& id : parseFavoriteApps(result.out))
                ids.insert(id);
        }
    }
    const QString configHome = home("XDG_CONFIG_HOME", ".config");
    for (const QString& id :
         parseKdeLaunchers(readAll(configHome + QStringLiteral("/plasma-org.kde.plasma.desktop-appletsrc"))))
        ids.insert(id);
    const QDir plank(configHome + QStringLiteral("/plank/dock1/launchers"));
    for (const QString& name : plank.entryList({QStringLiteral("*.dockitem")}, QDir::Files, QDir::Name)) {
        if (const auto id = parsePlankItem(readAll(plank.filePath(name))))
            ids.insert(*id);
    }
    return ids;
}

} // namespace brisklet::platform
