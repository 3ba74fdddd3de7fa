import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// The phrases of one command as one comma-separated line; Return or leaving the
// field stores them. A field taken away while focused stores what was typed.
// Phrases that could not be saved stay in the field, and the hint says so instead
// while the field holds them.
Column {
    id: field
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var paneModel
    property string entryId
    property string label
    property string initialText
    property string lastCommitted: initialText
    readonly property alias input: input
    readonly property bool unsaved: field.paneModel ? field.paneModel.unsavedPhrases[field.entryId] === input.text
                                                    : false
    spacing: 4

    function commit() {
        if (!field.paneModel)
            return
        input.text = field.paneModel.commitPhrases(field.entryId, input.text)
        field.lastCommitted = input.text
    }

    Text {
        objectName: "label"
        visible: field.label !== ""
        text: field.label
        font: DS.text.captionMedium
        color: field.c.inkTertiary
    }
    TextField {
        id: input
        objectName: "phrases"
        width: field.width
        text: field.initialText
        placeholderText: "phrases, comma-separated"
        placeholderTextColor: field.c.inkTertiary
        color: field.c.ink
        selectionColor: field.c.emberWash
        selectedTextColor: field.c.ink
        font: DS.text.callout
        leftPadding: 8
        rightPadding: 8
        topPadding: 5
        bottomPadding: 5
        background: Rectangle {
            radius: 6
            color: field.c.surfaceRaised
            border.width: 1
            border.color: input.activeFocus ? field.c.ember : field.c.hairlineStrong
        }
        onAccepted: field.commit()
        onActiveFocusChanged: {
            if (!activeFocus)
                field.commit()
        }
    }
    Text {
        visible: !field.unsaved
        width: field.width
        text: "Say any of these to run it. Comma-separated; edits apply instantly."
        font: DS.text.caption
        color: field.c.inkTertiary
        wrapMode: Text.Wrap
    }
    FailureLine {
        objectName: "unsaved"
        visible: field.unsaved
        width: field.width
        text: "Couldn't save these phrases — the commands file can't be written"
    }

    Component.onDestruction: {
        if (input.text !== field.lastCommitted)
            field.commit()
    }
}
