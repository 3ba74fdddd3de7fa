import QtQuick
import Brisklet

// The wake key shown as a keycap beside seven level bars and a caption: looping,
// it acts out its gesture every 3.2 s; otherwise it follows `listening` alone.
Column {
    id: demo
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property alias kind: demoModel.kind
    property alias label: demoModel.label
    property alias looping: demoModel.looping
    property alias listening: demoModel.listening
    readonly property KeycapDemoModel demoState: demoModel
    readonly property var barHeights: [10, 18, 13, 21, 11, 16, 9]
    spacing: 10

    KeycapDemoModel {
        id: demoModel
    }
    Component.onCompleted: demoModel.appear(DS.reduceMotion)
    Component.onDestruction: demoModel.disappear()

    Row {
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 12
        Item {
            width: 74
            height: 54 + 3
            DSShadow {
                x: cap.x
                y: cap.y
                width: cap.width
                height: cap.height
                cornerRadius: 9
                radius: demoModel.pressed ? 1 : 4
                offsetY: demoModel.pressed ? 1 : 3
                strength: demoModel.pressed ? 0.05 : 0.16
            }
            Rectangle {
                id: cap
                objectName: "keycap"
                width: 74
                height: 54
                y: demoModel.pressed ? 3 : 0
                radius: 9
                color: demo.c.surface
                border.width: 1
                border.color: demoModel.pressed ? demo.c.hairlineStrong : demo.c.hairline
                Behavior on y {
                    enabled: !DS.reduceMotion
                    NumberAnimation { duration: 180; easing: DS.motion.hudSpring }
                }
                Column {
                    anchors.centerIn: parent
                    spacing: 2
                    Text {
                        objectName: "glyph"
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: demoModel.glyph
                        font: DS.font(demoModel.glyph.length < 2 ? 20 : 15, Font.Medium)
                        color: demo.c.ink
                    }
                    Text {
                        objectName: "keyName"
                        anchors.horizontalCenter: parent.horizontalCenter
                        visible: demoModel.glyphIsSign
                        text: demoModel.label
                        font: DS.font(8.5, Font.DemiBold)
                        color: demo.c.inkTertiary
                    }
                }
            }
        }
        Row {
            objectName: "bars"
            anchors.verticalCenter: parent.verticalCenter
            width: 44
            height: 24
            spacing: 3
            Repeater {
                model: 7
                Rectangle {
                    required property int index
                    anchors.verticalCenter: parent.verticalCenter
                    width: 3
                    height: demoModel.active ? demo.barHeights[index] : 5
                    radius: 1.5
                    color: demo.c.ember
                    opacity: demoModel.active ? 1 : 0.25
                    Behavior on height {
                        enabled: !DS.reduceMotion
                        SequentialAnimation {
                            PauseAnimation { duration: index * 45 }
                            NumberAnimation { duration: DS.motion.waveSpringDuration; easing: DS.motion.waveSpring }
                        }
                    }
                }
            }
        }
    }
    Text {
        objectName: "caption"
        anchors.horizontalCenter: parent.horizontalCenter
        text: demoModel.caption
        font: DS.text.caption
        color: demoModel.active ? demo.c.emberText : demo.c.inkTertiary
    }
}
