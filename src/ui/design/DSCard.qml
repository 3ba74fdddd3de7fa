import QtQuick
import Brisklet

// A rounded surface card that takes the full width; its children stack in a column.
Item {
    id: card
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property real padding: 16
    property real spacing: 0
    default property alias content: column.data
    implicitWidth: column.implicitWidth + 2 * padding
    implicitHeight: column.implicitHeight + 2 * padding

    Rectangle {
        objectName: "cardBackground"
        anchors.fill: parent
        radius: 14
        color: card.c.surface
        border.width: 1
        border.color: card.c.hairline
    }
    Column {
        id: column
        x: card.padding
        y: card.padding
        width: card.width - 2 * card.padding
        spacing: card.spacing
    }
}
