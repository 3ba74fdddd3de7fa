import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// The menu behind a setup card's "…": one row per entry, dividers between
// groups, destructive entries in the warning ink.
Popup {
    id: menu
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    // [{text, action, destructive, separator}]
    property var entries: []
    signal chosen(string action)
    padding: 5
    modal: false
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside

    background: Rectangle {
        radius: 8
        color: menu.c.surfaceRaised
        border.width: 1
        border.color: menu.c.hairlineStrong
    }
    contentItem: Column {
        objectName: "menuEntries"
        Repeater {
            model: menu.entries
            Item {
                id: row
                required property var modelData
                required property int index
                implicitWidth: modelData.separator ? 1 : Math.max(label.implicitWidth + 20, 160)
                width: Math.max(implicitWidth, parent ? parent.width : 0)
                height: modelData.separator ? 9 : 26
                Rectangle {
                    visible: row.modelData.separator
                    anchors.verticalCenter: parent.verticalCenter
                    width: parent.width
                    height: 1
                    color: menu.c.hairline
                }
                AbstractButton {
                    id: entry
                    objectName: "entry-" + row.modelData.action
                    visible: !row.modelData.separator
                    anchors.fill: parent
                    hoverEnabled: true
                    background: Rectangle {
                        radius: 5
                        color: entry.hovered ? menu.c.well : "transparent"
                    }
                    contentItem: Text {
                        id: label
                        objectName: "entryText"
                        leftPadding: 10
                        rightPadding: 10
                        verticalAlignment: Text.AlignVCenter
                        text: row.modelData.text
                        font: DS.text.body
                        color: row.modelData.destructive ? menu.c.emberText : menu.c.ink
                    }
                    onClicked: {
                        menu.close()
                        menu.chosen(row.modelData.action)
                    }
                }
            }
        }
    }
}
