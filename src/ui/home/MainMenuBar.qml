import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// The home window's menu bar, built from plain data: menus of entries, each with
// a title, its shortcut as text, a command number and whether it is enabled, or
// a separator. Choosing an
// entry reports its command once its menu has closed, so edit keys reach the
// item that had the focus.
MenuBar {
    id: bar
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var menuData: []
    // The Window menu's open windows, in the entries' form.
    property var windowEntries: []
    signal chosen(int command)
    signal windowMenuOpening()

    delegate: MenuBarItem {
        id: barItem
        leftPadding: 10
        rightPadding: 10
        topPadding: 5
        bottomPadding: 5
        contentItem: Text {
            objectName: "menuTitle-" + barItem.text
            text: barItem.text
            font: DS.font(13, 400)
            color: bar.c.ink
            verticalAlignment: Text.AlignVCenter
        }
        background: Rectangle {
            radius: 5
            color: barItem.highlighted ? bar.c.surfaceRaised : "transparent"
        }
    }
    background: Rectangle {
        implicitHeight: 28
        color: bar.c.sidebar
        Rectangle {
            width: parent.width
            height: 1
            anchors.bottom: parent.bottom
            color: bar.c.hairline
        }
    }

    // One entry of a menu: a separator, or a title with its shortcut.
    Component {
        id: entryItem
        MenuItem {
            id: item
            required property var modelData
            readonly property bool separator: modelData.separator
            text: modelData.title
            enabled: !separator && modelData.enabled !== false
            height: separator ? 9 : implicitHeight
            leftPadding: 12
            rightPadding: 12
            contentItem: Item {
                implicitHeight: item.separator ? 1 : 22
                implicitWidth: title.implicitWidth + keys.implicitWidth + 32
                Rectangle {
                    visible: item.separator
                    anchors.centerIn: parent
                    width: parent.width
                    height: 1
                    color: bar.c.hairline
                }
                Text {
                    id: title
                    objectName: "menuEntry-" + item.text
                    visible: !item.separator
                    anchors.verticalCenter: parent.verticalCenter
                    text: item.text
                    font: DS.font(13, 400)
                    color: item.highlighted ? bar.c.onAction : item.enabled ? bar.c.ink : bar.c.inkTertiary
                }
                Text {
                    id: keys
                    visible: !item.separator
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    text: item.modelData.shortcut
                    font: DS.font(13, 400)
                    color: item.highlighted ? bar.c.onAction : bar.c.inkSecondary
                }
            }
            background: Rectangle {
                visible: !item.separator
                x: 4
                width: item.width - 8
                radius: 5
                color: item.highlighted ? bar.c.action : "transparent"
            }
            onTriggered: {
                const command = modelData.command;
                Qt.callLater(() => bar.chosen(command));
            }
        }
    }

    // The entries' keys work while the menus are closed too; a focused text field
    // keeps its own edit keys.
    Instantiator {
        model: {
            const keyed = [];
            for (const menu of bar.menuData)
                for (const entry of menu.entries)
                    if (entry.enabled !== false && !entry.separator && entry.shortcut !== "")
                        keyed.push(entry);
            return keyed;
        }
        delegate: Shortcut {
            required property var modelData
            sequence: modelData.shortcut
            onActivated: bar.chosen(modelData.command)
        }
    }

    Instantiator {
        model: bar.menuData
        delegate: Menu {
            id: menu
            required property var modelData
            title: modelData.title
            topPadding: 4
            bottomPadding: 4
            background: Rectangle {
                implicitWidth: 230
                radius: 8
                color: bar.c.surfaceRaised
                border.width: 1
                border.color: bar.c.hairlineStrong
            }

            Instantiator {
                model: menu.modelData.entries
                delegate: entryItem
                onObjectAdded: (index, object) => menu.insertItem(index, object)
                onObjectRemoved: (index, object) => menu.removeItem(object)
            }
            // The Window menu ends with Brisklet's open windows, listed afresh as it opens.
            readonly property bool listsWindows: modelData.title === "Window"
            onAboutToShow: if (listsWindows) bar.windowMenuOpening()
            Instantiator {
                model: menu.listsWindows ? bar.windowEntries : []
                delegate: entryItem
                onObjectAdded: (index, object) => menu.insertItem(menu.modelData.entries.length + index, object)
                onObjectRemoved: (index, object) => menu.removeItem(object)
            }
        }
        onObjectAdded: (index, object) => bar.insertMenu(index, object)
        onObjectRemoved: (index, object) => bar.removeMenu(object)
    }
}
