import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisklet

// One built-in family: a header that names and counts its rows (and previews two
// phrases while closed), and when open one doc row per catalog row.
Rectangle {
    id: card
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var group: ({})
    property var paneModel
    property bool isExpanded: false
    property bool chevronLocked: false
    // Set during a press of the header: only the user's own toggle animates (a search
    // that opens every card does not).
    property bool toggledHere: false
    signal toggle(bool on)
    implicitHeight: column.implicitHeight
    radius: 14
    color: c.surface
    border.width: 1
    border.color: hover.hovered ? c.hairlineStrong : c.hairline
    HoverHandler {
        id: hover
    }

    Column {
        id: column
        width: card.width
        AbstractButton {
            id: header
            objectName: "header"
            width: parent.width
            padding: 16
            background: Item {}
            onClicked: {
                if (card.chevronLocked)
                    return
                card.toggledHere = true
                card.toggle(!card.isExpanded)
                card.toggledHere = false
            }
            contentItem: RowLayout {
                spacing: 12
                Rectangle {
                    implicitWidth: 26
                    implicitHeight: 26
                    radius: 6
                    color: card.c.well
                    DSIcon {
                        anchors.centerIn: parent
                        name: card.group.symbol || ""
                        size: 12
                        color: card.c.inkSecondary
                    }
                }
                Text {
                    objectName: "family"
                    text: card.group.family || ""
                    font: DS.text.headline
                    color: card.c.ink
                }
                Text {
                    objectName: "count"
                    text: String(card.group.count || 0)
                    font: DS.text.caption
                    color: card.c.inkQuaternary
                }
                Item {
                    Layout.fillWidth: true
                }
                Row {
                    objectName: "preview"
                    visible: !card.isExpanded
                    spacing: 4
                    Repeater {
                        model: card.group.preview || []
                        PhraseChip {
                            required property string modelData
                            phrase: modelData
                        }
                    }
                }
                DSIcon {
                    objectName: "chevron"
                    name: "chevron.down"
                    size: 11
                    color: card.c.inkTertiary
                    rotation: card.isExpanded ? 0 : -90
                    Behavior on rotation {
                        enabled: card.toggledHere && !DS.reduceMotion
                        NumberAnimation { duration: DS.motion.standard; easing: DS.motion.easeOut }
                    }
                }
            }
        }
        Column {
            id: docs
            objectName: "docs"
            visible: reveal.shown
            width: parent.width
            RevealFade {
                id: reveal
                target: docs
                open: card.isExpanded
                animated: card.toggledHere && !DS.reduceMotion
            }
            Rectangle {
                width: parent.width
                height: 1
                color: card.c.hairline
            }
            Repeater {
                model: reveal.shown ? (card.group.docs || []) : []
                Column {
                    id: entry
                    required property var modelData
                    required property int index
                    width: column.width
                    DocRow {
                        objectName: "doc " + entry.modelData.title
                        width: parent.width
                        doc: entry.modelData
                        paneModel: card.paneModel
                    }
                    Rectangle {
                        visible: entry.index < card.group.docs.length - 1
                        x: 16
                        width: parent.width - 16
                        height: 1
                        color: card.c.hairline
                        opacity: 0.6
                    }
                }
            }
        }
    }
}
