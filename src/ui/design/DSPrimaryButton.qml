import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// The filled, ink-coloured capsule of a primary action.
AbstractButton {
    id: button
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    font: DS.text.bodyMedium
    leftPadding: 16
    rightPadding: 16
    topPadding: 7
    bottomPadding: 7
    scale: pressed ? 0.97 : 1
    Behavior on scale {
        enabled: !DS.reduceMotion
        NumberAnimation { duration: DS.motion.quick; easing: DS.motion.easeOut }
    }
    contentItem: Text {
        objectName: "label"
        text: button.text
        font: button.font
        color: button.c.onAction
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }
    background: Rectangle {
        objectName: "background"
        radius: height / 2
        color: button.c.action
        opacity: button.pressed ? 0.85 : 1
    }
}
