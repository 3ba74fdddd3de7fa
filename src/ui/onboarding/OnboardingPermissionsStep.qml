import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// Step one: the three permissions with their state and a way to grant each;
// microphone and speech are needed to go on, Accessibility is optional here.
Column {
    id: step
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var model
    property var controller
    spacing: 14

    Text {
        objectName: "intro"
        width: step.width
        text: "Three permissions, then you never see this again."
        font: DS.text.title
        color: step.c.ink
        wrapMode: Text.Wrap
    }
    OnboardingPermissionRow {
        objectName: "microphone"
        width: step.width
        title: "Microphone"
        desc: "To hear your commands. Audio never leaves this computer."
        ok: step.model.micOK
        onAllow: step.controller.allowMicrophone()
    }
    OnboardingPermissionRow {
        objectName: "speech"
        width: step.width
        title: "Speech Recognition"
        desc: "On-device transcription of your short commands."
        ok: step.model.speechOK
        onAllow: step.controller.allowSpeech()
    }
    OnboardingPermissionRow {
        objectName: "accessibility"
        width: step.width
        title: "Accessibility"
        desc: "To move and resize windows. Optional to continue — needed for “sort” & halves."
        ok: step.model.axOK
        onAllow: step.controller.allowAccessibility()
    }
    Row {
        objectName: "restartHint"
        visible: !step.model.axOK
        leftPadding: 4
        spacing: 6
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: "Enabled Accessibility in Settings but still gray?"
            font: DS.text.caption
            color: step.c.inkSecondary
        }
        // A small plain push button: bordered, neutral, in the caption font.
        AbstractButton {
            id: restart
            objectName: "restart"
            anchors.verticalCenter: parent.verticalCenter
            text: "Restart Brisklet"
            font: DS.text.caption
            leftPadding: 8
            rightPadding: 8
            topPadding: 3
            bottomPadding: 3
            contentItem: Text {
                objectName: "restartLabel"
                text: restart.text
                font: restart.font
                color: step.c.ink
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
            background: Rectangle {
                objectName: "restartBackground"
                radius: 5
                color: restart.pressed ? step.c.well : step.c.surfaceRaised
                border.width: 1
                border.color: step.c.hairlineStrong
            }
            onClicked: step.controller.relaunch()
        }
    }
    Row {
        objectName: "speechWarning"
        visible: !step.model.onDeviceSpeech
        width: step.width
        topPadding: 6
        spacing: 6
        DSIcon {
            name: "exclamationmark.triangle.fill"
            size: 14
            color: step.c.systemOrange
        }
        Text {
            objectName: "speechWarningText"
            width: parent.width - 20
            text: "On-device speech recognition isn't available yet. Install the English speech model (the pocketsphinx-en-us package) so English can be processed locally — Brisklet never uses server transcription."
            font: DS.text.caption
            // The sign keeps the warning orange; the words take its readable shade.
            color: step.c.emberText
            wrapMode: Text.Wrap
        }
    }
}
