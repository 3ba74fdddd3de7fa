import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// The setup's icon: one tile per symbol of the palette; the one in effect (chosen,
// else the automatic one for the name) is raised. Pressing a tile fixes it.
Column {
    id: picker
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var icons: []
    property string selected
    signal chosen(string symbol)
    spacing: 4

    DSSectionHeader {
        title: "Icon"
    }
    ListView {
        objectName: "iconTiles"
        width: parent.width
        height: 34
        orientation: ListView.Horizontal
        spacing: 6
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: picker.icons
        delegate: AbstractButton {
            id: tile
            required property string modelData
            readonly property bool isSelected: modelData === picker.selected
            objectName: "icon-" + modelData
            y: 2
            width: 30
            height: 30
            ToolTip.visible: hovered
            ToolTip.text: modelData
            onClicked: picker.chosen(modelData)
            contentItem: DSIcon {
                name: tile.modelData
                size: 15
                color: tile.isSelected ? picker.c.ink : picker.c.inkTertiary
            }
            background: Rectangle {
                objectName: "tileBackground"
                radius: 6
                color: tile.isSelected ? picker.c.surfaceRaised : "transparent"
                border.width: 1
                border.color: tile.isSelected ? picker.c.hairlineStrong : Qt.rgba(picker.c.hairline.r, picker.c.hairline.g, picker.c.hairline.b, picker.c.hairline.a * 0.5)
            }
        }
    }
    Text {
        text: "Shows on the setup and in the brisk's quick-pick list."
        font: DS.text.caption
        color: picker.c.inkTertiary
    }
}
