import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// The Setups pane before the first setup: the idea in two sentences, the two ways
// to start, and ideas made from the installed apps.
Column {
    id: empty
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var model
    readonly property var ideas: model ? model.ideas : []
    spacing: 20

    DSCard {
        objectName: "introCard"
        width: empty.width
        padding: 24
        spacing: 12
        Text {
            objectName: "emptyTitle"
            width: parent.width
            text: "Set your world up once. Then just say the word."
            font: DS.font(19, Font.DemiBold, "serif")
            color: empty.c.ink
            wrapMode: Text.Wrap
        }
        Text {
            objectName: "emptyText"
            width: parent.width
            text: "Arrange the apps and pages you want — exactly how you like them — then capture it. Brisklet shows you everything it grabbed before anything is saved."
            font: DS.text.callout
            color: empty.c.inkSecondary
            wrapMode: Text.Wrap
        }
        Row {
            spacing: 8
            topPadding: 4
            DSPrimaryButton {
                id: captureButton
                objectName: "captureFirst"
                text: "Capture what's open now"
                contentItem: SymbolButtonLabel {
                    symbol: "camera.viewfinder"
                    text: captureButton.text
                    font: captureButton.font
                    color: captureButton.c.onAction
                }
                onClicked: empty.model.capture()
            }
            DSSecondaryButton {
                objectName: "startFromScratch"
                text: "Start from scratch"
                onClicked: empty.model.newSetup()
            }
        }
    }

    Column {
        objectName: "ideasSection"
        visible: empty.ideas.length > 0
        width: empty.width
        spacing: 12
        DSSectionHeader {
            title: "Ideas from your apps"
        }
        Grid {
            id: ideaGrid
            objectName: "ideaGrid"
            readonly property int minimum: 200
            width: parent.width
            columns: Math.max(1, Math.floor((width + spacing) / (minimum + spacing)))
            spacing: 12
            readonly property real cellWidth: (width - (columns - 1) * spacing) / columns
            Repeater {
                model: empty.ideas
                SetupIdeaCard {
                    required property var modelData
                    width: ideaGrid.cellWidth
                    idea: modelData
                    onCreate: empty.model.createFromIdea(modelData.name)
                }
            }
        }
    }
}
