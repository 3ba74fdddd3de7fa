import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// One captured window or page: a tick to keep it, its name and what it shows, and
// for a page the browser it opens in. Unticked rows are faded.
Rectangle {
    id: row
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var item: ({})
    signal toggled(bool on)

    implicitHeight: Math.max(26, texts.implicitHeight) + 20
    radius: 10
    color: c.surface
    border.width: 1
    border.color: c.hairline
    opacity: item.included ? 1 : 0.45

    DSCheckbox {
        id: tick
        objectName: "tick"
        x: 10
        anchors.verticalCenter: parent.verticalCenter
        checked: row.item.included === true
        onClicked: {
            row.toggled(checked)
            checked = Qt.binding(() => row.item.included === true)
        }
    }
    AppIconView {
        id: icon
        objectName: "itemIcon"
        x: tick.x + tick.width + 8
        anchors.verticalCenter: parent.verticalCenter
        width: 26
        height: 26
        appID: row.item.bundleID !== undefined ? row.item.bundleID : ""
    }
    Column {
        id: texts
        x: icon.x + icon.width + 8
        width: browser.x - x - 8
        anchors.verticalCenter: parent.verticalCenter
        spacing: 2
        Text {
            objectName: "title"
            width: parent.width
            text: row.item.title !== undefined ? row.item.title : ""
            textFormat: Text.PlainText
            font: DS.text.bodyMedium
            color: row.c.ink
            elide: Text.ElideRight
            maximumLineCount: 1
        }
        Text {
            objectName: "subtitle"
            visible: text.length > 0
            width: parent.width
            text: row.item.subtitle !== undefined ? row.item.subtitle : ""
            textFormat: Text.PlainText
            font: row.item.mono ? DS.text.mono : DS.text.caption
            color: row.c.inkSecondary
            elide: row.item.mono ? Text.ElideMiddle : Text.ElideRight
            maximumLineCount: 1
        }
    }
    Text {
        id: browser
        objectName: "browserLine"
        x: row.width - width - 10
        anchors.verticalCenter: parent.verticalCenter
        text: row.item.browserLine !== undefined ? row.item.browserLine : ""
        textFormat: Text.PlainText
        font: DS.text.caption
        color: row.c.inkTertiary
    }
}
