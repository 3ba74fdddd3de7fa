import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisklet

// How the user works, read on this computer, and setups made for it: the ranked
// apps, the proposals to try, save or tune, and a builder for a setup in plain words.
Column {
    id: pane
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var home
    readonly property alias model: magicModel
    readonly property string privacyLine:
        "Read locally from what your computer already knows. Nothing about your apps leaves this machine."
    spacing: 24

    MagicPaneModel {
        id: magicModel
        host: pane.home ? pane.home.magic : null
    }
    Component.onCompleted: magicModel.appeared()

    Column {
        width: pane.width
        spacing: 8
        PaneTitle {
            objectName: "paneTitle"
            text: "Magic"
        }
        Text {
            objectName: "intro"
            width: parent.width
            text: "Brisklet reads how you work — on this computer, for this computer — and hands you working worlds. Nothing runs until you say so."
            font: DS.text.body
            color: pane.c.inkSecondary
            wrapMode: Text.Wrap
        }
    }

    DSCard {
        objectName: "scanCard"
        width: pane.width
        spacing: 12

        // Ranked apps.
        Item {
            visible: magicModel.scanState === "ranking"
            width: parent.width
            height: visible ? Math.max(rankedText.implicitHeight, rescanTop.implicitHeight) : 0
            Column {
                id: rankedText
                width: parent.width - rescanTop.width - 16
                spacing: 2
                Text {
                    objectName: "howYouWork"
                    text: "How you work"
                    font: DS.text.headline
                    color: pane.c.ink
                }
                Text {
                    objectName: "rankedLine"
                    width: parent.width
                    text: magicModel.rankedLine
                    font: DS.text.caption
                    color: pane.c.inkTertiary
                    wrapMode: Text.Wrap
                }
            }
            DSSecondaryButton {
                id: rescanTop
                objectName: "rescan"
                anchors.right: parent.right
                text: "Rescan"
                enabled: !magicModel.scanning
                opacity: enabled ? 1 : 0.5
                onClicked: magicModel.rescan()
            }
        }
        Column {
            objectName: "usageRows"
            visible: magicModel.scanState === "ranking"
            width: parent.width
            spacing: 7
            Repeater {
                model: magicModel.usageRows
                Row {
                    id: usageRow
                    required property var modelData
                    objectName: "usage " + modelData.rank
                    width: parent.width
                    height: 20
                    spacing: 8
                    Text {
                        objectName: "rank"
                        width: 14
                        anchors.verticalCenter: parent.verticalCenter
                        horizontalAlignment: Text.AlignRight
                        text: usageRow.modelData.rank
                        font: DS.text.caption
                        color: pane.c.inkQuaternary
                    }
                    AppIconView {
                        objectName: "icon"
                        anchors.verticalCenter: parent.verticalCenter
                        width: 18
                        height: 18
                        appID: usageRow.modelData.bundleID
                    }
                    Text {
                        id: appName
                        objectName: "name"
                        anchors.verticalCenter: parent.verticalCenter
                        // What the rank, icon, reason, least spacer, bar and five gaps leave.
                        width: Math.min(implicitWidth, usageRow.width - 14 - 18 - 90 - 12 - 5 * 8 - reason.width)
                        text: usageRow.modelData.name
                        font: DS.text.callout
                        color: pane.c.ink
                        elide: Text.ElideRight
                    }
                    Text {
                        id: reason
                        objectName: "evidence"
                        anchors.verticalCenter: parent.verticalCenter
                        width: Math.min(implicitWidth, 200)
                        text: usageRow.modelData.evidence
                        font: DS.text.caption
                        color: pane.c.inkTertiary
                        elide: Text.ElideRight
                    }
                    Item {
                        width: Math.max(12, usageRow.width - 14 - 18 - appName.width - reason.width - 90 - 5 * 8)
                        height: 1
                    }
                    Item {
                        anchors.verticalCenter: parent.verticalCenter
                        width: 90
                        height: 4
                        Rectangle {
                            anchors.fill: parent
                            radius: 2
                            color: pane.c.well
                        }
                        Rectangle {
                            objectName: "bar"
                            width: usageRow.modelData.barWidth
                            height: 4
                            radius: 2
                            color: pane.c.inkTertiary
                        }
                    }
                }
            }
        }
        Row {
            objectName: "insight"
            visible: magicModel.scanState === "ranking" && magicModel.insight !== ""
            width: parent.width
            topPadding: 2
            spacing: 8
            DSIcon {
                y: parent.topPadding + insightText.baselineOffset - baselineOffset
                name: "sparkles"
                size: 11
                color: pane.c.inkTertiary
            }
            // A long app name wraps inside the card.
            Text {
                id: insightText
                objectName: "text"
                width: parent.width - 11 - 8
                wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                text: magicModel.insight
                font: DS.text.caption
                color: pane.c.inkSecondary
            }
        }

        // Reading, or nothing to read yet.
        Item {
            visible: magicModel.scanState !== "ranking"
            width: parent.width
            height: visible ? Math.max(idleText.implicitHeight, rescanIdle.implicitHeight) : 0
            Item {
                id: busy
                objectName: "busy"
                visible: magicModel.scanState === "scanning"
                width: 20
                height: 20
                anchors.verticalCenter: parent.verticalCenter
                Rectangle {
                    anchors.fill: parent
                    radius: 10
                    color: "transparent"
                    border.width: 2
                    border.color: pane.c.hairlineStrong
                }
                Rectangle {
                    x: 8
                    width: 4
                    height: 4
                    radius: 2
                    color: pane.c.inkSecondary
                }
                RotationAnimation on rotation {
                    running: busy.visible && !DS.reduceMotion
                    from: 0
                    to: 360
                    duration: 900
                    loops: Animation.Infinite
                }
            }
            DSIcon {
                id: wand
                visible: magicModel.scanState === "empty"
                anchors.verticalCenter: parent.verticalCenter
                name: "wand.and.stars"
                size: 18
                color: pane.c.inkTertiary
            }
            Column {
                id: idleText
                x: 20 + 16
                width: parent.width - x - (rescanIdle.visible ? rescanIdle.width + 16 : 0)
                anchors.verticalCenter: parent.verticalCenter
                spacing: 2
                Text {
                    objectName: "idleHeadline"
                    text: magicModel.scanState === "scanning" ? "Reading your computer…" : "Not much to read yet"
                    font: DS.text.headline
                    color: pane.c.ink
                }
                Text {
                    objectName: "privacyLine"
                    width: parent.width
                    text: pane.privacyLine
                    font: DS.text.caption
                    color: pane.c.inkTertiary
                    wrapMode: Text.Wrap
                }
            }
            DSSecondaryButton {
                id: rescanIdle
                objectName: "rescanIdle"
                visible: magicModel.scanState === "empty"
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                text: "Rescan"
                enabled: !magicModel.scanning
                onClicked: magicModel.rescan()
            }
        }
    }

    Column {
        objectName: "proposals"
        visible: magicModel.proposals.length > 0
        width: pane.width
        spacing: 12
        DSSectionHeader {
            title: "Made for how you work"
        }
        GridLayout {
            id: grid
            width: parent.width
            columns: Math.max(1, Math.floor((width + 12) / (330 + 12)))
            columnSpacing: 12
            rowSpacing: 12
            Repeater {
                model: magicModel.proposals
                MagicProposalCard {
                    required property var modelData
                    required property int index
                    objectName: "proposal " + index
                    Layout.fillWidth: true
                    Layout.alignment: Qt.AlignTop
                    Layout.preferredWidth: 330
                    proposal: modelData.proposal
                    unresolved: modelData.unresolved
                    saved: modelData.saved
                    savedName: modelData.savedName
                    ran: modelData.ran
                    axGranted: modelData.axGranted
                    runFailure: modelData.runFailure
                    allowEdit: modelData.allowEdit
                    onRun: magicModel.run(modelData.id)
                    onUndo: magicModel.undo(modelData.id)
                    onSave: magicModel.save(modelData.id)
                    onEdit: magicModel.edit(modelData.id)
                }
            }
        }
    }

    Column {
        objectName: "builder"
        width: pane.width
        spacing: 12
        DSSectionHeader {
            title: "Or describe one"
        }
        DSCard {
            objectName: "builderCard"
            visible: magicModel.builderAvailable
            width: parent.width
            spacing: 12
            Row {
                width: parent.width
                spacing: 12
                TextField {
                    id: field
                    objectName: "description"
                    width: parent.width - buildButton.width - 12
                    anchors.verticalCenter: parent.verticalCenter
                    placeholderText: "A writing setup with my editor and a focus playlist…"
                    placeholderTextColor: pane.c.inkTertiary
                    font: DS.text.body
                    color: pane.c.ink
                    background: Item {}
                    enabled: !magicModel.thinking
                    text: magicModel.description
                    onTextEdited: magicModel.description = text
                    onAccepted: magicModel.submit()
                }
                DSPrimaryButton {
                    id: buildButton
                    objectName: "build"
                    text: magicModel.thinking ? "Building…" : "Build it"
                    enabled: magicModel.canBuild
                    opacity: enabled ? 1 : 0.4
                    onClicked: magicModel.submit()
                }
            }
            Text {
                width: parent.width
                text: "Only what you type leaves your computer — it's matched to your actual apps after the reply arrives, on-device. You review the result before anything is saved or run."
                font: DS.text.caption
                color: pane.c.inkTertiary
                wrapMode: Text.Wrap
            }
        }
        Text {
            objectName: "builderNote"
            visible: !magicModel.builderAvailable
            width: parent.width
            text: magicModel.builderNote
            font: DS.text.callout
            color: pane.c.inkSecondary
            wrapMode: Text.Wrap
        }
        MagicProposalCard {
            objectName: "builtCard"
            readonly property var built: magicModel.builtCard
            visible: magicModel.builderAvailable && built !== undefined && built !== null
            width: Math.min(parent.width, 480)
            proposal: built ? built.proposal : ({})
            unresolved: built ? built.unresolved : []
            saved: built ? built.saved : false
            savedName: built ? built.savedName : ""
            ran: built ? built.ran : false
            axGranted: built ? built.axGranted : true
            runFailure: built ? built.runFailure : ""
            allowEdit: built ? built.allowEdit : false
            onRun: magicModel.run(built.id)
            onUndo: magicModel.undo(built.id)
            onSave: magicModel.save(built.id)
            onEdit: magicModel.edit(built.id)
        }
        Row {
            objectName: "builderFailure"
            visible: magicModel.builderFailure !== ""
            width: parent.width
            spacing: 8
            DSIcon {
                name: "info.circle"
                size: 13
                color: pane.c.inkTertiary
            }
            Text {
                objectName: "text"
                width: parent.width - 21
                text: magicModel.builderFailure
                font: DS.text.callout
                color: pane.c.inkSecondary
                wrapMode: Text.Wrap
            }
        }
    }
}
