import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// A small rounded box with a check mark, then the label; a click anywhere on the
// row flips it.
AbstractButton {
    id: box
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    checkable: true
    padding: 0
    spacing: 8
    readonly property color fill: checked ? c.action : c.surface

    contentItem: Row {
        spacing: box.spacing
        Rectangle {
            objectName: "box"
            width: 15
            height: 15
            radius: 4
            anchors.verticalCenter: parent.verticalCenter
            color: box.fill
            border.width: 1
            border.color: box.checked ? box.c.action : box.c.hairlineStrong
            Behavior on color {
                enabled: !DS.reduceMotion
                ColorAnimation { duration: DS.motion.quick; easing: DS.motion.easeOut }
            }
            DSIcon {
                objectName: "check"
                anchors.centerIn: parent
                visible: box.checked
                name: "checkmark"
                size: 9
                font.weight: Font.Bold
                color: box.c.onAction
            }
        }
        Text {
            objectName: "label"
            anchors.verticalCenter: parent.verticalCenter
            text: box.text
            font: box.font
            color: box.c.ink
        }
    }
}
