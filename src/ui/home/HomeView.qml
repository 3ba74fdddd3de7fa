import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// The home window's content: the sidebar, a hairline, and the selected pane in a
// scrolling column at most 960 wide, centred. Each visit builds the pane afresh.
Rectangle {
    id: root
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var home
    property string pane: "Home"
    implicitWidth: 940
    implicitHeight: 640
    color: c.canvas

    MainMenuBar {
        id: menuBar
        objectName: "menuBar"
        width: root.width
        visible: menuData.length > 0
        height: visible ? implicitHeight : 0
        menuData: root.home ? root.home.menus : []
        windowEntries: root.home ? root.home.windowEntries : []
        onChosen: command => root.home.chooseMenuCommand(command)
        onWindowMenuOpening: if (root.home) root.home.refreshWindowEntries()
    }
    Sidebar {
        id: sidebar
        objectName: "sidebar"
        y: menuBar.height
        height: root.height - y
        panes: root.home ? root.home.panes : []
        pane: root.pane
        onSelected: name => root.pane = name
    }
    Rectangle {
        id: divider
        x: sidebar.width
        y: menuBar.height
        width: 1
        height: root.height - y
        color: root.c.hairline
    }
    Flickable {
        id: scroller
        objectName: "scroller"
        x: divider.x + 1
        y: menuBar.height
        width: root.width - x
        height: root.height - y
        contentWidth: width
        contentHeight: column.height
        boundsBehavior: Flickable.StopAtBounds
        clip: true
        ScrollBar.vertical: ScrollBar {}

        Item {
            id: column
            objectName: "paneColumn"
            width: Math.min(scroller.width, 960)
            x: (scroller.width - width) / 2
            height: loader.height + 32 + 40
            Loader {
                id: loader
                objectName: "paneLoader"
                x: 40
                y: 32
                width: column.width - 80
                sourceComponent: root.pane === "Home" ? homePane
                               : root.pane === "Commands" ? commandsPane
                               : root.pane === "Setups" ? setupsPane
                               : root.pane === "Settings" ? settingsPane
                               : root.pane === "Magic" ? magicPane
                               : placeholder
            }
        }
    }

    Component {
        id: homePane
        HomePaneView {
            home: root.home
            onGoToSetups: root.pane = "Setups"
        }
    }
    Component {
        id: commandsPane
        CommandsPane {
            home: root.home
        }
    }
    Component {
        id: setupsPane
        SetupsPane {
            model: root.home ? root.home.setupsPane : null
        }
    }
    Component {
        id: settingsPane
        SettingsPane {
            home: root.home
        }
    }
    Component {
        id: magicPane
        MagicPane {
            home: root.home
        }
    }
    Component {
        id: placeholder
        PlaceholderPane {
            title: root.pane
        }
    }
    SetupEditorView {
        objectName: "setupEditor"
        editor: root.home ? root.home.setupEditor : null
        reservedTop: menuBar.height
    }
}
