import QtQuick
import Brisklet

// The brand and one button per pane; pressing one selects its pane.
Rectangle {
    id: sidebar
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var panes: []
    property string pane
    signal selected(string name)
    width: 208
    color: c.sidebar

    Column {
        x: 16
        y: 46
        width: sidebar.width - 32
        spacing: 4

        Item {
            width: parent.width
            height: brand.height + 24
            Row {
                id: brand
                spacing: 10
                Rectangle {
                    width: 28
                    height: 28
                    radius: 8
                    color: sidebar.c.ember
                    BriskMark {
                        anchors.centerIn: parent
                        size: 18
                        flat: true
                        flatColor: "white"
                    }
                }
                Text {
                    objectName: "brandName"
                    anchors.verticalCenter: parent.verticalCenter
                    text: "Brisklet"
                    font: DS.font(18, 600, "serif")
                    color: sidebar.c.ink
                }
            }
        }
        Repeater {
            model: sidebar.panes
            NavButton {
                required property var modelData
                objectName: "nav" + modelData.name
                width: parent.width
                name: modelData.name
                symbol: modelData.symbol
                selected: sidebar.pane === modelData.name
                onClicked: sidebar.selected(modelData.name)
            }
        }
    }
}
