#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace brisklet::platform {

// The locale that picks localised keys, from LC_ALL, then LC_MESSAGES, then LANG
// ("de_DE.UTF-8@euro" → lang "de", country "DE", modifier "euro"). "C" and "POSIX"
// give no locale.
struct DesktopLocale {
    QString lang;
    QString country;
    QString modifier;

    static DesktopLocale fromEnvironment();
    static DesktopLocale parse(const QString& value);
    // The key suffixes to try, most specific first: ll_CC@mod, ll_CC, ll@mod, ll.
    QStringList candidates() const;
};

// One parsed desktop entry (the [Desktop Entry] group only).
struct DesktopEntry {
    QString id;   // desktop-file ID without ".desktop"; sub-folders joined by "-"
    QString path; // the .desktop file
    QString type; // "Application", "Link", …
    QString name; // the localised Name; the ID when the entry has none
    QString exec; // the Exec value, with the file format's escapes undone
    QString tryExec;
    QString startupWMClass;
    QString icon;
    QStringList mimeTypes; // what it opens: "text/html", "x-scheme-handler/https", …
    bool hidden = false;
    bool noDisplay = false;

    // Listed among the installed applications: an Application that is neither
    // Hidden nor NoDisplay.
    bool isListed() const { return type == QLatin1String("Application") && !hidden && !noDisplay; }
    // Exec split into arguments by the quoting rules; field codes are kept as they are.
    QStringList execArguments() const;
    // The base name of Exec's program ("/usr/bin/firefox-esr %u" → "firefox-esr").
    QString execProgram() const;
    // The command line to start the entry with these URLs or local paths: field codes
    // expanded (%u %U %f %F %i %c %k %%), deprecated codes dropped. Never runs through a
    // shell. Files are only absolute paths and file: addresses; nothing starting with
    // "-" is passed. Empty when Exec is empty, malformed or starts with a field code.
    QStringList launchArguments(const QStringList& items = {}) const;
};

// Parse one desktop file. Nothing when it cannot be read or has no [Desktop Entry]
// group. `id` is the desktop-file ID to record.
std::optional<DesktopEntry> parseDesktopFile(const QString& path, const QString& id,
                                             const DesktopLocale& locale);
// Parse desktop-file text (UTF-8).
std::optional<DesktopEntry> parseDesktopText(const QByteArray& text, const QString& path, const QString& id,
                                             const DesktopLocale& locale);
// Exec quoting rules: blanks separate arguments, double quotes group, and inside
// quotes a backslash escapes " ` $ and \. Nothing when a quote is left open.
std::optional<QStringList> splitExec(const QString& exec);

// One scan of the desktop entries: $XDG_DATA_HOME/applications, then each
// $XDG_DATA_DIRS/applications, each with one level of sub-folders. The first file of
// an ID claims it, also when it is Hidden (that is how a user deletes a system entry).
// An immutable snapshot: share it freely between threads.
class DesktopEntries final {
public:
    // The folders scanned, in precedence order.
    static QStringList applicationFolders();
    // Scan the file system (call it off the main thread).
    static std::shared_ptr<const DesktopEntries> scan();
    static std::shared_ptr<const DesktopEntries> scan(const QStringList& folders,
                                                      const DesktopLocale& locale);

    // Every entry that won its ID, Hidden ones and non-Applications included, in scan order.
    const std::vector<DesktopEntry>& all() const { return entries_; }
    // The installed applications (`isListed`), in scan order.
    std::vector<DesktopEntry> listed() const;

    // Lookups over the entries that won their ID and are Applications not Hidden
    // (NoDisplay ones included, since such apps still own windows). Nothing when none.
    const DesktopEntry* byId(const QString& id) const;
    // Case-insensitive against the ID ("Code" finds "code"); the first entry wins.
    const DesktopEntry* byIdIgnoringCase(const QString& id) const;
    // Case-insensitive against StartupWMClass; the first entry in scan order wins.
    const DesktopEntry* byStartupWMClass(const QString& wmClass) const;
    // Against the base name of Exec's program or of TryExec; the first entry wins.
    const DesktopEntry* byExecProgram(const QString& program) const;

private:
    void index();
    std::vector<DesktopEntry> entries_;
    QHash<QString, int> byId_;
    QHash<QString, int> byLowerId_;
    QHash<QString, int> byWMClass_; // lower-cased
    QHash<QString, int> byProgram_;
};

} // namespace brisklet::platform
