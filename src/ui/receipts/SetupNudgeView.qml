import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// The drift nudge: the setup's windows were moved around since it ran; offer to
// make the setup match. Always in the light palette, whatever the desktop's.
Item {
    id: root
    readonly property DSPalette c: DS.light
    required property SetupNudgeModel model
    // Room around the card for its shadow, as the panel was sized for; the window is
    // shaped to the card itself.
    required property int shadowMargin

    width: 320 + 2 * shadowMargin
    implicitWidth: width
    implicitHeight: card.height + 2 * shadowMargin
    height: implicitHeight

    Item {
        id: card
        objectName: "card"
        x: root.shadowMargin
        y: root.shadowMargin
        width: 320
        // 96 for a one-line name; a second line adds its own height.
        height: Math.max(96, column.implicitHeight + 26)

        DSShadow {
            anchors.fill: parent
            radius: 10
            offsetY: 3
            strength: 0.18
            cornerRadius: 12
        }
        Rectangle {
            objectName: "cardBackground"
            anchors.fill: parent
            radius: 12
            color: root.c.briskletCream
            border.width: 1
            border.color: root.c.briskletHairline
        }

        Column {
            id: column
            x: 14
            y: Math.round((card.height - implicitHeight) / 2)
            width: card.width - 28
            spacing: 8

            Row {
                width: parent.width
                spacing: 7
                DSIcon {
                    id: mark
                    objectName: "mark"
                    anchors.verticalCenter: parent.verticalCenter
                    name: "square.grid.2x2"
                    size: 12
                    color: root.c.briskletAmber
                }
                Text {
                    objectName: "headline"
                    anchors.verticalCenter: parent.verticalCenter
                    width: parent.width - mark.width - parent.spacing
                    text: root.model ? root.model.headline : ""
                    font: DS.font(12.5, Font.DemiBold)
                    color: root.c.briskletInk
                    wrapMode: Text.Wrap
                    maximumLineCount: 2
                    elide: Text.ElideRight
                }
            }
            Text {
                objectName: "question"
                width: parent.width
                text: root.model ? root.model.question : ""
                font: DS.font(11.5, Font.Normal)
                color: root.c.briskletSubtle
                wrapMode: Text.Wrap
            }
            Item {
                width: parent.width
                height: buttons.implicitHeight
                Row {
                    id: buttons
                    anchors.right: parent.right
                    spacing: 8
                    AbstractButton {
                        id: notNow
                        objectName: "notNow"
                        anchors.verticalCenter: parent.verticalCenter
                        text: "Not now"
                        font: DS.font(11.5, Font.Normal)
                        padding: 0
                        opacity: pressed ? 0.6 : 1
                        focusPolicy: Qt.NoFocus
                        contentItem: Text {
                            text: notNow.text
                            font: notNow.font
                            color: root.c.briskletSubtle
                            verticalAlignment: Text.AlignVCenter
                        }
                        onClicked: root.model.notNow()
                    }
                    AbstractButton {
                        id: update
                        objectName: "update"
                        anchors.verticalCenter: parent.verticalCenter
                        text: root.model ? root.model.updateLabel : ""
                        // A long name is cut short rather than pushed off the card.
                        width: Math.min(implicitWidth, column.width - notNow.width - buttons.spacing)
                        font: DS.font(11.5, Font.DemiBold)
                        leftPadding: 10
                        rightPadding: 10
                        topPadding: 5
                        bottomPadding: 5
                        focusPolicy: Qt.NoFocus
                        opacity: pressed ? 0.8 : 1
                        contentItem: Text {
                            text: update.text
                            font: update.font
                            color: "white"
                            elide: Text.ElideRight
                            verticalAlignment: Text.AlignVCenter
                        }
                        background: Rectangle {
                            objectName: "updateBackground"
                            radius: 7
                            color: root.c.briskletAmber
                        }
                        onClicked: root.model.update()
                    }
                }
            }
        }
    }
}
