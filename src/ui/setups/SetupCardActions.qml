import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisklet

// A setup card's actions: Run, End while it is open, the menu of the rest, and
// when it last ran.
RowLayout {
    id: actions
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var card: ({})
    property bool hovering: false
    signal run()
    signal end()
    signal chosen(string action)
    spacing: 8

    DSPrimaryButton {
        id: runButton
        objectName: "run"
        text: "Run"
        contentItem: SymbolButtonLabel {
            symbol: "play.fill"
            text: runButton.text
            font: runButton.font
            color: runButton.c.onAction
        }
        onClicked: actions.run()
    }
    DSSecondaryButton {
        objectName: "end"
        visible: actions.card.active === true
        text: "End"
        onClicked: actions.end()
    }
    AbstractButton {
        id: moreButton
        objectName: "more"
        Layout.preferredWidth: 30
        Layout.preferredHeight: 26
        background: Item {}
        contentItem: Item {
            Rectangle {
                anchors.centerIn: parent
                width: 26
                height: 26
                radius: 13
                color: actions.hovering ? actions.c.surfaceRaised : "transparent"
                DSIcon {
                    anchors.centerIn: parent
                    name: "ellipsis"
                    size: 15
                    color: actions.c.inkSecondary
                }
            }
        }
        onClicked: menu.open()

        SetupCardMenu {
            id: menu
            objectName: "menu"
            y: moreButton.height + 4
            entries: actions.card.menu || []
            onChosen: action => actions.chosen(action)
        }
    }
    Item {
        Layout.fillWidth: true
    }
    Text {
        objectName: "lastRun"
        visible: text !== ""
        text: actions.card.lastRun || ""
        font: DS.text.caption
        color: actions.c.inkQuaternary
    }
}
