import QtQuick
import Brisklet

// Step two: hold or tap the wake key; choosing a card stores it at once.
Column {
    id: step
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var model
    property var controller
    readonly property string keyLabel: model.wakeKeyLabel
    spacing: 16

    Text {
        objectName: "intro"
        anchors.horizontalCenter: parent.horizontalCenter
        text: "Both work, always — pick the one that feels right."
        font: DS.text.body
        color: step.c.inkSecondary
    }
    Row {
        id: cards
        width: step.width
        spacing: 16
        SummonCard {
            objectName: "holdCard"
            width: (cards.width - cards.spacing) / 2
            height: Math.max(implicitHeight, tapCard.implicitHeight)
            title: "Hold to Talk"
            line: "Hold the key like a walkie-talkie. Release, and it happens."
            kind: "hold"
            keyLabel: step.keyLabel
            selected: step.model.style === "hold"
            onClicked: step.controller.chooseStyle("hold")
        }
        SummonCard {
            id: tapCard
            objectName: "tapCard"
            width: (cards.width - cards.spacing) / 2
            height: Math.max(implicitHeight, cards.children[0].implicitHeight)
            title: "Tap to Talk"
            line: "Tap once and just speak — Brisklet finishes when you do."
            kind: "tap"
            keyLabel: step.keyLabel
            selected: step.model.style === "tap"
            onClicked: step.controller.chooseStyle("tap")
        }
    }
    Text {
        objectName: "note"
        anchors.horizontalCenter: parent.horizontalCenter
        text: "You can change the key or gesture any time in Settings."
        font: DS.text.caption
        color: step.c.inkTertiary
    }
}
