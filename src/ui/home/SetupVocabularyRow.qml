import QtQuick
import QtQuick.Layouts
import Brisklet

// One setup as the phrases that run it, with Run (and End while it is the active run).
Rectangle {
    id: rowItem
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var row: ({})
    signal run()
    signal end()
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
        Rectangle {
            implicitWidth: 26
            implicitHeight: 26
            radius: 6
            color: rowItem.c.well
            DSIcon {
                anchors.centerIn: parent
                name: rowItem.row.symbol || ""
                size: 12
                color: rowItem.c.inkSecondary
            }
        }
        Column {
            Layout.fillWidth: true
            // Whatever room the buttons leave, however long the phrases.
            Layout.minimumWidth: 0
            Layout.preferredWidth: 0
            spacing: 3
            ChipRow {
                objectName: "chips"
                width: parent.width
                chips: [{phrase: rowItem.row.chip || "", prominent: true}].concat(
                           (rowItem.row.phrases || []).map(p => ({phrase: p, prominent: false})))
            }
            Text {
                objectName: "caption"
                width: parent.width
                text: rowItem.row.caption || ""
                font: DS.text.caption
                color: rowItem.c.inkSecondary
                elide: Text.ElideRight
                maximumLineCount: 1
            }
        }
        DSSecondaryButton {
            objectName: "end"
            Layout.minimumWidth: implicitWidth
            visible: rowItem.row.isOpen === true
            text: "End"
            onClicked: rowItem.end()
        }
        DSSecondaryButton {
            objectName: "run"
            Layout.minimumWidth: implicitWidth
            text: "Run"
            onClicked: rowItem.run()
        }
    }
}
