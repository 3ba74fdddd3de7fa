#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <functional>

namespace brisklet {
class HomeWindowController;
}

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
// application menu is titled "Brisklet"; Hide Others and Show All are shown
// disabled, since other applications' windows are the window manager's.
QVariantList asData(const QList<Menu>& menus = MainMenu::menus());

// What the entries act on. A null handler makes its entries do nothing.
struct Handlers {
    std::function<void()> showHome;
    std::function<void()> hideHome;
    std::function<void()> quit;
    std::function<void()> minimize;
    std::function<void()> zoom;
    std::function<void(const QKeySequence&)> sendKeys;
    std::function<bool(const QUrl&)> open; // null: the desktop's handler
};

// Carries out one chosen entry. Hide Others and Show All do nothing: other
// applications' windows are the window manager's. Unknown commands are ignored.
void perform(int command, const Handlers& handlers);
// The entries acting on the home window; quitting takes the tray's path.
Handlers handlersFor(HomeWindowController& home);

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
