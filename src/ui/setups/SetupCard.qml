import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisklet

// One saved setup: its miniature, name and phrases, apps and what else it
// changes, and its actions. Everything it does leaves as a signal.
Rectangle {
    id: card
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var card: ({})
    property var screens: []
    property bool hovering: hover.hovered
    signal run()
    signal end()
    signal edit()
    signal update()
    signal duplicate()
    signal remove()
    implicitWidth: 320
    implicitHeight: column.implicitHeight + 32
    radius: 14
    color: c.surface
    border.width: 1
    border.color: hovering ? c.hairlineStrong : c.hairline
    Behavior on border.color {
        enabled: !DS.reduceMotion
        ColorAnimation { duration: DS.motion.quick; easing: DS.motion.easeOut }
    }
    HoverHandler {
        id: hover
    }

    function act(action) {
        switch (action) {
        case "end": card.end(); break
        case "edit": card.edit(); break
        case "update": card.update(); break
        case "duplicate": card.duplicate(); break
        case "delete": card.remove(); break
        }
    }

    Column {
        id: column
        x: 16
        y: 16
        width: card.width - 32
        spacing: 12

        Rectangle {
            objectName: "miniature"
            visible: (card.card.thumbnail || []).length > 0
            width: parent.width
            height: 74 + 16
            radius: 10
            color: Qt.alpha(card.c.well, card.c.well.a * 0.6)
            SetupThumbnail {
                objectName: "thumbnail"
                anchors.centerIn: parent
                width: Math.min(implicitWidth, parent.width)
                height: 74
                screenHeight: 74
                items: card.card.thumbnail || []
                screens: card.screens
                palette: card.c
            }
        }
        SetupCardTitle {
            objectName: "titleRow"
            width: parent.width
            card: card.card
        }
        Row {
            objectName: "phrases"
            width: parent.width
            spacing: 8
            clip: true
            PhraseChip {
                objectName: "nameChip"
                phrase: card.card.chip || ""
                prominent: true
            }
            Repeater {
                model: card.card.phrases || []
                PhraseChip {
                    required property string modelData
                    phrase: modelData
                }
            }
        }
        RowLayout {
            width: parent.width
            spacing: 8
            AppIconRow {
                objectName: "apps"
                appIDs: card.card.appIDs || []
                moreApps: card.card.moreApps || ""
                size: 20
            }
            Text {
                objectName: "effects"
                visible: text !== ""
                Layout.fillWidth: true
                text: card.card.effects || ""
                font: DS.text.caption
                color: card.c.inkSecondary
                elide: Text.ElideRight
                maximumLineCount: 1
            }
        }
        SetupCardActions {
            width: parent.width
            card: card.card
            hovering: card.hovering
            onRun: card.run()
            onEnd: card.end()
            onChosen: action => card.act(action)
        }
    }
}
