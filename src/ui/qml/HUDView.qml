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
            // A live transcript keeps its newest words; a message or a question
            // keeps its start and wraps onto a second line.
            readonly property bool live: root.controller.kind === "listening"
            wrapMode: live ? Text.NoWrap : Text.WordWrap
            maximumLineCount: live ? 1 : 2
            elide: live ? Text.ElideLeft : Text.ElideRight
            text: root.controller.text
        }
    }
}
