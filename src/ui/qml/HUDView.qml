import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// The heads-up display: a dark pill that says what the current request is doing.
// A new kind of state cross-fades in with a slight scale; text changes within a
// kind (a growing transcript) update in place.
Item {
    id: root
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    required property HUDModel model

    implicitWidth: 264
    implicitHeight: 86
    width: 264
    height: 86

    readonly property color primary: c.labelPrimary
    readonly property color secondary: c.labelSecondary
    readonly property bool reduce: DS.reduceMotion

    Item {
        id: capsule
        objectName: "capsule"
        anchors.fill: parent
        anchors.margins: 7

        DSShadow {
            anchors.fill: parent
            radius: DS.shadow.floating.radius
            offsetY: DS.shadow.floating.y
            strength: DS.shadow.floating.opacity
            cornerRadius: height / 2
        }
        VisualEffectBlur {
            anchors.fill: parent
            radius: height / 2
        }
        Rectangle {
            objectName: "pill"
            anchors.fill: parent
            radius: height / 2
            color: Qt.rgba(0, 0, 0, 0.35)
            border.width: 1
            border.color: Qt.rgba(1, 1, 1, 0.12)
        }

        StackView {
            id: stack
            objectName: "content"
            anchors.fill: parent
            anchors.leftMargin: 26
            anchors.rightMargin: 26
            readonly property int springMs: DS.motion.hudSpringDuration
            replaceEnter: Transition {
                ParallelAnimation {
                    NumberAnimation { property: "opacity"; from: 0; to: 1; duration: stack.springMs; easing: DS.motion.hudSpring }
                    NumberAnimation { property: "scale"; from: 0.94; to: 1; duration: stack.springMs; easing: DS.motion.hudSpring }
                }
            }
            replaceExit: Transition {
                ParallelAnimation {
                    NumberAnimation { property: "opacity"; from: 1; to: 0; duration: stack.springMs; easing: DS.motion.hudSpring }
                    NumberAnimation { property: "scale"; from: 1; to: 0.94; duration: stack.springMs; easing: DS.motion.hudSpring }
                }
            }
            initialItem: root.component(root.model.stateKey)
        }
    }

    // Only a new kind of state replaces the content.
    property string shownKey
    Component.onCompleted: shownKey = model.stateKey
    Connections {
        target: root.model
        function onStateChanged() {
            if (root.model.stateKey === root.shownKey)
                return
            root.shownKey = root.model.stateKey
            stack.replace(root.component(root.shownKey), {},
                          root.reduce ? StackView.Immediate : StackView.Transition)
        }
    }

    function component(key) {
        switch (key) {
        case "listening": return listening
        case "heard": return heard
        case "executing": return executing
        case "done": return done
        case "miss": return miss
        case "info": return info
        case "confirm": return confirm
        }
        return info
    }

    // A message of up to two lines that shrinks a little before it is cut.
    component Message: Text {
        objectName: "primaryText"
        font: DS.text.hud
        color: root.primary
        wrapMode: Text.Wrap
        maximumLineCount: 2
        elide: Text.ElideRight
        fontSizeMode: Text.Fit
        minimumPixelSize: Math.round(font.pixelSize * 0.7)
        horizontalAlignment: Text.AlignLeft
        verticalAlignment: Text.AlignVCenter
    }

    component IconRow: Row {
        property string symbol
        property string message
        spacing: 8
        anchors.horizontalCenter: parent ? parent.horizontalCenter : undefined
        DSIcon {
            objectName: "icon"
            name: parent.symbol
            size: 16
            font.weight: Font.DemiBold
            color: root.secondary
            anchors.verticalCenter: parent.verticalCenter
        }
        Message {
            text: parent.message
            width: Math.min(implicitWidth, stack.width - 24)
            anchors.verticalCenter: parent.verticalCenter
        }
    }

    Component {
        id: listening
        Item {
            Column {
                anchors.centerIn: parent
                width: parent.width
                spacing: 7
                Row {
                    height: 22
                    width: parent.width
                    spacing: 8
                    BriskMark {
                        size: 22
                        level: root.model.liveLevel
                        drawOn: true
                    }
                    WaveformBars {
                        objectName: "meter"
                        width: parent.width - 30
                        height: 22
                        bars: root.model.bars
                        maxHeight: 22
                    }
                }
                Text {
                    objectName: "primaryText"
                    readonly property bool empty: root.model.text.length === 0
                    width: parent.width
                    text: empty ? "Listening…" : root.model.text
                    font: DS.text.hudSecondary
                    color: empty ? root.secondary : root.primary
                    horizontalAlignment: Text.AlignHCenter
                    maximumLineCount: 1
                    elide: Text.ElideLeft
                }
            }
        }
    }

    Component {
        id: heard
        Item {
            Row {
                anchors.centerIn: parent
                spacing: 8
                BriskMark { size: 16; anchors.verticalCenter: parent.verticalCenter }
                Message {
                    text: DS.quoted(root.model.text)
                    width: Math.min(implicitWidth, stack.width - 24)
                    height: Math.min(implicitHeight, 40)
                    anchors.verticalCenter: parent.verticalCenter
                }
            }
        }
    }

    Component {
        id: executing
        Item {
            Row {
                anchors.centerIn: parent
                spacing: 9
                BusyIndicator {
                    objectName: "spinner"
                    width: 16
                    height: 16
                    padding: 0
                    running: true
                    anchors.verticalCenter: parent.verticalCenter
                    contentItem: Item {
                        RotationAnimator on rotation {
                            from: 0; to: 360; duration: 900; loops: Animation.Infinite; running: true
                        }
                        Repeater {
                            model: 8
                            Rectangle {
                                required property int index
                                x: 7 + 6 * Math.cos(index * Math.PI / 4) - 1
                                y: 7 + 6 * Math.sin(index * Math.PI / 4) - 1
                                width: 3; height: 3; radius: 1.5
                                color: "white"
                                opacity: 0.25 + 0.75 * index / 7
                            }
                        }
                    }
                }
                Message {
                    text: root.model.text
                    maximumLineCount: 1
                    wrapMode: Text.NoWrap
                    width: Math.min(implicitWidth, stack.width - 25)
                    anchors.verticalCenter: parent.verticalCenter
                }
            }
        }
    }

    Component {
        id: done
        Item {
            Row {
                anchors.centerIn: parent
                spacing: 8
                BriskMark { size: 18; flourish: true; anchors.verticalCenter: parent.verticalCenter }
                Message {
                    text: root.model.text
                    width: Math.min(implicitWidth, stack.width - 26)
                    height: Math.min(implicitHeight, 40)
                    anchors.verticalCenter: parent.verticalCenter
                }
            }
        }
    }

    Component {
        id: miss
        Item {
            Column {
                anchors.centerIn: parent
                width: parent.width
                spacing: 3
                IconRow { symbol: "questionmark.circle.fill"; message: "Didn't catch a command" }
                Text {
                    objectName: "secondaryText"
                    visible: root.model.text.length > 0
                    width: parent.width
                    text: DS.quoted(root.model.text)
                    font: DS.font(11, 400, "rounded")
                    color: root.secondary
                    horizontalAlignment: Text.AlignHCenter
                    maximumLineCount: 1
                    elide: Text.ElideRight
                }
            }
        }
    }

    Component {
        id: info
        Item {
            IconRow {
                anchors.centerIn: parent
                symbol: "info.circle.fill"
                message: root.model.text
            }
        }
    }

    Component {
        id: confirm
        Item {
            Column {
                anchors.centerIn: parent
                spacing: 7
                Row {
                    spacing: 8
                    anchors.horizontalCenter: parent.horizontalCenter
                    BriskMark { size: 15; anchors.verticalCenter: parent.verticalCenter }
                    Message {
                        text: root.model.text
                        width: Math.min(implicitWidth, stack.width - 23)
                        height: Math.min(implicitHeight, 34)
                        anchors.verticalCenter: parent.verticalCenter
                    }
                }
                Row {
                    spacing: 8
                    anchors.horizontalCenter: parent.horizontalCenter
                    HUDPillButton {
                        objectName: "notNow"
                        text: "Not now"
                        onClicked: root.model.confirmCancel()
                    }
                    HUDPillButton {
                        objectName: "runIt"
                        text: "Yes, run it"
                        prominent: true
                        onClicked: root.model.confirmRun()
                    }
                }
            }
        }
    }
}
