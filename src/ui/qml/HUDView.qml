import QtQuick
import Brisklet

// The heads-up display: what the current request is doing, in one rounded panel.
Item {
    id: root

    required property HUDController controller

    implicitWidth: 264
    implicitHeight: 86

    Rectangle {
        id: panel
        objectName: "panel"
        anchors.fill: parent
        radius: 22
        color: "#1c1c1e"

        Text {
            objectName: "text"
            anchors.fill: parent
            anchors.margins: 16
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            color: "white"
            font.pixelSize: 15
            elide: Text.ElideLeft
            text: root.controller.text
        }
    }
}
