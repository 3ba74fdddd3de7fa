#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <functional>

namespace brisklet {
class HomeWindowController;
namespace platform {
class AppLauncher;
class RunningApps;
} // namespace platform
} // namespace brisklet

namespace brisklet::MainMenu {

// What an entry of the home window's menu bar does.
enum class Command {
    about,
    hide,
    hideOthers,
    showAll,
    quit,
    undo,
    redo,
    cut,
    copy,
    paste,
    selectAll,
    minimize,
    zoom,
    help,
    reportProblem,
};

struct Entry {
    QString title; // empty: a separator
    Command command = Command::about;
    QKeySequence shortcut;
    bool isSeparator() const { return title.isEmpty(); }
    bool operator==(const Entry&) const = default;
};

struct Menu {
    QString title; // empty: the application menu
    QList<Entry> entries;
    bool operator==(const Menu&) const = default;
};

// The menus in order: application, Edit, Window, Help. There are no update
// entries: updates come from the package manager.
const QList<Menu>& menus();

// The menus as plain data for the home window's menu bar: [{title, entries:
// [{title, shortcut (native text), command (int), separator, enabled}]}]. The
// application menu is titled "Brisklet".
QVariantList asData(const QList<Menu>& menus = MainMenu::menus());

// The Window menu's list of Brisklet's open windows, in the same form: a separator,
// then one entry per window, whose commands count up from here. Empty when no
// window is open. Remembers the windows it listed, for perform().
inline constexpr int firstWindowCommand = 1000;
QVariantList windowEntries();

// What the entries act on. A null handler makes its entries do nothing.
struct Handlers {
    std::function<void()> about;
    std::function<void()> hideHome;
    std::function<void()> hideOthers;
    std::function<void()> showAll;
    std::function<void()> quit;
    std::function<void()> minimize;
    std::function<void()> zoom;
    std::function<void(const QKeySequence&)> sendKeys;
    std::function<bool(const QUrl&)> open; // null: the desktop's handler
};

// Carries out one chosen entry; a window entry brings its window forward.
// Unknown commands are ignored.
void perform(int command, const Handlers& handlers);

// The other applications, which Hide Others iconifies and Show All brings back.
struct OtherApps {
    platform::RunningApps* running = nullptr;
    platform::AppLauncher* launcher = nullptr;
    qint64 ownPid = 0; // never hidden
};
void hideOthers(const OtherApps& apps);
void showAll(const OtherApps& apps);

// The entries acting on the home window, the About window and the other
// applications; quitting takes the tray's path.
Handlers handlersFor(HomeWindowController& home, const OtherApps& others = {});

// Where help lives and where problem reports go.
QUrl helpURL();
inline constexpr const char* supportAddress = "support@brisklet.app";

// The problem-report mail for this build on this system; empty when the address
// can't form a URL.
QUrl reportProblemURL();
// The same for a given version ("dev" when empty) and system name.
QUrl reportProblemURL(const QString& version, const QString& systemName);

// The two entries that need no window: open the help page, start a report in
// the user's mail program. `open` null: the desktop's handler.
void openHelp(const std::function<bool(const QUrl&)>& open = nullptr);
void reportProblem(const std::function<bool(const QUrl&)>& open = nullptr);

} // namespace brisklet::MainMenu
