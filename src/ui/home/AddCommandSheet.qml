import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import Brisklet

// The sheet for a command of the user's own: a phrase, and an app to open or a
// Shortcut to run. Add does nothing until both are given; every opening starts fresh.
// A command that could not be saved keeps the sheet open, as typed, and says so.
Popup {
    id: sheet
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var paneModel
    property var home
    // Read at each opening: the app index may have finished a scan since.
    property var appNames: []
    property string kind: "openApp"
    parent: T.Overlay.overlay
    anchors.centerIn: parent
    width: 460
    modal: true
    focus: true
    padding: 20
    closePolicy: Popup.CloseOnEscape

    onAboutToShow: {
        appNames = sheet.home ? sheet.home.appNames() : []
        phrase.text = ""
        kind = "openApp"
        appChoice.currentIndex = 0
        shortcut.text = ""
        if (sheet.paneModel)
            sheet.paneModel.clearAddFailure()
        phrase.forceActiveFocus()
    }

    function add() {
        const app = appChoice.currentIndex > 0 ? appChoice.currentText : ""
        if (sheet.paneModel && sheet.paneModel.addCommand(phrase.text, sheet.kind, app, shortcut.text))
            sheet.close()
    }

    T.Overlay.modal: Rectangle {
        color: Qt.rgba(0, 0, 0, 0.25)
    }
    background: Rectangle {
        radius: 12
        color: sheet.c.canvas
        border.width: 1
        border.color: sheet.c.hairlineStrong
    }

    // Return adds, wherever the focus is: a list box picked with the mouse keeps the
    // focus and takes Return for itself. While its list is open, Return picks.
    Shortcut {
        sequences: ["Return", "Enter"]
        enabled: sheet.opened && !appChoice.popup.visible
        onActivated: sheet.add()
    }

    contentItem: Column {
        spacing: 12

        Text {
            objectName: "sheetTitle"
            text: "Add a command"
            font: DS.text.title
            color: sheet.c.ink
        }
        SheetField {
            id: phrase
            objectName: "phrase"
            width: parent.width
            placeholderText: "Phrase to say (e.g. “work mode”)"
        }
        DSSegmented {
            objectName: "kind"
            options: [{value: "openApp", label: "Open an app"}, {value: "runShortcut", label: "Run a Shortcut"}]
            selection: sheet.kind
            onActivated: value => sheet.kind = value
        }
        ComboBox {
            id: appChoice
            objectName: "app"
            visible: sheet.kind === "openApp"
            width: parent.width
            model: ["Choose…"].concat(sheet.appNames)
            font: DS.text.body
            contentItem: Text {
                leftPadding: 10
                text: "App: " + appChoice.displayText
                font: appChoice.font
                color: sheet.c.ink
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
            }
            indicator: DSIcon {
                x: appChoice.width - width - 10
                anchors.verticalCenter: parent.verticalCenter
                name: "chevron.down"
                size: 14
                color: sheet.c.inkSecondary
            }
            background: Rectangle {
                implicitHeight: 30
                radius: 6
                color: sheet.c.surface
                border.width: 1
                border.color: sheet.c.hairlineStrong
            }
            delegate: ItemDelegate {
                required property string modelData
                required property int index
                width: appChoice.width
                highlighted: appChoice.highlightedIndex === index
                contentItem: Text {
                    text: modelData
                    font: appChoice.font
                    color: sheet.c.ink
                }
                background: Rectangle {
                    color: highlighted ? sheet.c.well : sheet.c.surface
                }
            }
        }
        SheetField {
            id: shortcut
            objectName: "shortcut"
            visible: sheet.kind !== "openApp"
            width: parent.width
            placeholderText: "Shortcut name (as in the Brisklet Shortcuts folder)"
        }
        FailureLine {
            objectName: "addFailure"
            visible: text !== ""
            width: parent.width
            text: sheet.paneModel ? sheet.paneModel.addFailure : ""
        }
        Item {
            width: parent.width
            height: buttons.implicitHeight + 4
            Row {
                id: buttons
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                spacing: 8
                DSSecondaryButton {
                    objectName: "cancel"
                    text: "Cancel"
                    onClicked: sheet.close()
                }
                DSPrimaryButton {
                    objectName: "add"
                    text: "Add"
                    onClicked: sheet.add()
                }
            }
        }
    }
}
