import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// Everything Brisklet answers to: setups as phrases, the user's own commands and
// the built-in families, with a search, phrase editing and the add-command sheet.
Column {
    id: pane
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var home
    readonly property alias model: commandsModel
    readonly property alias sheet: addSheet
    spacing: 20

    CommandsPaneModel {
        id: commandsModel
        registry: pane.home ? pane.home.registry : null
        setups: pane.home ? pane.home.setups : null
    }

    Item {
        width: pane.width
        height: Math.max(title.implicitHeight, addButton.implicitHeight)
        PaneTitle {
            id: title
            text: "Commands"
        }
        DSSecondaryButton {
            id: addButton
            objectName: "addButton"
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            text: "Add"
            leftPadding: 32
            onClicked: addSheet.open()
            DSIcon {
                x: 13
                anchors.verticalCenter: parent.verticalCenter
                name: "plus"
                size: 14
                color: addButton.c.ink
            }
        }
    }

    Text {
        width: pane.width
        text: "Everything Brisklet answers to. Open a family, edit any phrase — changes work the moment you say them."
        font: DS.text.body
        color: pane.c.inkSecondary
        wrapMode: Text.Wrap
    }

    Rectangle {
        width: pane.width
        height: search.implicitHeight + 16
        radius: 10
        color: pane.c.surface
        border.width: 1
        border.color: pane.c.hairline
        DSIcon {
            id: glass
            x: 12
            anchors.verticalCenter: parent.verticalCenter
            name: "magnifyingglass"
            size: 12
            color: pane.c.inkTertiary
        }
        TextField {
            id: search
            objectName: "search"
            x: glass.x + glass.width + 8
            width: parent.width - x - 12
            anchors.verticalCenter: parent.verticalCenter
            padding: 0
            placeholderText: "Search commands…"
            placeholderTextColor: pane.c.inkTertiary
            color: pane.c.ink
            selectionColor: pane.c.emberWash
            selectedTextColor: pane.c.ink
            font: DS.text.body
            background: null
            onTextChanged: commandsModel.query = text
        }
    }

    Column {
        objectName: "setupsSection"
        visible: commandsModel.setupRows.length > 0
        width: pane.width
        spacing: 8
        DSSectionHeader {
            title: "Your setups"
        }
        Column {
            width: parent.width
            spacing: 8
            Repeater {
                model: commandsModel.setupRows
                SetupVocabularyRow {
                    required property var modelData
                    objectName: "row"
                    width: parent.width
                    row: modelData
                    onRun: pane.home.runSetup(modelData.id)
                    onEnd: pane.home.endSetup(modelData.id)
                }
            }
        }
    }

    Column {
        objectName: "commandsSection"
        visible: commandsModel.customRows.length > 0
        width: pane.width
        spacing: 8
        DSSectionHeader {
            title: "Your commands"
        }
        Column {
            width: parent.width
            spacing: 8
            Repeater {
                model: commandsModel.customRows
                CustomCommandRow {
                    required property var modelData
                    objectName: "row"
                    width: parent.width
                    row: modelData
                    onRemove: commandsModel.deleteCommand(modelData.id)
                }
            }
        }
    }

    Column {
        objectName: "builtInSection"
        width: pane.width
        spacing: 8
        DSSectionHeader {
            title: "Built in"
        }
        Column {
            width: parent.width
            spacing: 8
            Repeater {
                model: commandsModel.groups
                CommandGroupCard {
                    required property var modelData
                    objectName: "family" + modelData.family
                    width: parent.width
                    group: modelData
                    paneModel: commandsModel
                    isExpanded: commandsModel.searching || commandsModel.expanded.indexOf(modelData.family) >= 0
                    chevronLocked: commandsModel.searching
                    onToggle: on => commandsModel.setExpanded(modelData.family, on)
                }
            }
        }
    }

    AddCommandSheet {
        id: addSheet
        paneModel: commandsModel
        home: pane.home
    }
}
