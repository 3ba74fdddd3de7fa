import QtQuick
import Brisklet

// The frame of every settings section: its title above a card whose rows stack
// `spacing` apart.
Column {
    id: section
    property string title
    property real rowSpacing: 16
    default property alias content: card.content
    spacing: 8
    DSSectionHeader {
        objectName: "header"
        title: section.title
    }
    DSCard {
        id: card
        objectName: "card"
        width: section.width
        padding: 16
        spacing: section.rowSpacing
    }
}
