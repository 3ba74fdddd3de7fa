// The Window menu lists Brisklet's open windows, the ones a person would pick
// from a list, and choosing one brings it forward.
#include "shell/MainMenu.h"

#include "support/WaitFor.h"

#include <QGuiApplication>
#include <QVariantMap>
#include <QWindow>
#include <gtest/gtest.h>

using namespace brisklet;
using brisklet::test::waitFor;

namespace {

QStringList titlesOf(const QVariantList& entries) {
    QStringList titles;
    for (const QVariant& entry : entries) {
        const QVariantMap map = entry.toMap();
        titles << (map["separator"].toBool() ? QStringLiteral("---") : map["title"].toString());
    }
    return titles;
}

} // namespace

TEST(MainMenuWindows, theWindowMenuListsOurOpenWindowsAndBringsThePickedOneForward) {
    EXPECT_TRUE(MainMenu::windowEntries().isEmpty()) << "no window, no list";

    QWindow home;
    home.setTitle("Brisklet");
    home.resize(400, 300);
    home.show();
    QWindow about;
    about.setTitle("About Brisklet");
    about.setFlags(Qt::Dialog);
    about.resize(300, 200);
    about.show();
    QWindow panel; // a floating panel: never listed
    panel.setTitle("heads-up");
    panel.setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    panel.show();
    QWindow hidden;
    hidden.setTitle("Closed");

    const QVariantList entries = MainMenu::windowEntries();
    EXPECT_EQ(titlesOf(entries), (QStringList{"---", "Brisklet", "About Brisklet"}));
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[1].toMap()["command"].toInt(), MainMenu::firstWindowCommand);
    EXPECT_EQ(entries[2].toMap()["command"].toInt(), MainMenu::firstWindowCommand + 1);
    EXPECT_TRUE(entries[1].toMap()["enabled"].toBool());

    // Minimised, then picked from the menu: shown again and asked to the front.
    home.showMinimized();
    MainMenu::perform(MainMenu::firstWindowCommand, {});
    EXPECT_FALSE(home.windowStates() & Qt::WindowMinimized);
    EXPECT_TRUE(waitFor([&] { return QGuiApplication::focusWindow() == &home; }, 2000));

    // A window that closed since the menu opened is passed over quietly.
    about.close();
    MainMenu::perform(MainMenu::firstWindowCommand + 1, {});
    EXPECT_FALSE(about.isVisible());
}
