import QtQuick
import Brisklet

// Step three: the chosen gesture with a live demo and one command to say; when a
// command succeeds it turns into the brand mark and two closing lines.
Column {
    id: step
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var model
    readonly property bool done: model.commandSucceeded
    spacing: 18

    Item {
        objectName: "demoBox"
        visible: !step.done
        width: step.width
        height: 96
        KeycapDemo {
            objectName: "demo"
            anchors.centerIn: parent
            kind: step.model.style
            label: step.model.wakeKeyLabel
            looping: false
            listening: step.model.wakeFlash
        }
    }
    Text {
        objectName: "title"
        visible: !step.done
        anchors.horizontalCenter: parent.horizontalCenter
        text: step.model.firstCommandTitle
        font: DS.text.title
        color: step.c.ink
    }
    Text {
        objectName: "instruction"
        visible: !step.done
        width: step.width
        text: step.model.firstCommandInstruction
        textFormat: Text.MarkdownText
        font: DS.text.body
        color: step.c.inkSecondary
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
    }
    Text {
        objectName: "hint"
        visible: !step.done
        width: step.width
        text: step.model.axOK ? "Have a couple of windows open first, so there's something to tile."
                              : "Window commands like “sort” need Accessibility — turn it on back in step 1 to tile windows."
        font: DS.text.caption
        color: step.model.axOK ? step.c.inkTertiary : step.c.emberText
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
    }

    BriskMark {
        objectName: "successMark"
        visible: step.done
        anchors.horizontalCenter: parent.horizontalCenter
        size: 44
        flourish: step.done
        scale: step.done ? 1 : 0.6
        Behavior on scale {
            enabled: !DS.reduceMotion
            NumberAnimation { duration: DS.motion.hudSpringDuration; easing: DS.motion.hudSpring }
        }
    }
    Text {
        objectName: "successTitle"
        visible: step.done
        anchors.horizontalCenter: parent.horizontalCenter
        text: "That's it. That's the whole app."
        font: DS.text.title
        color: step.c.ink
    }
    Text {
        objectName: "successLine"
        visible: step.done
        width: step.width
        text: "Brisklet now lives in your system tray — you'll never need to open anything again."
        font: DS.text.body
        color: step.c.inkSecondary
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
    }
}
