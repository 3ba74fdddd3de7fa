import QtQuick
import Brisklet

// One permission: a status dot, the title over its explanation, and, while the
// permission is missing, the button that fixes it.
Item {
    id: row
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property string title
    property string detail
    property bool ok: false
    property color dotColor: ok ? c.success : c.inkQuaternary
    property color detailColor: c.inkSecondary
    property string buttonText: "Allow…"
    property bool showButton: !ok
    signal fix()
    width: parent ? parent.width : 0
    implicitHeight: Math.max(texts.implicitHeight, button.visible ? button.implicitHeight : 0)

    Rectangle {
        objectName: "dot"
        y: 4
        width: 8
        height: 8
        radius: 4
        color: row.dotColor
    }
    Column {
        id: texts
        x: 16
        width: row.width - x - (button.visible ? button.width + 12 : 0)
        spacing: 2
        Text {
            objectName: "title"
            width: parent.width
            text: row.title
            font: DS.text.headline
            color: row.c.ink
            wrapMode: Text.Wrap
        }
        Text {
            objectName: "detail"
            width: parent.width
            text: row.detail
            textFormat: Text.PlainText
            font: DS.text.caption
            color: row.detailColor
            wrapMode: Text.Wrap
        }
    }
    DSSecondaryButton {
        id: button
        objectName: "fix"
        anchors.right: parent.right
        visible: row.showButton
        text: row.buttonText
        onClicked: row.fix()
    }
}
