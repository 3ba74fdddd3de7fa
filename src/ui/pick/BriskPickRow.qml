import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// One row of the pick panel: the setup's symbol, its name and, at the end, "OPEN"
// for the setup now applied or a play mark while the pointer is on the row. A
// muted row (the last, "Open Brisklet") is quieter and shows no play mark.
Item {
    id: row
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property string name
    property string icon
    property bool active: false
    property bool muted: false
    readonly property bool hovering: button.hovered
    signal activated()

    implicitWidth: 232
    implicitHeight: button.implicitHeight

    AbstractButton {
        id: button
        objectName: "rowButton"
        x: 6
        width: row.width - 12
        hoverEnabled: true
        leftPadding: 8
        rightPadding: 8
        topPadding: 5
        bottomPadding: 5
        onClicked: row.activated()

        background: Rectangle {
            objectName: "rowBackground"
            radius: 7
            color: button.hovered ? row.c.surfaceRaised : "transparent"
            Behavior on color {
                enabled: !DS.reduceMotion
                ColorAnimation { duration: DS.motion.quick; easing: DS.motion.easeOut }
            }
        }
        contentItem: Item {
            implicitHeight: 22
            Rectangle {
                id: iconBox
                width: 22
                height: 22
                radius: 5
                color: row.muted ? "transparent" : row.c.well
                DSIcon {
                    objectName: "icon"
                    anchors.centerIn: parent
                    name: row.icon
                    size: 12
                    color: row.muted ? row.c.inkTertiary : row.c.inkSecondary
                }
            }
            Text {
                objectName: "name"
                anchors.left: iconBox.right
                anchors.leftMargin: 8
                anchors.right: trailing.left
                anchors.rightMargin: 8
                anchors.verticalCenter: parent.verticalCenter
                text: row.name
                font: row.muted ? DS.text.caption : DS.text.bodyMedium
                color: row.muted ? row.c.inkSecondary : row.c.ink
                elide: Text.ElideRight
                maximumLineCount: 1
            }
            Item {
                id: trailing
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                width: Math.max(openMark.implicitWidth, 9)
                height: 12
                Text {
                    id: openMark
                    objectName: "openMark"
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    visible: row.active
                    text: "OPEN"
                    font: DS.tracked(DS.font(8.5, 700), 0.6)
                    color: row.c.success
                }
                DSIcon {
                    objectName: "playMark"
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    visible: !row.active && row.hovering && !row.muted
                    name: "play.fill"
                    size: 9
                    color: row.c.inkTertiary
                }
            }
        }
    }
}
