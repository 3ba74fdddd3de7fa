#include "shell/MainMenu.h"

#include "base/Log.h"
#include "platform/AppLauncher.h"
#include "platform/Apps.h"
#include "ui/home/AboutWindow.h"
#include "ui/home/HomeWindowController.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QPointer>
#include <QSysInfo>
#include <QVariantMap>
#include <QWindow>

namespace brisklet::MainMenu {

namespace {

Entry separator() {
    return {};
}

bool openWithDesktop(const QUrl& url, const std::function<bool(const QUrl&)>& open) {
    return open ? open(url) : QDesktopServices::openUrl(url);
}

// One menu entry as the views read it; a separator is never chosen.
QVariantMap entryData(const QString& title, const QString& shortcut, int command, bool separator) {
    return {{QStringLiteral("title"), title},
            {QStringLiteral("shortcut"), shortcut},
            {QStringLiteral("command"), command},
            {QStringLiteral("separator"), separator},
            {QStringLiteral("enabled"), !separator}};
}

} // namespace

const QList<Menu>& menus() {
    static const QList<Menu> all{
        {QString(),
         {{QStringLiteral("About Brisklet"), Command::about, {}},
          separator(),
          {QStringLiteral("Hide Brisklet"), Command::hide, QKeySequence(Qt::CTRL | Qt::Key_H)},
          {QStringLiteral("Hide Others"), Command::hideOthers, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_H)},
          {QStringLiteral("Show All"), Command::showAll, {}},
          separator(),
          {QStringLiteral("Quit Brisklet"), Command::quit, QKeySequence(Qt::CTRL | Qt::Key_Q)}}},
        {QStringLiteral("Edit"),
         {{QStringLiteral("Undo"), Command::undo, QKeySequence(Qt::CTRL | Qt::Key_Z)},
          {QStringLiteral("Redo"), Command::redo, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
          separator(),
          {QStringLiteral("Cut"), Command::cut, QKeySequence(Qt::CTRL | Qt::Key_X)},
          {QStringLiteral("Copy"), Command::copy, QKeySequence(Qt::CTRL | Qt::Key_C)},
          {QStringLiteral("Paste"), Command::paste, QKeySequence(Qt::CTRL | Qt::Key_V)},
          {QStringLiteral("Select All"), Command::selectAll, QKeySequence(Qt::CTRL | Qt::Key_A)}}},
        {QStringLiteral("Window"),
         {{QStringLiteral("Minimize"), Command::minimize, QKeySequence(Qt::CTRL | Qt::Key_M)},
          {QStringLiteral("Zoom"), Command::zoom, {}}}},
        {QStringLiteral("Help"),
         {{QStringLiteral("Brisklet Help"), Command::help, QKeySequence(Qt::CTRL | Qt::Key_Question)},
          {QStringLiteral("Report a Problem\u2026"), Command::reportProblem, {}}}},
    };
    return all;
}

QVariantList asData(const QList<Menu>& menus) {
    QVariantList list;
    for (const auto& menu : menus) {
        QVariantList entries;
        for (const auto& entry : menu.entries)
            entries << entryData(entry.title, entry.shortcut.toString(QKeySequence::NativeText),
                                 static_cast<int>(entry.command), entry.isSeparator());
        const QString title = menu.title.isEmpty() ? QStringLiteral("Brisklet") : menu.title;
        list << QVariantMap{{QStringLiteral("title"), title}, {QStringLiteral("entries"), entries}};
    }
    return list;
}

namespace {

// The windows the Window menu listed last; a window that closed since stays null.
QList<QPointer<QWindow>>& listedWindows() {
    static QList<QPointer<QWindow>> windows;
    return windows;
}

// A window of ours the user would pick from a list: shown, titled, decorated.
// Floating panels, menus and tooltips are not.
bool isListable(const QWindow* window) {
    const Qt::WindowType type = window->type();
    const Qt::WindowFlags flags = window->flags();
    return window->isVisible() && !window->title().isEmpty() && (type == Qt::Window || type == Qt::Dialog) &&
           !(flags &
             (Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus));
}

// A window closed since the menu listed it stays closed.
void bringForward(QWindow* window) {
    if (!window || !window->isVisible())
        return;
    if (window->windowStates() & Qt::WindowMinimized)
        window->showNormal();
    window->show();
    window->raise();
    window->requestActivate();
}

} // namespace

QVariantList windowEntries() {
    QList<QPointer<QWindow>>& listed = listedWindows();
    listed.clear();
    QVariantList entries;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return entries;
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (!isListable(window))
            continue;
        if (entries.isEmpty())
            entries << entryData(QString(), QString(), -1, true);
        entries << entryData(window->title(), QString(), firstWindowCommand + int(listed.size()), false);
        listed << window;
    }
    return entries;
}

void hideOthers(const OtherApps& apps) {
    if (!apps.running || !apps.launcher)
        return;
    int hidden = 0;
    for (const platform::RunningApp& app : apps.running->runningApps())
        if (app.regular && !app.id.isEmpty() && app.pid != apps.ownPid && apps.launcher->hide(app.id))
            ++hidden;
    qCInfo(lcApp) << "hide others: hid" << hidden << "applications";
}

void showAll(const OtherApps& apps) {
    if (!apps.running || !apps.launcher)
        return;
    for (const platform::RunningApp& app : apps.running->runningApps())
        if (app.regular && !app.id.isEmpty() && app.pid != apps.ownPid)
            apps.launcher->unhide(app.id);
}

namespace {

void call(const std::function<void()>& handler) {
    if (handler)
        handler();
}

// The edit entries' own shortcuts are the standard edit keys; reading them from
// the table needs no platform theme.
void keys(const Handlers& handlers, Command command) {
    if (!handlers.sendKeys)
        return;
    for (const auto& menu : menus())
        for (const auto& entry : menu.entries)
            if (!entry.isSeparator() && entry.command == command)
                return handlers.sendKeys(entry.shortcut);
}

} // namespace

void perform(int command, const Handlers& h) {
    if (command >= firstWindowCommand) {
        const QList<QPointer<QWindow>>& listed = listedWindows();
        const int index = command - firstWindowCommand;
        if (index < listed.size())
            bringForward(listed[index]);
        return;
    }
    switch (static_cast<Command>(command)) {
    case Command::about:
        return call(h.about);
    case Command::hide:
        return call(h.hideHome);
    case Command::hideOthers:
        return call(h.hideOthers);
    case Command::showAll:
        return call(h.showAll);
    case Command::quit:
        return call(h.quit);
    case Command::undo:
        return keys(h, Command::undo);
    case Command::redo:
        return keys(h, Command::redo);
    case Command::cut:
        return keys(h, Command::cut);
    case Command::copy:
        return keys(h, Command::copy);
    case Command::paste:
        return keys(h, Command::paste);
    case Command::selectAll:
        return keys(h, Command::selectAll);
    case Command::minimize:
        return call(h.minimize);
    case Command::zoom:
        return call(h.zoom);
    case Command::help:
        return openHelp(h.open);
    case Command::reportProblem:
        return reportProblem(h.open);
    }
    qCWarning(lcApp) << "unknown menu command" << command;
}

Handlers handlersFor(HomeWindowController& home, const OtherApps& others) {
    QPointer<HomeWindowController> window(&home);
    const auto on = [window](void (HomeWindowController::*act)()) {
        return [window, act] {
            if (window)
                (window.data()->*act)();
        };
    };
    Handlers handlers;
    handlers.about = [] { AboutWindow::show(); };
    handlers.hideHome = on(&HomeWindowController::hide);
    handlers.hideOthers = [others] { hideOthers(others); };
    handlers.showAll = [others] { showAll(others); };
    handlers.quit = [] { QCoreApplication::quit(); };
    handlers.minimize = on(&HomeWindowController::minimize);
    handlers.zoom = on(&HomeWindowController::toggleZoom);
    handlers.sendKeys = [window](const QKeySequence& keys) {
        if (window)
            window->sendKeys(keys);
    };
    return handlers;
}

QUrl helpURL() {
    return QUrl(QStringLiteral("https://brisklet.app/help"));
}

QUrl reportProblemURL(const QString& version, const QString& systemName) {
    const QString v = version.isEmpty() ? QStringLiteral("dev") : version;
    const QString subject = QStringLiteral("Brisklet problem report (v%1)").arg(v);
    const QString body =
        QStringLiteral("What happened?\n\n\nWhat did you expect?\n\n\n\u2014 Brisklet v%1, %2")
            .arg(v, systemName);
    // Spaces as %20, never "+": mail programs differ on the latter.
    const QByteArray text = "mailto:" + QByteArray(supportAddress) +
                            "?subject=" + QUrl::toPercentEncoding(subject) +
                            "&body=" + QUrl::toPercentEncoding(body);
    const QUrl url = QUrl::fromEncoded(text, QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

QUrl reportProblemURL() {
    return reportProblemURL(QStringLiteral(BRISKLET_VERSION), QSysInfo::prettyProductName());
}

void openHelp(const std::function<bool(const QUrl&)>& open) {
    if (!openWithDesktop(helpURL(), open))
        qCCritical(lcApp) << "couldn't open the help page";
}

void reportProblem(const std::function<bool(const QUrl&)>& open) {
    const QUrl url = reportProblemURL();
    if (url.isEmpty())
        return;
    if (!openWithDesktop(url, open))
        qCCritical(lcApp) << "couldn't start a problem report in the mail program";
}

} // namespace brisklet::MainMenu
