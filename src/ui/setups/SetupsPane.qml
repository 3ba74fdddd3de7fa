import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Brisklet

// The Setups pane: the saved setups newest first, or the empty state before the
// first one, and the delete confirmation.
Column {
    id: pane
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var model
    readonly property bool hasSetups: model ? model.hasSetups : false
    spacing: 20

    Component.onCompleted: if (model) model.cancelDelete()

    RowLayout {
        width: pane.width
        PaneTitle {
            objectName: "title"
            text: "Setups"
        }
        Item {
            Layout.fillWidth: true
        }
        DSSecondaryButton {
            id: newButton
            objectName: "new"
            visible: pane.hasSetups
            text: "New"
            contentItem: SymbolButtonLabel {
                symbol: "square.and.pencil"
                text: newButton.text
                font: newButton.font
                color: newButton.c.ink
            }
            onClicked: pane.model.newSetup()
        }
        DSPrimaryButton {
            id: captureButton
            objectName: "capture"
            visible: pane.hasSetups
            text: "Capture what's open"
            contentItem: SymbolButtonLabel {
                symbol: "camera.viewfinder"
                text: captureButton.text
                font: captureButton.font
                color: captureButton.c.onAction
            }
            onClicked: pane.model.capture()
        }
    }
    Text {
        objectName: "intro"
        width: pane.width
        text: "Save how your screen is arranged — apps, websites, window positions — and bring it all back by saying its name."
        font: DS.text.body
        color: pane.c.inkSecondary
        wrapMode: Text.Wrap
    }

    SetupsEmptyState {
        objectName: "emptyState"
        visible: !pane.hasSetups
        width: pane.width
        model: pane.model
    }
    Grid {
        id: grid
        objectName: "grid"
        visible: pane.hasSetups
        readonly property int minimum: 280
        width: pane.width
        columns: Math.max(1, Math.floor((width + spacing) / (minimum + spacing)))
        spacing: 12
        readonly property real cellWidth: (width - (columns - 1) * spacing) / columns
        Repeater {
            model: pane.hasSetups ? pane.model.cards : []
            SetupCard {
                required property var modelData
                objectName: "card-" + modelData.name
                width: grid.cellWidth
                card: modelData
                screens: pane.model.screens
                onRun: pane.model.run(modelData.id)
                onEnd: pane.model.end(modelData.id)
                onEdit: pane.model.edit(modelData.id)
                onUpdate: pane.model.update(modelData.id)
                onDuplicate: pane.model.duplicate(modelData.id)
                onRemove: pane.model.askDelete(modelData.id)
            }
        }
    }

    Connections {
        target: pane.model
        function onDeletingChanged() {
            if (pane.model.deleting)
                deleteDialog.open()
            else
                deleteDialog.close()
        }
    }
    Dialog {
        id: deleteDialog
        objectName: "deleteDialog"
        parent: T.Overlay.overlay
        anchors.centerIn: parent
        modal: true
        width: 360
        padding: 20
        background: Rectangle {
            radius: 12
            color: pane.c.surfaceRaised
            border.width: 1
            border.color: pane.c.hairlineStrong
        }
        onClosed: if (pane.model) pane.model.cancelDelete()
        contentItem: Column {
            spacing: 10
            Text {
                objectName: "deleteTitle"
                width: parent.width
                text: pane.model ? pane.model.deleteTitle : ""
                font: DS.text.headline
                color: pane.c.ink
                wrapMode: Text.Wrap
            }
            Text {
                objectName: "deleteMessage"
                width: parent.width
                text: "The apps themselves aren't touched — only the saved setup goes away."
                font: DS.text.callout
                color: pane.c.inkSecondary
                wrapMode: Text.Wrap
            }
            Row {
                anchors.right: parent.right
                spacing: 8
                topPadding: 6
                DSSecondaryButton {
                    objectName: "cancelDelete"
                    text: "Cancel"
                    onClicked: pane.model.cancelDelete()
                }
                DSPrimaryButton {
                    id: confirm
                    objectName: "confirmDelete"
                    text: "Delete"
                    background: Rectangle {
                        radius: height / 2
                        color: pane.c.ember
                        opacity: confirm.pressed ? 0.85 : 1
                    }
                    onClicked: pane.model.confirmDelete()
                }
            }
        }
    }
}
