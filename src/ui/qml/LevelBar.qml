import QtQuick
import Brisklet

// The microphone's live level: an ember fill over a well, stretched so quiet
// sounds show, never thinner than a 4 pt stub.
Item {
    id: bar
    // The palette of this view's window: its own appearance, else the app's.
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
        width: LevelMeter.fillWidth(bar.width, bar.level)
        height: bar.height
        radius: height / 2
        gradient: Gradient {
            orientation: Gradient.Horizontal
            GradientStop { position: 0; color: bar.c.ember }
            GradientStop { position: 1; color: Qt.rgba(bar.c.ember.r, bar.c.ember.g, bar.c.ember.b, 0.6) }
        }
        Behavior on width {
            NumberAnimation { duration: 50; easing.type: Easing.Linear }
        }
    }
}
