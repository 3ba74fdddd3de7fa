#include "platform/linux/AppIdentity.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace brisklet::platform {

AppIdentity::AppIdentity(EntriesProvider entries, QString procRoot)
    : entries_(std::move(entries)), procRoot_(std::move(procRoot)) {}

QString AppIdentity::idFromCgroup(const QString& cgroup, const std::function<bool(const QString&)>& known) {
    for (const QString& line : cgroup.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString unit = line.section(QLatin1Char('/'), -1);
        // Snap: snap.<snap>.<app>-<random>.scope
        if (unit.startsWith(QLatin1String("snap."))) {
            const QStringList parts = unit.split(QLatin1Char('.'));
            if (parts.size() >= 3) {
                const QString app = parts[2].section(QLatin1Char('-'), 0, 0);
                const QString id = parts[1] + QLatin1Char('_') + app;
                if (known(id))
                    return id;
            }
            continue;
        }
        if (!unit.startsWith(QLatin1String("app-")))
            continue;
        QString body = unit.mid(4);
        if (body.endsWith(QLatin1String(".scope")))
            body.chop(6);
        else if (body.endsWith(QLatin1String(".service")))
            body.chop(8);
        else
            continue;
        body = body.section(QLatin1Char('@'), 0, 0);
        // A "-" inside the ID is escaped, so the plain dashes separate the launcher,
        // the ID and a random tail; which pieces make the ID is found by trying.
        const QStringList parts = body.split(QLatin1Char('-'));
        for (int start = 0; start < parts.size(); ++start)
            for (int end = static_cast<int>(parts.size()); end > start; --end) {
                QString id = parts.mid(start, end - start).join(QLatin1Char('-'));
                id.replace(QLatin1String("\\x2d"), QLatin1String("-"));
                if (known(id))
                    return id;
            }
    }
    return {};
}

X11WindowSystem::Identity AppIdentity::resolve(const X11WindowSystem::IdentityQuery& query) {
    const auto entries = entries_ ? entries_() : nullptr;
    const QString key = QStringLiteral("%1|%2|%3|%4")
                            .arg(query.pid)
                            .arg(query.wmInstance, query.wmClass, query.gtkApplicationId);
    {
        std::lock_guard lock(mutex_);
        if (cachedFor_ != entries) {
            cache_.clear();
            cachedFor_ = entries;
        }
        if (auto it = cache_.constFind(key); it != cache_.constEnd())
            return *it;
    }
    X11WindowSystem::Identity identity;
    if (entries)
        identity = lookup(query, *entries);
    if (identity.id.isEmpty()) {
        identity.id = !query.gtkApplicationId.isEmpty() ? query.gtkApplicationId : query.wmInstance;
        identity.name = query.wmClass.isEmpty() ? query.wmInstance : query.wmClass;
    }
    std::lock_guard lock(mutex_);
    cache_.insert(key, identity);
    return identity;
}

X11WindowSystem::Identity AppIdentity::lookup(const X11WindowSystem::IdentityQuery& query,
                                              const DesktopEntries& entries) {
    auto found = [](const DesktopEntry* e) { return X11WindowSystem::Identity{e->id, e->name}; };
    if (!query.gtkApplicationId.isEmpty())
        if (const auto* e = entries.byId(query.gtkApplicationId))
            return found(e);
    auto known = [&](const QString& id) { return entries.byId(id) != nullptr; };
    if (query.pid > 0) {
        const QString proc = procRoot_ + QLatin1Char('/') + QString::number(query.pid);
        QFile flatpak(proc + QStringLiteral("/root/.flatpak-info"));
        if (flatpak.open(QIODevice::ReadOnly)) {
            static const QRegularExpression nameLine(QStringLiteral("^name=(.+)$"),
                                                     QRegularExpression::MultilineOption);
            const auto m = nameLine.match(QString::fromUtf8(flatpak.readAll()));
            if (m.hasMatch())
                if (const auto* e = entries.byId(m.captured(1).trimmed()))
                    return found(e);
        }
        QFile cgroup(proc + QStringLiteral("/cgroup"));
        if (cgroup.open(QIODevice::ReadOnly)) {
            const QString id = idFromCgroup(QString::fromUtf8(cgroup.readAll()), known);
            if (!id.isEmpty())
                return found(entries.byId(id));
        }
    }
    auto named = [&](const QString& name) -> const DesktopEntry* {
        if (name.isEmpty())
            return nullptr;
        if (const auto* e = entries.byStartupWMClass(name))
            return e;
        if (const auto* e = entries.byId(name))
            return e;
        return entries.byIdIgnoringCase(name);
    };
    if (const auto* e = named(query.wmClass))
        return found(e);
    // A program started through an entry's wrapper script names another entry by its
    // instance and executable ("xterm" with a class of its own), or none: the launch
    // knows better. A class that names an entry still wins, so a terminal started
    // from inside a launched one keeps its own.
    if (const auto* e = launchedEntry(query.pid, entries))
        return found(e);
    if (const auto* e = named(query.wmInstance))
        return found(e);
    if (query.pid > 0) {
        const QString exe =
            QFileInfo(procRoot_ + QLatin1Char('/') + QString::number(query.pid) + QStringLiteral("/exe"))
                .symLinkTarget();
        if (!exe.isEmpty())
            if (const auto* e = entries.byExecProgram(QFileInfo(exe).fileName()))
                return found(e);
    }
    return {};
}

std::optional<AppIdentity::ProcessStat> AppIdentity::statOf(qint64 pid) const {
    QFile stat(procRoot_ + QLatin1Char('/') + QString::number(pid) + QStringLiteral("/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray line = stat.readAll();
    // The command name in parentheses may hold spaces and parentheses itself, so the
    // fields are counted from the last ')': state, parent, group, session.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = line.mid(close + 1).simplified().split(' ');
    if (fields.size() < 4)
        return std::nullopt;
    bool parentOk = false;
    bool sessionOk = false;
    ProcessStat s{fields[1].toLongLong(&parentOk), fields[3].toLongLong(&sessionOk)};
    return parentOk && sessionOk ? std::optional(s) : std::nullopt;
}

const DesktopEntry* AppIdentity::launchedEntry(qint64 pid, const DesktopEntries& entries) const {
    if (pid <= 0)
        return nullptr;
    const auto own = statOf(pid);
    if (!own)
        return nullptr;
    // The nearest of the process and its parents whose environment names a launch
    // (one started with a cleared environment has it in a parent's).
    static const QByteArray fileKey = QByteArrayLiteral("GIO_LAUNCHED_DESKTOP_FILE=");
    static const QByteArray pidKey = QByteArrayLiteral("GIO_LAUNCHED_DESKTOP_FILE_PID=");
    QByteArray file;
    QByteArray launchedPid;
    qint64 holder = pid;
    ProcessStat holderStat = *own;
    for (int depth = 0;; ++depth) {
        QFile environment(procRoot_ + QLatin1Char('/') + QString::number(holder) +
                          QStringLiteral("/environ"));
        if (environment.open(QIODevice::ReadOnly))
            for (const QByteArray& variable : environment.readAll().split('\0')) {
                if (variable.startsWith(fileKey))
                    file = variable.mid(fileKey.size());
                else if (variable.startsWith(pidKey))
                    launchedPid = variable.mid(pidKey.size());
            }
        if (!file.isEmpty())
            break;
        // A chain this long is no program's own.
        if (holderStat.parent <= 1 || depth >= 64)
            return nullptr;
        holder = holderStat.parent;
        const auto parent = statOf(holder);
        if (!parent)
            return nullptr;
        holderStat = *parent;
    }
    // The launcher set the variables for one process: they count for it and what it
    // started, not for whatever else inherited them (a launcher's own variables
    // reach the programs it starts apart from itself).
    bool ok = false;
    const qint64 launched = launchedPid.toLongLong(&ok);
    if (!ok || launched <= 1)
        return nullptr;
    std::optional<ProcessStat> launchedStat = holderStat;
    for (int depth = 0; holder != launched; ++depth) {
        if (launchedStat->parent <= 1 || depth >= 64)
            return nullptr;
        holder = launchedStat->parent;
        launchedStat = statOf(holder);
        if (!launchedStat)
            return nullptr;
    }
    // A terminal starts its shell in a session of its own: a program run there is
    // not the terminal's, whatever it inherited.
    if (launchedStat->session != own->session)
        return nullptr;
    const QString path = QString::fromLocal8Bit(file);
    for (const DesktopEntry& e : entries.all())
        if (e.path == path && entries.byId(e.id) == &e)
            return &e;
    // Another folder's copy of the entry: its ID, as the scan makes one from a path.
    static const QString folder = QStringLiteral("/applications/");
    const qsizetype at = path.lastIndexOf(folder);
    if (at < 0 || !path.endsWith(QLatin1String(".desktop")))
        return nullptr;
    QString id = path.mid(at + folder.size());
    id.chop(8);
    id.replace(QLatin1Char('/'), QLatin1Char('-'));
    return entries.byId(id);
}

QString AppIdentity::pathOf(const QString& id) {
    const auto entries = entries_ ? entries_() : nullptr;
    if (!entries)
        return {};
    const auto* e = entries->byId(id);
    return e ? e->path : QString();
}

} // namespace brisklet::platform
