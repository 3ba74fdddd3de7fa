import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// One catalog row: title, explanation, up to four example phrases and, for rows
// backed by registry commands, an editor per command behind "Edit phrases".
Column {
    id: row
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var doc: ({})
    property var paneModel
    property bool expanded: false
    padding: 16
    spacing: 8

    Item {
        width: row.width - 32
        height: Math.max(title.implicitHeight, edit.implicitHeight)
        Text {
            id: title
            objectName: "title"
            text: row.doc.title || ""
            font: DS.text.bodyMedium
            color: row.c.ink
        }
        DSPlainButton {
            id: edit
            objectName: "editPhrases"
            visible: row.doc.editable === true
            anchors.right: parent.right
            font: DS.text.caption
            text: row.expanded ? "Done" : "Edit phrases"
            onClicked: row.expanded = !row.expanded
        }
    }
    Text {
        width: row.width - 32
        text: row.doc.detail || ""
        font: DS.text.caption
        color: row.c.inkSecondary
        wrapMode: Text.Wrap
    }
    Row {
        spacing: 4
        Repeater {
            model: row.doc.examples || []
            PhraseChip {
                required property string modelData
                phrase: modelData
                prominent: true
            }
        }
    }
    Column {
        id: fields
        objectName: "fields"
        visible: reveal.shown
        spacing: 8
        RevealFade {
            id: reveal
            target: fields
            open: row.expanded
        }
        Repeater {
            model: reveal.shown && row.paneModel ? row.paneModel.fieldsFor(row.doc.title) : []
            TriggerWordsField {
                required property var modelData
                width: row.width - 32
                paneModel: row.paneModel
                entryId: modelData.id
                label: modelData.label
                initialText: modelData.text
            }
        }
    }
}
