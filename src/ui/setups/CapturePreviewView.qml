import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// The "Review your setup" window: what the capture found, what to keep, the name
// and whether running it closes the rest.
Rectangle {
    id: view
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var preview
    implicitWidth: 620
    implicitHeight: 700
    color: c.canvas

    component NoteBox: Rectangle {
        id: box
        property alias text: line.text
        property alias trailing: trailingSlot.data
        width: parent ? parent.width : 0
        height: Math.max(line.implicitHeight, 14) + 20
        radius: 10
        color: Qt.rgba(view.c.emberWash.r, view.c.emberWash.g, view.c.emberWash.b, view.c.emberWash.a * 0.55)
        property string symbol: "info.circle.fill"
        DSIcon {
            id: mark
            x: 10
            y: 11
            size: 12
            name: box.symbol
            color: view.c.emberText
        }
        Text {
            id: line
            x: mark.x + mark.width + 8
            y: 10
            width: box.width - x - 10 - trailingSlot.width - (trailingSlot.width > 0 ? 8 : 0)
            font: DS.text.caption
            color: view.c.inkSecondary
            wrapMode: Text.WordWrap
            textFormat: Text.PlainText
        }
        Row {
            id: trailingSlot
            x: box.width - width - 10
            y: 10
        }
    }

    Column {
        id: header
        x: 24
        y: 42
        width: view.width - 48
        spacing: 4
        Text {
            objectName: "title"
            text: "Here's what I captured."
            font: DS.text.display
            color: view.c.ink
        }
        Text {
            objectName: "summary"
            width: parent.width
            text: view.preview.summary
            font: DS.text.callout
            color: view.c.inkSecondary
            wrapMode: Text.WordWrap
        }
    }
    Flickable {
        id: scroller
        y: header.y + header.height + 16
        width: view.width
        height: rule.y - y
        contentWidth: width
        contentHeight: body.height + 12
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {}
        Column {
            id: body
            x: 24
            width: scroller.width - 48
            spacing: 12
            SetupThumbnail {
                objectName: "thumbnail"
                visible: view.preview.showThumbnail
                width: parent.width
                height: 92
                screenHeight: 92
                items: view.preview.thumbnail
                screens: view.preview.screens
                palette: view.c
            }
            NoteBox {
                objectName: "overlap"
                visible: view.preview.showOverlap
                symbol: "rectangle.on.rectangle.angled"
                text: "Some of these windows sit almost on top of each other — running this setup brings them back exactly like that."
                trailing: DSPlainButton {
                    objectName: "tidyFirst"
                    text: "Cancel & tidy first"
                    font: DS.text.captionMedium
                    onClicked: view.preview.cancel()
                }
            }
            Repeater {
                model: view.preview.notes
                NoteBox {
                    required property string modelData
                    objectName: "note"
                    text: modelData
                }
            }
            Repeater {
                model: view.preview.rows
                CaptureItemRow {
                    required property var modelData
                    objectName: "captureRow"
                    width: body.width
                    item: modelData
                    onToggled: on => view.preview.setIncluded(modelData.id, on)
                }
            }
        }
    }
    // The bottom panel is padded 16 on every side, the rule above it included.
    Rectangle {
        id: rule
        objectName: "bottomRule"
        y: bottom.y - 16 - 1
        width: view.width
        height: 1
        color: view.c.hairline
    }
    Column {
        id: bottom
        objectName: "bottomPanel"
        x: 16
        y: view.height - height - 16
        width: view.width - 32
        spacing: 8
        DSSectionHeader {
            title: "Name it — you'll say this word"
        }
        Row {
            spacing: 8
            SheetField {
                objectName: "name"
                width: 300
                font: DS.font(15, 500)
                placeholderText: "e.g. deep work"
                text: view.preview.name
                onTextEdited: view.preview.name = text
                Keys.onReturnPressed: view.preview.save()
                Keys.onEnterPressed: view.preview.save()
            }
            Text {
                objectName: "replacing"
                visible: text.length > 0
                anchors.verticalCenter: parent.verticalCenter
                // A long name wraps beside the field rather than run out of the window.
                width: Math.min(implicitWidth, bottom.width - 300 - parent.spacing)
                text: view.preview.replacingLine
                textFormat: Text.PlainText
                font: DS.text.caption
                color: view.c.emberText
                wrapMode: Text.Wrap
                maximumLineCount: 2
                elide: Text.ElideRight
            }
            PhraseChip {
                objectName: "chip"
                visible: view.preview.chip.length > 0
                anchors.verticalCenter: parent.verticalCenter
                width: Math.min(implicitWidth, bottom.width - 300 - parent.spacing)
                phrase: view.preview.chip
                prominent: true
            }
        }
        Text {
            objectName: "problem"
            visible: text.length > 0
            width: parent.width
            text: view.preview.problem
            textFormat: Text.PlainText
            font: DS.text.caption
            color: view.c.emberText
            wrapMode: Text.WordWrap
        }
        Text {
            objectName: "unsaved"
            visible: text.length > 0
            width: parent.width
            text: view.preview.unsaved
            textFormat: Text.PlainText
            font: DS.text.caption
            color: view.c.emberText
            wrapMode: Text.WordWrap
        }
        DSCheckbox {
            objectName: "closeOthers"
            text: "Close everything else when this runs — apps not in the setup are asked to quit (never browsers or Files)"
            font: DS.text.caption
            checked: view.preview.closeOthers
            onClicked: {
                view.preview.closeOthers = checked
                checked = Qt.binding(() => view.preview.closeOthers)
            }
        }
        Item {
            width: parent.width
            height: saveButton.implicitHeight
            Text {
                objectName: "kept"
                anchors.verticalCenter: parent.verticalCenter
                text: view.preview.keptText
                font: DS.text.caption
                color: view.c.inkTertiary
            }
            Row {
                anchors.right: parent.right
                spacing: 8
                DSSecondaryButton {
                    objectName: "cancel"
                    text: "Cancel"
                    onClicked: view.preview.cancel()
                }
                DSPrimaryButton {
                    id: saveButton
                    objectName: "save"
                    text: view.preview.primaryText
                    enabled: view.preview.canSave
                    opacity: enabled ? 1 : 0.45
                    onClicked: view.preview.save()
                }
            }
        }
    }
}
