import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// One proposed setup: a miniature of its windows, its name and phrase, a line per
// app or page with why it was chosen, the names left out, what else it changes,
// and the buttons to try it, put things back, keep it or tune it first. It holds
// no state: the host says what happened and hears the four choices.
Rectangle {
    id: card
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    // MagicCardFormat.describe of the proposal.
    property var proposal: ({})
    property var unresolved: []
    property bool saved: false
    // The name the setup was stored under, which the saved line says.
    property string savedName: proposal.title || ""
    property bool ran: false
    property bool axGranted: true
    // Empty: the last run did not fail.
    property string runFailure: ""
    property bool allowEdit: false
    // The sizes of the displays the miniature draws on; by default the connected ones.
    property var screens: {
        const sizes = []
        const connected = Qt.application.screens
        for (let i = 0; i < connected.length; ++i)
            sizes.push(Qt.size(connected[i].width, connected[i].height))
        return sizes
    }
    signal run
    signal undo
    signal save
    signal edit

    readonly property var controls: MagicCardFormat.buttons(ran, saved, allowEdit, axGranted)
    function control(name) {
        for (let i = 0; i < controls.length; ++i) {
            if (controls[i].control === name)
                return controls[i]
        }
        return null
    }

    implicitWidth: 360
    implicitHeight: column.implicitHeight + 32
    radius: 14
    color: c.surface
    border.width: 1
    border.color: c.hairline

    Column {
        id: column
        x: 16
        y: 16
        width: card.width - 32
        spacing: 16

        // The same miniature as a setup card's, across the card's width.
        Item {
            objectName: "miniature"
            width: parent.width
            height: 74
            SetupThumbnail {
                objectName: "thumbnail"
                anchors.centerIn: parent
                width: Math.min(implicitWidth, parent.width)
                height: 74
                screenHeight: 74
                items: card.proposal.thumbnail || []
                screens: card.screens
                palette: card.c
            }
        }

        Column {
            width: parent.width
            spacing: 12

            Column {
                width: parent.width
                spacing: 4
                Row {
                    id: titleRow
                    width: parent.width
                    spacing: 8
                    DSIcon {
                        objectName: "symbol"
                        anchors.verticalCenter: parent.verticalCenter
                        name: card.proposal.symbol || ""
                        size: 12
                        font.weight: Font.DemiBold
                        color: card.c.inkSecondary
                    }
                    Text {
                        id: title
                        objectName: "title"
                        anchors.verticalCenter: parent.verticalCenter
                        width: Math.min(implicitWidth, titleRow.width - 20 - Math.min(chip.implicitWidth, 80) - 8)
                        text: card.proposal.title || ""
                        font: DS.text.title
                        color: card.c.ink
                        elide: Text.ElideRight
                    }
                    PhraseChip {
                        id: chip
                        objectName: "phraseChip"
                        anchors.verticalCenter: parent.verticalCenter
                        width: Math.min(implicitWidth, titleRow.width - 20 - title.width - 8)
                        phrase: MagicCardFormat.phraseToSay(card.proposal.phrase || "", card.saved, card.savedName)
                        prominent: true
                    }
                }
                Text {
                    objectName: "blurb"
                    visible: text !== ""
                    width: parent.width
                    text: card.proposal.blurb || ""
                    font: DS.text.callout
                    color: card.c.inkSecondary
                    wrapMode: Text.Wrap
                }
            }

            Column {
                objectName: "items"
                width: parent.width
                spacing: 6
                Repeater {
                    model: card.proposal.items || []
                    Row {
                        id: itemRow
                        required property var modelData
                        required property int index
                        objectName: "item " + index
                        width: parent.width
                        spacing: 8
                        // A page shows the icon of the browser that opens it.
                        AppIconView {
                            objectName: "icon"
                            anchors.verticalCenter: parent.verticalCenter
                            width: 16
                            height: 16
                            appID: itemRow.modelData.bundleID || ""
                        }
                        Text {
                            id: label
                            objectName: "label"
                            anchors.verticalCenter: parent.verticalCenter
                            width: Math.min(implicitWidth, itemRow.width - 24
                                            - (evidence.visible ? Math.min(evidence.implicitWidth, 120) + 8 : 0))
                            text: itemRow.modelData.label
                            font: DS.text.callout
                            color: card.c.ink
                            elide: Text.ElideMiddle
                            maximumLineCount: 1
                        }
                        Text {
                            id: evidence
                            objectName: "evidence"
                            anchors.verticalCenter: parent.verticalCenter
                            visible: text !== ""
                            width: Math.max(0, Math.min(implicitWidth, itemRow.width - 24 - label.width - 8))
                            text: itemRow.modelData.evidence
                            font: DS.text.caption
                            color: card.c.inkTertiary
                            elide: Text.ElideRight
                        }
                    }
                }
                // A long name wraps inside the card; the mark stays on the first line.
                Repeater {
                    model: card.unresolved
                    Row {
                        required property string modelData
                        required property int index
                        objectName: "unresolved " + index
                        width: parent.width
                        spacing: 8
                        DSIcon {
                            objectName: "mark"
                            y: unresolvedLine.baselineOffset - baselineOffset
                            name: "questionmark.circle"
                            size: 12
                            color: card.c.systemOrange
                        }
                        Text {
                            id: unresolvedLine
                            objectName: "label"
                            width: parent.width - 20
                            text: MagicCardFormat.unresolvedLine(modelData)
                            font: DS.text.caption
                            color: card.c.inkSecondary
                            wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                        }
                    }
                }
            }

            Text {
                objectName: "effects"
                visible: text !== ""
                width: parent.width
                text: card.proposal.effects || ""
                font: DS.text.caption
                color: card.c.inkTertiary
                wrapMode: Text.Wrap
            }

            Row {
                objectName: "runFailure"
                visible: card.runFailure !== ""
                width: parent.width
                spacing: 8
                // On the message's first baseline.
                DSIcon {
                    objectName: "mark"
                    y: failureMessage.baselineOffset - baselineOffset
                    name: "info.circle"
                    size: 12
                    color: card.c.systemOrange
                }
                Text {
                    id: failureMessage
                    objectName: "message"
                    width: parent.width - 20
                    text: card.runFailure
                    font: DS.text.caption
                    color: card.c.inkSecondary
                    wrapMode: Text.Wrap
                }
            }

            // Wraps rather than run past the card when the saved line is long.
            Flow {
                id: buttonRow
                objectName: "buttons"
                width: parent.width
                spacing: 8
                DSPrimaryButton {
                    id: runButton
                    objectName: "run"
                    visible: card.control("run") !== null
                    enabled: visible && card.control("run").enabled
                    opacity: enabled ? 1 : 0.4
                    text: "See it work"
                    onClicked: card.run()
                }
                DSSecondaryButton {
                    objectName: "undo"
                    visible: card.control("undo") !== null
                    text: "Put it back"
                    onClicked: card.undo()
                }
                DSSecondaryButton {
                    objectName: "save"
                    visible: card.control("save") !== null
                    text: "Save"
                    onClicked: card.save()
                }
                DSSecondaryButton {
                    objectName: "keep"
                    visible: card.control("keep") !== null
                    text: "Keep it"
                    onClicked: card.save()
                }
                Row {
                    objectName: "savedMark"
                    visible: card.control("savedMark") !== null
                    height: runButton.implicitHeight
                    spacing: 5
                    DSIcon {
                        name: "checkmark"
                        size: 10
                        font.weight: Font.Bold
                        color: card.c.success
                        anchors.verticalCenter: parent.verticalCenter
                    }
                    Text {
                        objectName: "label"
                        width: Math.min(implicitWidth, buttonRow.width - 15)
                        text: MagicCardFormat.savedLine(card.savedName)
                        elide: Text.ElideRight
                        font: DS.text.caption
                        color: card.c.inkSecondary
                        anchors.verticalCenter: parent.verticalCenter
                    }
                }
                DSPlainButton {
                    objectName: "edit"
                    visible: card.control("edit") !== null
                    height: runButton.implicitHeight
                    text: "Tune first…"
                    onClicked: card.edit()
                }
            }

            Text {
                objectName: "accessibilityNote"
                visible: !card.axGranted && !card.ran
                width: parent.width
                text: MagicCardFormat.accessibilityNote
                font: DS.text.caption
                color: card.c.inkTertiary
                wrapMode: Text.Wrap
            }
        }
    }
}
