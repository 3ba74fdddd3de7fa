import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// One pane in the sidebar: its symbol and name, raised while selected.
AbstractButton {
    id: button
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property string name
    property string symbol
    property bool selected: false
    property bool hovering: false
    leftPadding: 12
    rightPadding: 12
    topPadding: 8
    bottomPadding: 8
    hoverEnabled: true
    onHoveredChanged: hovering = hovered

    contentItem: Row {
        spacing: 10
        DSIcon {
            anchors.verticalCenter: parent.verticalCenter
            width: 18
            name: button.symbol
            size: 13
            color: button.selected ? button.c.ink : button.c.inkSecondary
        }
        Text {
            objectName: "label"
            anchors.verticalCenter: parent.verticalCenter
            text: button.name
            font: DS.font(13, button.selected ? 600 : 400)
            color: button.selected ? button.c.ink : button.c.inkSecondary
        }
    }
    background: Rectangle {
        radius: 8
        color: button.selected ? button.c.surfaceRaised : button.hovering ? Qt.rgba(button.c.surfaceRaised.r,
                button.c.surfaceRaised.g, button.c.surfaceRaised.b, 0.55) : "transparent"
        border.width: 1
        border.color: button.selected ? button.c.hairline : "transparent"
        Behavior on color {
            enabled: !DS.reduceMotion
            ColorAnimation { duration: DS.motion.quick; easing: DS.motion.easeOut }
        }
    }
}
