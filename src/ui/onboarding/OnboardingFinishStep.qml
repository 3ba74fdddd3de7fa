import QtQuick
import Brisklet

// Step five: try a double clap with live feedback and keep it as a wake if you
// like, choose to start at login, and a note on staying out of the way.
Column {
    id: step
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var model
    property var controller
    spacing: 20

    Rectangle {
        objectName: "clapCard"
        width: step.width
        height: clapColumn.implicitHeight + 32
        radius: 14
        color: step.c.surface
        border.width: 1
        border.color: step.c.hairline
        Column {
            id: clapColumn
            x: 16
            y: 16
            width: parent.width - 32
            spacing: 12
            Row {
                width: parent.width
                spacing: 12
                Rectangle {
                    id: indicator
                    objectName: "clapIndicator"
                    readonly property string face: step.model.clapFlash ? "clap" : step.model.peakFlash ? "peak" : "rest"
                    width: 56
                    height: 56
                    radius: 28
                    color: face === "clap" ? Qt.rgba(step.c.success.r, step.c.success.g, step.c.success.b, 0.22)
                           : face === "peak" ? step.c.emberWash : step.c.well
                    scale: face === "rest" || DS.reduceMotion ? 1 : 1.08
                    Behavior on scale {
                        enabled: !DS.reduceMotion
                        NumberAnimation { duration: 250; easing: DS.motion.hudSpring }
                    }
                    DSIcon {
                        objectName: "clapSymbol"
                        anchors.centerIn: parent
                        size: 22
                        name: indicator.face === "clap" ? "checkmark" : "hands.clap.fill"
                        color: indicator.face === "clap" ? step.c.success
                               : indicator.face === "peak" ? step.c.ember : step.c.inkTertiary
                    }
                }
                Column {
                    anchors.verticalCenter: parent.verticalCenter
                    width: parent.width - 56 - 12
                    spacing: 3
                    Text {
                        objectName: "clapTitle"
                        text: "Party trick: clap twice."
                        font: DS.text.headline
                        color: step.c.ink
                    }
                    Text {
                        objectName: "clapCaption"
                        width: parent.width
                        text: step.model.clapFlash ? "Heard it! Two sharp claps can wake Brisklet from across the room."
                                                   : "Try it now — two sharp claps. Keep it if it delights you."
                        font: DS.text.caption
                        color: step.model.clapFlash ? step.c.success : step.c.inkSecondary
                        wrapMode: Text.Wrap
                    }
                }
            }
            Item {
                width: parent.width
                height: clapToggle.implicitHeight
                DSCheckbox {
                    id: clapToggle
                    objectName: "clapToggle"
                    text: "Wake with a double clap too"
                    font: DS.text.body
                    checked: step.model.clapEnabled
                    onToggled: step.controller.setClapEnabled(checked)
                }
                LevelBar {
                    objectName: "levelBar"
                    x: parent.width - width
                    anchors.verticalCenter: parent.verticalCenter
                    width: 140
                    height: 6
                    level: step.model.level
                }
            }
        }
    }
    DSCheckbox {
        objectName: "loginToggle"
        anchors.horizontalCenter: parent.horizontalCenter
        text: "Start Brisklet when I log in"
        font: DS.text.body
        checked: step.model.launchAtLogin
        onToggled: step.model.launchAtLogin = checked
    }
    FailureLine {
        objectName: "loginFailure"
        visible: text !== ""
        anchors.horizontalCenter: parent.horizontalCenter
        width: Math.min(naturalWidth, step.width)
        text: step.model.loginFailure
    }
    Text {
        objectName: "loginNote"
        width: step.width
        text: "Brisklet survives restarts and stays out of your way in the system tray.\nClose the window any time — the wake key keeps working."
        font: DS.text.caption
        color: step.c.inkTertiary
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
    }
}
