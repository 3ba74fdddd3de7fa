import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// The first-run window: the brand header with the step's line and five dots, the
// current step in a scrolling column at most 620 wide, and the footer's Back and
// forward buttons.
Rectangle {
    id: root
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var model
    property var controller
    readonly property int step: model ? model.step : 0
    implicitWidth: 640
    implicitHeight: 620
    color: c.canvas

    Column {
        id: header
        objectName: "header"
        y: 24
        width: root.width
        spacing: 8
        Rectangle {
            objectName: "brandTile"
            anchors.horizontalCenter: parent.horizontalCenter
            width: 52
            height: 52
            radius: 12
            color: root.c.ember
            BriskMark {
                anchors.centerIn: parent
                size: 30
                flat: true
                flatColor: "white"
            }
        }
        Text {
            objectName: "brand"
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Brisklet"
            font: DS.font(24, Font.DemiBold, "serif")
            color: root.c.ink
        }
        Text {
            objectName: "headerLine"
            anchors.horizontalCenter: parent.horizontalCenter
            text: root.model ? root.model.headerLine : ""
            font: DS.text.body
            color: root.c.inkSecondary
        }
        Item {
            width: 1
            height: 6 - header.spacing
        }
        Row {
            objectName: "dots"
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 8
            Repeater {
                model: 5
                Rectangle {
                    required property int index
                    objectName: "dot" + index
                    readonly property bool current: index === root.step
                    width: current ? 18 : 7
                    height: 7
                    radius: 3.5
                    color: current ? root.c.ember : root.c.inkQuaternary
                    Behavior on width {
                        enabled: !DS.reduceMotion
                        NumberAnimation { duration: DS.motion.standard; easing: DS.motion.easeOut }
                    }
                }
            }
        }
    }
    Rectangle {
        id: topDivider
        y: header.y + header.height + 14
        width: root.width
        height: 1
        color: root.c.hairline
    }
    Flickable {
        id: scroller
        objectName: "scroller"
        y: topDivider.y + 1
        width: root.width
        height: bottomDivider.y - y
        contentWidth: width
        contentHeight: content.height + 48
        boundsBehavior: Flickable.StopAtBounds
        clip: true
        ScrollBar.vertical: ScrollBar {
            objectName: "scrollBar"
            policy: scroller.contentHeight > scroller.height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
        }

        Loader {
            id: content
            objectName: "content"
            y: 24
            width: Math.min(scroller.width - 48, 620)
            x: (scroller.width - width) / 2
            sourceComponent: root.step === 0 ? permissions
                             : root.step === 1 ? summon
                             : root.step === 2 ? firstCommand
                             : root.step === 3 ? magic : finish
        }
    }
    Rectangle {
        id: bottomDivider
        y: footer.y - 1
        width: root.width
        height: 1
        color: root.c.hairline
    }
    Item {
        id: footer
        objectName: "footer"
        y: root.height - height
        width: root.width
        height: forward.implicitHeight + 32
        DSSecondaryButton {
            id: back
            objectName: "back"
            x: 16
            anchors.verticalCenter: parent.verticalCenter
            visible: root.step >= 1
            text: "Back"
            onClicked: root.model.back()
        }
        // The choices made here are settings: said here when they can't be kept.
        UnsavedSettingsLine {
            objectName: "unsavedSettings"
            x: back.x + back.width + 16
            width: forward.x - 16 - x
            anchors.verticalCenter: parent.verticalCenter
        }
        DSPrimaryButton {
            id: forward
            objectName: "forward"
            x: footer.width - width - 16
            anchors.verticalCenter: parent.verticalCenter
            text: root.model ? root.model.footerLabel : ""
            enabled: root.model ? root.model.forwardEnabled : false
            opacity: enabled ? 1 : 0.45
            onClicked: root.goForward()
        }
    }
    // Return is the forward button's key; nothing while it is disabled.
    Shortcut {
        sequences: ["Return", "Enter"]
        onActivated: root.goForward()
    }
    function goForward() {
        if (!model || !model.forwardEnabled)
            return
        if (step > 3)
            controller.finish()
        else
            model.forward()
    }

    Component {
        id: permissions
        OnboardingPermissionsStep {
            model: root.model
            controller: root.controller
        }
    }
    Component {
        id: summon
        OnboardingSummonStep {
            model: root.model
            controller: root.controller
        }
    }
    Component {
        id: firstCommand
        OnboardingFirstCommandStep {
            model: root.model
        }
    }
    Component {
        id: magic
        OnboardingMagicStep {
            model: root.model
            controller: root.controller
        }
    }
    Component {
        id: finish
        OnboardingFinishStep {
            model: root.model
            controller: root.controller
        }
    }
}
