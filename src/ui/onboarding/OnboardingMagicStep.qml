import QtQuick
import Brisklet

// Step four: while the scan runs, a reading state; with nothing found, where Magic
// lives; otherwise the first proposal on its card.
Column {
    id: step
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var model
    property var controller
    readonly property string face: !model.magicScanned ? "scanning"
                                   : model.magicProposalCount === 0 ? "empty" : "proposal"
    spacing: 16

    // A small spinning arc: the scan is under way.
    Canvas {
        objectName: "progress"
        visible: step.face === "scanning"
        anchors.horizontalCenter: parent.horizontalCenter
        width: 20
        height: 20
        readonly property color ink: step.c.inkSecondary
        onInkChanged: requestPaint()
        onPaint: {
            const ctx = getContext("2d")
            ctx.reset()
            ctx.lineWidth = 2
            ctx.lineCap = "round"
            ctx.strokeStyle = Qt.rgba(ink.r, ink.g, ink.b, 0.25)
            ctx.beginPath()
            ctx.arc(10, 10, 8, 0, 2 * Math.PI)
            ctx.stroke()
            ctx.strokeStyle = ink
            ctx.beginPath()
            ctx.arc(10, 10, 8, -Math.PI / 2, Math.PI / 2)
            ctx.stroke()
        }
        RotationAnimation on rotation {
            running: !DS.reduceMotion && step.face === "scanning"
            from: 0
            to: 360
            duration: 900
            loops: Animation.Infinite
        }
    }
    Text {
        objectName: "scanningTitle"
        visible: step.face === "scanning"
        anchors.horizontalCenter: parent.horizontalCenter
        text: "Reading your computer…"
        font: DS.text.title
        color: step.c.ink
    }
    Text {
        objectName: "scanningNote"
        visible: step.face === "scanning"
        anchors.horizontalCenter: parent.horizontalCenter
        text: "Locally — nothing about your apps leaves this machine."
        font: DS.text.caption
        color: step.c.inkTertiary
    }

    DSIcon {
        objectName: "emptySymbol"
        visible: step.face === "empty"
        anchors.horizontalCenter: parent.horizontalCenter
        name: "wand.and.stars"
        size: 28
        color: step.c.inkTertiary
    }
    Text {
        objectName: "emptyTitle"
        visible: step.face === "empty"
        anchors.horizontalCenter: parent.horizontalCenter
        text: "Not much to read yet."
        font: DS.text.title
        color: step.c.ink
    }
    Text {
        objectName: "emptyLine"
        visible: step.face === "empty"
        anchors.horizontalCenter: parent.horizontalCenter
        width: Math.min(step.width, 440)
        text: "Magic lives in the home window — it learns from the apps you actually use, entirely on this computer."
        font: DS.text.body
        color: step.c.inkSecondary
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
    }

    Text {
        objectName: "proposalIntro"
        visible: step.face === "proposal"
        width: step.width
        text: "Built from the apps you actually use. Watch it work — one click glides your windows back."
        font: DS.text.body
        color: step.c.inkSecondary
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
    }
    Loader {
        objectName: "cardLoader"
        active: step.face === "proposal"
        visible: active
        width: step.width
        sourceComponent: MagicProposalCard {
            objectName: "proposalCard"
            width: step.width
            proposal: step.model.magicFirst
            unresolved: []
            saved: step.model.magicFirstSaved
            savedName: step.model.magicFirstSavedName
            ran: step.model.magicFirstRan
            axGranted: step.model.axOK
            runFailure: step.model.magicFirstFailure
            allowEdit: false
            onRun: step.controller.runFirstProposal()
            onUndo: step.controller.magicUndo()
            onSave: step.controller.saveFirstProposal()
        }
    }
    Text {
        objectName: "moreWaiting"
        visible: step.face === "proposal" && text !== ""
        width: step.width
        text: step.model.magicMoreWaiting
        font: DS.text.caption
        color: step.c.inkTertiary
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
    }
    Text {
        objectName: "localNote"
        visible: step.face === "proposal"
        width: step.width
        text: "Read locally from what your computer already knows. Nothing about your apps leaves this machine."
        font: DS.text.caption
        color: step.c.inkTertiary
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
    }
}
