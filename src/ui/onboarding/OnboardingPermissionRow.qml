import QtQuick
import Brisklet

// One permission of the first-run window: its status mark, what it is for, and
// "Allow…" while it is missing.
Rectangle {
    id: row
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property string title
    property string desc
    property bool ok: false
    signal allow

    implicitHeight: Math.max(texts.implicitHeight, allowButton.visible ? allowButton.implicitHeight : 22) + 24
    radius: 10
    color: c.surface
    border.width: 1
    border.color: ok ? Qt.rgba(c.success.r, c.success.g, c.success.b, 0.35) : c.hairline

    Item {
        id: mark
        objectName: "mark"
        x: 12
        anchors.verticalCenter: parent.verticalCenter
        width: 22
        height: 22
        Rectangle {
            anchors.fill: parent
            radius: 11
            color: "transparent"
            border.width: 1.5
            border.color: row.ok ? row.c.success : row.c.inkQuaternary
        }
        Rectangle {
            objectName: "granted"
            anchors.fill: parent
            radius: 11
            color: row.c.success
            visible: opacity > 0
            opacity: row.ok ? 1 : 0
            scale: row.ok || DS.reduceMotion ? 1 : 0.4
            Behavior on opacity {
                enabled: !DS.reduceMotion
                NumberAnimation { duration: 300; easing: DS.motion.hudSpring }
            }
            Behavior on scale {
                enabled: !DS.reduceMotion
                NumberAnimation { duration: 300; easing: DS.motion.hudSpring }
            }
            DSIcon {
                anchors.centerIn: parent
                name: "checkmark"
                size: 13
                font.bold: true
                color: "white"
            }
        }
    }
    Column {
        id: texts
        x: mark.x + mark.width + 12
        anchors.verticalCenter: parent.verticalCenter
        width: (allowButton.visible ? allowButton.x - 12 : row.width - 12) - x
        spacing: 2
        Text {
            objectName: "title"
            text: row.title
            font: DS.text.headline
            color: row.c.ink
        }
        Text {
            objectName: "desc"
            width: parent.width
            text: row.desc
            font: DS.text.caption
            color: row.c.inkSecondary
            wrapMode: Text.Wrap
        }
    }
    DSSecondaryButton {
        id: allowButton
        objectName: "allow"
        x: row.width - width - 12
        anchors.verticalCenter: parent.verticalCenter
        visible: !row.ok
        text: "Allow…"
        onClicked: row.allow()
    }
}
