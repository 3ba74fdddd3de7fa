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
    if (const auto* e = entries.byId(launchedEntry(query.pid)))
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

void AppIdentity::noteLaunch(const QString& startupId, const QString& desktopId) {
    if (startupId.isEmpty())
        return;
    std::lock_guard lock(mutex_);
    launches_.insert(startupId, desktopId);
}

QString AppIdentity::launchedEntry(qint64 pid) {
    {
        std::lock_guard lock(mutex_);
        if (launches_.isEmpty())
            return {};
    }
    if (pid <= 0)
        return {};
    // The environment a process started with, which its children inherit.
    QFile environment(procRoot_ + QLatin1Char('/') + QString::number(pid) + QStringLiteral("/environ"));
    if (!environment.open(QIODevice::ReadOnly))
        return {};
    static const QByteArray key = QByteArrayLiteral("DESKTOP_STARTUP_ID=");
    for (const QByteArray& variable : environment.readAll().split('\0'))
        if (variable.startsWith(key)) {
            std::lock_guard lock(mutex_);
            return launches_.value(QString::fromUtf8(variable.mid(key.size())));
        }
    return {};
}

QString AppIdentity::pathOf(const QString& id) {
    const auto entries = entries_ ? entries_() : nullptr;
    if (!entries)
        return {};
    const auto* e = entries->byId(id);
    return e ? e->path : QString();
}

} // namespace brisklet::platform
