// The autostart entry: written whole, read back as a desktop would, and its Exec
// line names the program exactly whatever its path holds.
#include "platform/linux/XdgLoginItem.h"

#include "support/FileFaults.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using brisklet::platform::XdgLoginItem;
using namespace brisklet::test;

namespace {

QString readEntry() {
    QFile file(XdgLoginItem::entryPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Undo the string-value escapes, then split the Exec value into arguments as a
// desktop does: quoted arguments with backslash escapes, "%%" for "%".
QStringList execArguments(const QString& entry) {
    QString exec;
    for (const QString& line : entry.split('\n'))
        if (line.startsWith("Exec="))
            exec = line.mid(5);
    QString value;
    for (int i = 0; i < exec.size(); ++i) {
        if (exec[i] == '\\' && i + 1 < exec.size()) {
            value += exec[++i];
            continue;
        }
        value += exec[i];
    }
    QStringList args;
    QString current;
    bool quoted = false;
    bool any = false;
    for (int i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (quoted && c == '\\' && i + 1 < value.size()) {
            current += value[++i];
        } else if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == '%' && i + 1 < value.size() && value[i + 1] == '%') {
            current += '%';
            ++i;
        } else if (c == ' ' && !quoted) {
            if (any || !current.isEmpty())
                args << current;
            current.clear();
            any = false;
        } else {
            current += c;
        }
    }
    if (any || !current.isEmpty())
        args << current;
    return args;
}

} // namespace

TEST(XdgLoginItem, switchingOffWhenNeverOnAnswersTrueAndChangesNothing) {
    TempHome home;
    LogCapture log;
    XdgLoginItem item("/usr/bin/brisklet");
    EXPECT_TRUE(item.set(false));
    EXPECT_FALSE(QFileInfo::exists(XdgLoginItem::entryPath()));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(XdgLoginItem::entryPath()).path()));
    EXPECT_EQ(log.count("login item unregistered"), 1);
}

TEST(XdgLoginItem, switchingOnWritesAnAutostartEntryAndOffRemovesIt) {
    TempHome home;
    XdgLoginItem item("/usr/bin/brisklet");
    ASSERT_TRUE(item.set(true));
    EXPECT_TRUE(item.isEnabled());
    const QString entry = readEntry();
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entry.contains("\nType=Application\n"));
    EXPECT_TRUE(entry.contains("\nName=Brisklet\n"));
    EXPECT_TRUE(entry.contains("\nExec=\"/usr/bin/brisklet\" --autostart\n"));
    EXPECT_TRUE(entry.contains("\nX-GNOME-Autostart-enabled=true\n"));
    ASSERT_TRUE(item.set(false));
    EXPECT_FALSE(item.isEnabled());
    EXPECT_FALSE(QFileInfo::exists(XdgLoginItem::entryPath()));
}

// A full disk: switching on answers false and leaves no entry, not a cut-short one
// that a desktop would read as switched on.
TEST(XdgLoginItem, anEntryTheDiskCannotHoldIsNotWrittenAndSaysSo) {
    TempHome home;
    XdgLoginItem item("/usr/bin/brisklet");
    bool on = true;
    {
        FileSizeLimit full(16);
        on = item.set(true);
    }
    EXPECT_FALSE(on);
    EXPECT_FALSE(QFileInfo::exists(XdgLoginItem::entryPath()));
    EXPECT_FALSE(item.isEnabled());
}

TEST(XdgLoginItem, awkwardPathsSurviveTheExecLine) {
    for (const QString& path :
         {QString("/opt/My Apps/brisklet"), QString("/tmp/$(touch x)/a`b`/c\"d\\e/100%/b")}) {
        const auto entry = XdgLoginItem::entryFor(path);
        ASSERT_TRUE(entry.has_value());
        EXPECT_EQ(execArguments(QString::fromUtf8(*entry)), (QStringList{path, "--autostart"}))
            << path.toStdString();
    }
    EXPECT_FALSE(XdgLoginItem::entryFor("/tmp/line\nbreak").has_value());
}

TEST(XdgLoginItem, anEntrySwitchedOffByTheDesktopCountsAsOff) {
    TempHome home;
    XdgLoginItem item("/usr/bin/brisklet");
    ASSERT_TRUE(item.set(true));
    for (const char* line : {"X-GNOME-Autostart-enabled=false", "Hidden=true"}) {
        QString text = readEntry();
        text.replace("X-GNOME-Autostart-enabled=true", line);
        QFile file(XdgLoginItem::entryPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
        file.close();
        EXPECT_FALSE(item.isEnabled()) << line;
    }
}
