import QtQuick
import Brisklet

// The About window: the brand tile, the name and the version of this build.
Rectangle {
    id: root
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property string version: ""
    implicitWidth: 300
    implicitHeight: 220
    color: c.canvas

    Column {
        anchors.centerIn: parent
        spacing: 10
        Rectangle {
            objectName: "brandTile"
            anchors.horizontalCenter: parent.horizontalCenter
            width: 64
            height: 64
            radius: 14
            color: root.c.ember
            BriskMark {
                anchors.centerIn: parent
                size: 38
                flat: true
                flatColor: "white"
            }
        }
        Text {
            objectName: "name"
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Brisklet"
            font: DS.font(24, Font.DemiBold, "serif")
            color: root.c.ink
        }
        Text {
            objectName: "version"
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Version " + root.version
            font: DS.text.body
            color: root.c.inkSecondary
        }
    }
}
