import QtQuick
import Brisklet

// The live microphone level: an ember fill over a well-coloured track, stretched so
// that quiet input still shows.
Item {
    id: bar
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property real level: 0
    implicitWidth: 140
    implicitHeight: 6

    Rectangle {
        objectName: "track"
        anchors.fill: parent
        radius: height / 2
        color: bar.c.well
    }
    Rectangle {
        objectName: "fill"
        height: bar.height
        width: SettingsScale.levelFill(bar.level, bar.width)
        radius: height / 2
        gradient: Gradient {
            orientation: Gradient.Horizontal
            GradientStop { position: 0; color: bar.c.ember }
            GradientStop { position: 1; color: Qt.rgba(bar.c.ember.r, bar.c.ember.g, bar.c.ember.b, 0.6) }
        }
        Behavior on width {
            enabled: !DS.reduceMotion
            NumberAnimation { duration: 50; easing.type: Easing.Linear }
        }
    }
}
