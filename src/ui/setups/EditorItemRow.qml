import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// One app, page or project of the setup being edited: where its window goes, on
// which display, the page's address and browser, and a delete button.
Rectangle {
    id: row
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var item: ({})
    property var browsers: []
    property var presets: []
    property bool refused: false
    signal urlEdited(string text)
    signal browserPicked(string id)
    signal presetPicked(string label)
    signal displayPicked(int display)
    signal deleteClicked

    implicitHeight: content.implicitHeight + 20
    radius: 10
    color: c.surface
    border.width: 1
    border.color: c.hairline

    function displayOptions() {
        const out = []
        for (let i = 0; i < row.item.displayChoices; ++i)
            out.push({value: i, label: "Display " + (i + 1)})
        return out
    }
    function presetOptions() {
        return row.presets.map(p => ({value: p, label: p}))
    }
    function browserOptions() {
        return row.browsers.map(b => ({value: b.value, label: "in " + b.label}))
    }

    Row {
        id: content
        x: 10
        y: 10
        width: row.width - 20
        spacing: 8

        AppIconView {
            objectName: "itemIcon"
            anchors.verticalCenter: parent.verticalCenter
            width: 24
            height: 24
            appID: row.item.bundleID !== undefined ? row.item.bundleID : ""
        }
        Column {
            id: texts
            anchors.verticalCenter: parent.verticalCenter
            spacing: 2
            width: content.width - 24 - 8 * 4 - trailing.width
            TextField {
                id: address
                objectName: "address"
                visible: row.item.web === true
                width: parent.width
                padding: 2
                placeholderText: "https://…"
                placeholderTextColor: row.c.inkTertiary
                font: DS.font(12, 500)
                color: row.c.ink
                text: row.item.url !== undefined ? row.item.url : ""
                onTextEdited: row.urlEdited(text)
                background: Rectangle {
                    radius: 4
                    color: "transparent"
                    border.width: row.refused ? 1 : 0
                    border.color: row.c.emberText
                }
            }
            DSPicker {
                objectName: "browser"
                visible: row.item.web === true
                options: row.browserOptions()
                selection: row.item.bundleID
                onPicked: value => row.browserPicked(value)
            }
            Text {
                objectName: "appName"
                visible: row.item.web !== true
                width: parent.width
                text: row.item.appName !== undefined ? row.item.appName : ""
                font: DS.text.bodyMedium
                color: row.c.ink
                elide: Text.ElideRight
            }
            Text {
                objectName: "subtitle"
                visible: row.item.web !== true && text.length > 0
                width: parent.width
                text: row.item.subtitle !== undefined ? row.item.subtitle : ""
                font: row.item.project ? DS.text.mono : DS.text.caption
                color: row.c.inkSecondary
                elide: row.item.project ? Text.ElideMiddle : Text.ElideRight
                maximumLineCount: 1
            }
        }
        Row {
            id: trailing
            anchors.verticalCenter: parent.verticalCenter
            spacing: 8
            DSPicker {
                objectName: "display"
                visible: row.item.hasFrame === true && row.item.displayChoices >= 2
                options: row.displayOptions()
                selection: row.item.display
                onPicked: value => row.displayPicked(value)
            }
            DSPicker {
                objectName: "preset"
                options: row.presetOptions()
                selection: row.item.preset
                onPicked: value => row.presetPicked(value)
            }
            AbstractButton {
                objectName: "delete"
                width: 20
                height: 24
                onClicked: row.deleteClicked()
                contentItem: DSIcon {
                    name: "trash"
                    size: 13
                    color: row.c.inkSecondary
                }
            }
        }
    }
}
