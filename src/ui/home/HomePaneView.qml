import QtQuick
import QtQuick.Layouts
import Brisklet

// The first pane: what to do, whether Brisklet is ready, the counters, the recent
// setups (or an invitation to make one) and phrases to try.
Column {
    id: pane
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var home
    signal goToSetups()
    spacing: 24

    HomePaneModel {
        id: paneModel
        appState: pane.home ? pane.home.appState : null
        setups: pane.home ? pane.home.setups : null
    }

    Column {
        spacing: 8
        PaneTitle {
            objectName: "title"
            text: "Talk to your computer."
        }
        Row {
            spacing: 8
            Rectangle {
                objectName: "statusDot"
                anchors.verticalCenter: parent.verticalCenter
                width: 8
                height: 8
                radius: 4
                color: paneModel.listening ? pane.c.ember : pane.c.success
            }
            Text {
                objectName: "status"
                text: paneModel.statusLine
                font: DS.text.body
                color: pane.c.inkSecondary
            }
        }
    }

    Row {
        objectName: "counters"
        width: pane.width
        spacing: 12
        readonly property real tileWidth: (width - 2 * spacing) / 3
        // One height for the three, so a tile without a detail line lines up.
        readonly property real tileHeight: Math.max(commandsTile.implicitHeight, setupsTile.implicitHeight,
                                                    timeTile.implicitHeight)
        StatTile {
            id: commandsTile
            objectName: "commandsTile"
            height: parent.tileHeight
            width: parent.tileWidth
            value: paneModel.commandsRun
            label: "commands run"
        }
        StatTile {
            id: setupsTile
            objectName: "setupsTile"
            height: parent.tileHeight
            width: parent.tileWidth
            value: paneModel.setupsRun
            label: "setups run"
            detail: paneModel.setupsRunDetail
        }
        StatTile {
            id: timeTile
            objectName: "timeTile"
            height: parent.tileHeight
            width: parent.tileWidth
            value: paneModel.timeSaved
            label: "time saved"
            detail: "vs. doing it by hand"
        }
    }

    Column {
        objectName: "recentSetups"
        visible: paneModel.hasSetups
        width: pane.width
        spacing: 12
        Item {
            width: parent.width
            height: Math.max(header.implicitHeight, seeAll.implicitHeight)
            DSSectionHeader {
                id: header
                anchors.verticalCenter: parent.verticalCenter
                title: "Your setups"
            }
            DSPlainButton {
                id: seeAll
                objectName: "seeAll"
                anchors.right: parent.right
                text: "See all"
                font: DS.text.caption
                onClicked: pane.goToSetups()
            }
        }
        Column {
            width: parent.width
            spacing: 8
            Repeater {
                model: paneModel.recentSetups
                QuickSetupRow {
                    required property var modelData
                    objectName: "recent " + modelData.name
                    width: parent.width
                    row: modelData
                    onRun: pane.home.runSetup(modelData.id)
                }
            }
        }
    }

    DSCard {
        objectName: "firstSetupCard"
        visible: !paneModel.hasSetups
        width: pane.width
        padding: 20
        spacing: 8
        Text {
            objectName: "firstSetupTitle"
            width: parent.width
            text: "Set your world up once. Then just say the word."
            font: DS.text.title
            color: pane.c.ink
            wrapMode: Text.Wrap
        }
        Text {
            width: parent.width
            text: "Capture the apps, pages, and window positions you're using right now — one phrase brings them all back."
            font: DS.text.callout
            color: pane.c.inkSecondary
            wrapMode: Text.Wrap
        }
        Item {
            width: 1
            height: 4
        }
        DSPrimaryButton {
            objectName: "createFirstSetup"
            text: "Create your first Setup"
            onClicked: pane.goToSetups()
        }
    }

    Column {
        width: pane.width
        spacing: 12
        DSSectionHeader {
            title: "Try saying"
        }
        // Kept to the pane's width: the last chip (a setup's name, however long)
        // takes the room the others leave and elides.
        RowLayout {
            objectName: "trySaying"
            width: parent.width
            spacing: 8
            Repeater {
                id: tryChips
                model: paneModel.trySaying
                PhraseChip {
                    required property string modelData
                    required property int index
                    readonly property bool isLast: index === tryChips.count - 1
                    phrase: modelData
                    prominent: true
                    Layout.fillWidth: isLast
                    Layout.maximumWidth: implicitWidth
                    Layout.minimumWidth: isLast ? Math.min(implicitWidth, 48) : implicitWidth
                }
            }
            Item {
                Layout.fillWidth: true
                Layout.preferredWidth: 0
            }
        }
        Text {
            objectName: "wakeHint"
            width: parent.width
            text: paneModel.wakeHint
            font: DS.text.caption
            color: pane.c.inkTertiary
            wrapMode: Text.Wrap
        }
    }
}
