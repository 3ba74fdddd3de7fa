import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisklet

// One command the user added: its phrases, what it does, and a delete button; a
// delete that could not be saved is said under the caption.
Rectangle {
    id: rowItem
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var row: ({})
    signal remove()
    implicitHeight: layout.implicitHeight + 24
    radius: 10
    color: c.surface
    border.width: 1
    border.color: c.hairline

    RowLayout {
        id: layout
        x: 12
        width: rowItem.width - 24
        anchors.verticalCenter: parent.verticalCenter
        spacing: 12
        Column {
            Layout.fillWidth: true
            // Whatever room the delete button leaves, however long the phrases.
            Layout.minimumWidth: 0
            Layout.preferredWidth: 0
            spacing: 3
            ChipRow {
                objectName: "chips"
                width: parent.width
                chips: (rowItem.row.phrases || []).map(p => ({phrase: p, prominent: true}))
            }
            Text {
                objectName: "caption"
                width: parent.width
                text: rowItem.row.caption || ""
                elide: Text.ElideRight
                maximumLineCount: 1
                font: DS.text.caption
                color: rowItem.c.inkSecondary
            }
            FailureLine {
                objectName: "failure"
                visible: text !== ""
                width: parent.width
                text: rowItem.row.failure || ""
            }
        }
        DSPlainButton {
            objectName: "delete"
            Layout.minimumWidth: implicitWidth
            implicitWidth: 24
            implicitHeight: 24
            contentItem: DSIcon {
                name: "trash"
                size: 12
                color: rowItem.c.inkSecondary
            }
            onClicked: rowItem.remove()
        }
    }
}
