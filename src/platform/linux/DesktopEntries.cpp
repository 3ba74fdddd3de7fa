#include "platform/linux/DesktopEntries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace brisklet::platform {

namespace {

QString unescapeValue(const QString& raw) {
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c != QLatin1Char('\\') || i + 1 >= raw.size()) {
            out.append(c);
            continue;
        }
        const QChar next = raw.at(++i);
        switch (next.unicode()) {
        case 's':
            out.append(QLatin1Char(' '));
            break;
        case 'n':
            out.append(QLatin1Char('\n'));
            break;
        case 't':
            out.append(QLatin1Char('\t'));
            break;
        case 'r':
            out.append(QLatin1Char('\r'));
            break;
        case '\\':
            out.append(QLatin1Char('\\'));
            break;
        default:
            // Not an escape of the file format (Exec quoting uses these): keep both.
            out.append(QLatin1Char('\\'));
            out.append(next);
        }
    }
    return out;
}

bool boolValue(const QString& v) {
    return v == QLatin1String("true");
}

QString baseName(const QString& program) {
    const qsizetype slash = program.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? program : program.mid(slash + 1);
}

// Only an absolute path or a file: address is a file: anything else could pass
// as an option of the program.
QString localPath(const QString& text) {
    if (text.startsWith(QLatin1Char('/')))
        return text;
    const QUrl url(text);
    if (!url.isLocalFile())
        return {};
    const QString path = url.toLocalFile();
    return path.startsWith(QLatin1Char('/')) ? path : QString();
}

bool hasFieldCode(const QString& arg) {
    for (qsizetype i = 0; i + 1 < arg.size(); ++i) {
        if (arg.at(i) != QLatin1Char('%'))
            continue;
        if (arg.at(i + 1) != QLatin1Char('%'))
            return true;
        ++i;
    }
    return false;
}

} // namespace

DesktopLocale DesktopLocale::fromEnvironment() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(var);
        if (!value.isEmpty())
            return parse(value);
    }
    return {};
}

DesktopLocale DesktopLocale::parse(const QString& value) {
    DesktopLocale locale;
    if (value == QLatin1String("C") || value == QLatin1String("POSIX") ||
        value.startsWith(QLatin1String("C.")))
        return locale;
    QString rest = value;
    const qsizetype at = rest.indexOf(QLatin1Char('@'));
    if (at >= 0) {
        locale.modifier = rest.mid(at + 1);
        rest.truncate(at);
    }
    const qsizetype dot = rest.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        rest.truncate(dot);
    const qsizetype underscore = rest.indexOf(QLatin1Char('_'));
    if (underscore >= 0) {
        locale.country = rest.mid(underscore + 1);
        rest.truncate(underscore);
    }
    locale.lang = rest;
    return locale;
}

QStringList DesktopLocale::candidates() const {
    QStringList out;
    if (lang.isEmpty())
        return out;
    if (!country.isEmpty() && !modifier.isEmpty())
        out << lang + QLatin1Char('_') + country + QLatin1Char('@') + modifier;
    if (!country.isEmpty())
        out << lang + QLatin1Char('_') + country;
    if (!modifier.isEmpty())
        out << lang + QLatin1Char('@') + modifier;
    out << lang;
    return out;
}

std::optional<QStringList> splitExec(const QString& exec) {
    QStringList args;
    QString current;
    bool inQuotes = false;
    bool hasToken = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                inQuotes = false;
            } else if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
                const QChar next = exec.at(i + 1);
                if (next == QLatin1Char('"') || next == QLatin1Char('`') || next == QLatin1Char('$') ||
                    next == QLatin1Char('\\')) {
                    current.append(next);
                    ++i;
                } else {
                    current.append(c);
                }
            } else {
                current.append(c);
            }
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (hasToken) {
                args << current;
                current.clear();
                hasToken = false;
            }
        } else if (c == QLatin1Char('"')) {
            inQuotes = true;
            hasToken = true;
        } else {
            current.append(c);
            hasToken = true;
        }
    }
    if (inQuotes)
        return std::nullopt;
    if (hasToken)
        args << current;
    return args;
}

QStringList DesktopEntry::execArguments() const {
    return splitExec(exec).value_or(QStringList());
}

QString DesktopEntry::execProgram() const {
    const QStringList args = execArguments();
    return args.isEmpty() ? QString() : baseName(args.first());
}

namespace {

// What the field codes inside one argument stand for.
struct FieldValues {
    const QStringList& urls;
    const QStringList& files;
    const QString& name;
    const QString& path;
};

// `arg` with its field codes replaced; `dropped` says a file or address code had
// nothing to stand for.
QString expandFieldCodes(const QString& arg, const FieldValues& values, bool* dropped) {
    QString expanded;
    for (qsizetype i = 0; i < arg.size(); ++i) {
        const QChar c = arg.at(i);
        if (c != QLatin1Char('%') || i + 1 >= arg.size()) {
            expanded.append(c);
            continue;
        }
        const QChar code = arg.at(++i);
        switch (code.unicode()) {
        case '%':
            expanded.append(QLatin1Char('%'));
            break;
        case 'u':
        case 'U':
            if (values.urls.isEmpty())
                *dropped = true;
            else
                expanded.append(values.urls.first());
            break;
        case 'f':
        case 'F':
            if (values.files.isEmpty())
                *dropped = true;
            else
                expanded.append(values.files.first());
            break;
        case 'c':
            expanded.append(values.name);
            break;
        case 'k':
            expanded.append(values.path);
            break;
        default:
            break; // deprecated or unknown codes are removed
        }
    }
    return expanded;
}

} // namespace

QStringList DesktopEntry::launchArguments(const QStringList& items) const {
    const QStringList args = execArguments();
    // The program must be named by the entry, never taken from what is opened.
    if (args.isEmpty() || hasFieldCode(args.first()))
        return {};
    QStringList files;
    QStringList urls;
    for (const QString& u : items) {
        const QString path = localPath(u);
        if (!path.isEmpty())
            files << path;
        if (!u.isEmpty() && !u.startsWith(QLatin1Char('-')))
            urls << u;
    }
    QStringList out;
    for (const QString& arg : args) {
        // List codes expand to several arguments only when they stand alone.
        if (arg == QLatin1String("%U")) {
            out << urls;
            continue;
        }
        if (arg == QLatin1String("%F")) {
            out << files;
            continue;
        }
        if (arg == QLatin1String("%i")) {
            if (!icon.isEmpty())
                out << QStringLiteral("--icon") << icon;
            continue;
        }
        bool dropped = false;
        const QString expanded = expandFieldCodes(arg, {urls, files, name, path}, &dropped);
        // A lone code that expanded to nothing leaves no empty argument behind.
        if (dropped && expanded.isEmpty())
            continue;
        if (expanded.isEmpty() && arg.size() == 2 && arg.startsWith(QLatin1Char('%')))
            continue;
        out << expanded;
    }
    return out;
}

std::optional<DesktopEntry> parseDesktopText(const QByteArray& text, const QString& path, const QString& id,
                                             const DesktopLocale& locale) {
    const QString content = QString::fromUtf8(text);
    const QStringList wanted = locale.candidates();
    DesktopEntry entry;
    entry.id = id;
    entry.path = path;
    bool inGroup = false;
    bool sawGroup = false;
    QString plainName;
    int bestRank = -1; // index into `wanted` of the localised Name found so far (lower wins)
    QString bestName;
    QHash<QString, QString> seen;

    const QStringList lines = content.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        if (trimmed.startsWith(QLatin1Char('['))) {
            inGroup = trimmed == QLatin1String("[Desktop Entry]");
            if (inGroup) {
                if (sawGroup)
                    inGroup = false; // a repeated group is invalid: keep the first
                sawGroup = true;
            }
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = unescapeValue(line.mid(eq + 1).trimmed());
        if (seen.contains(key))
            continue; // the first of a repeated key holds
        seen.insert(key, value);

        if (key == QLatin1String("Name")) {
            plainName = value;
        } else if (key.startsWith(QLatin1String("Name[")) && key.endsWith(QLatin1Char(']'))) {
            const QString loc = key.mid(5, key.size() - 6);
            const int rank = int(wanted.indexOf(loc));
            if (rank >= 0 && (bestRank < 0 || rank < bestRank)) {
                bestRank = rank;
                bestName = value;
            }
        } else if (key == QLatin1String("Type")) {
            entry.type = value;
        } else if (key == QLatin1String("Exec")) {
            entry.exec = value;
        } else if (key == QLatin1String("TryExec")) {
            entry.tryExec = value;
        } else if (key == QLatin1String("StartupWMClass")) {
            entry.startupWMClass = value;
        } else if (key == QLatin1String("MimeType")) {
            entry.mimeTypes = value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        } else if (key == QLatin1String("Icon")) {
            entry.icon = value;
        } else if (key == QLatin1String("Hidden")) {
            entry.hidden = boolValue(value);
        } else if (key == QLatin1String("NoDisplay")) {
            entry.noDisplay = boolValue(value);
        }
    }
    if (!sawGroup)
        return std::nullopt;
    entry.name = bestRank >= 0 ? bestName : plainName;
    if (entry.name.isEmpty())
        entry.name = id;
    return entry;
}

std::optional<DesktopEntry> parseDesktopFile(const QString& path, const QString& id,
                                             const DesktopLocale& locale) {
    // A pipe or a device in an applications folder is never opened: it would block.
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parseDesktopText(file.readAll(), path, id, locale);
}

QStringList DesktopEntries::applicationFolders() {
    QStringList folders;
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    folders << dataHome + QStringLiteral("/applications");
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (!QDir::isAbsolutePath(dir))
            continue; // relative entries are invalid and ignored
        QString folder = dir;
        while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
            folder.chop(1);
        folder += QStringLiteral("/applications");
        if (!folders.contains(folder))
            folders << folder;
    }
    return folders;
}

std::shared_ptr<const DesktopEntries> DesktopEntries::scan() {
    return scan(applicationFolders(), DesktopLocale::fromEnvironment());
}

std::shared_ptr<const DesktopEntries> DesktopEntries::scan(const QStringList& folders,
                                                           const DesktopLocale& locale) {
    auto result = std::make_shared<DesktopEntries>();
    QSet<QString> claimed;
    auto consider = [&](const QString& filePath, const QString& id) {
        if (claimed.contains(id))
            return;
        std::optional<DesktopEntry> entry = parseDesktopFile(filePath, id, locale);
        if (!entry)
            return; // unreadable or not an entry: the ID stays free for later folders
        claimed.insert(id);
        result->entries_.push_back(std::move(*entry));
    };
    const QDir::Filters filters = QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden;
    for (const QString& root : folders) {
        const QDir dir(root);
        if (!dir.exists())
            continue;
        const QFileInfoList items = dir.entryInfoList(filters, QDir::Name);
        for (const QFileInfo& item : items) {
            if (item.isDir()) {
                // One level of sub-folders: "kde4/konsole.desktop" is "kde4-konsole".
                const QFileInfoList inner =
                    QDir(item.filePath()).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
                for (const QFileInfo& sub : inner) {
                    if (sub.fileName().endsWith(QLatin1String(".desktop")))
                        consider(sub.filePath(),
                                 item.fileName() + QLatin1Char('-') + sub.fileName().chopped(8));
                }
            } else if (item.fileName().endsWith(QLatin1String(".desktop"))) {
                consider(item.filePath(), item.fileName().chopped(8));
            }
        }
    }
    result->index();
    return result;
}

void DesktopEntries::index() {
    for (int i = 0; i < int(entries_.size()); ++i) {
        const DesktopEntry& e = entries_[i];
        if (e.hidden || e.type != QLatin1String("Application"))
            continue;
        byId_.insert(e.id, i);
        if (!byLowerId_.contains(e.id.toLower()))
            byLowerId_.insert(e.id.toLower(), i);
        if (!e.startupWMClass.isEmpty() && !byWMClass_.contains(e.startupWMClass.toLower()))
            byWMClass_.insert(e.startupWMClass.toLower(), i);
        for (const QString& program : {e.execProgram(), baseName(e.tryExec)}) {
            if (!program.isEmpty() && !byProgram_.contains(program))
                byProgram_.insert(program, i);
        }
    }
}

std::vector<DesktopEntry> DesktopEntries::listed() const {
    std::vector<DesktopEntry> out;
    for (const DesktopEntry& e : entries_) {
        if (e.isListed())
            out.push_back(e);
    }
    return out;
}

const DesktopEntry* DesktopEntries::byId(const QString& id) const {
    const auto it = byId_.constFind(id);
    return it == byId_.cend() ? nullptr : &entries_[*it];
}

const DesktopEntry* DesktopEntries::byIdIgnoringCase(const QString& id) const {
    const auto it = byLowerId_.constFind(id.toLower());
    return it == byLowerId_.cend() ? nullptr : &entries_[*it];
}

const DesktopEntry* DesktopEntries::byStartupWMClass(const QString& wmClass) const {
    const auto it = byWMClass_.constFind(wmClass.toLower());
    return it == byWMClass_.cend() ? nullptr : &entries_[*it];
}

const DesktopEntry* DesktopEntries::byExecProgram(const QString& program) const {
    const auto it = byProgram_.constFind(baseName(program));
    return it == byProgram_.cend() ? nullptr : &entries_[*it];
}

} // namespace brisklet::platform
