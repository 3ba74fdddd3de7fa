import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// The heads-up display: a dark pill that says what the current request is doing.
// A new kind of state cross-fades in with a slight scale; text changes within a
// kind (a growing transcript) update in place. Each content keeps the text it was
// shown with, so the outgoing one never shows the new text in its old layout.
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
        }
    }

    // Only a new kind of state replaces the content; the same kind takes the new text.
    property string shownKey
    Component.onCompleted: {
        shownKey = model.stateKey
        stack.push(component(shownKey), {shownText: model.text}, StackView.Immediate)
    }
    Connections {
        target: root.model
        function onStateChanged() {
            if (root.model.stateKey === root.shownKey) {
                if (stack.currentItem)
                    stack.currentItem.shownText = root.model.text
                return
            }
            root.shownKey = root.model.stateKey
            stack.replace(root.component(root.shownKey), {shownText: root.model.text},
                          root.reduce ? StackView.Immediate : StackView.Transition)
        }
    }

    // A state's content: the text it shows is its own.
    component Content: Item {
        property string shownText
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

    // A message of up to two lines that shrinks to 70 % before it is cut. Its box
    // is two full-size lines high and it sets no line limit: with a line limit Qt
    // cuts the text at full size instead of shrinking it.
    component Message: Text {
        property int lines: 2
        objectName: "primaryText"
        font: DS.text.hud
        color: root.primary
        height: Math.floor(fullSize.lineSpacing * lines)
        wrapMode: lines > 1 ? Text.Wrap : Text.NoWrap
        elide: Text.ElideRight
        fontSizeMode: Text.Fit
        minimumPixelSize: Math.round(font.pixelSize * 0.7)
        horizontalAlignment: Text.AlignLeft
        verticalAlignment: Text.AlignVCenter
        FontMetrics {
            id: fullSize
            font: DS.text.hud
        }
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
        Content {
            id: listeningContent
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
                    readonly property bool empty: listeningContent.shownText.length === 0
                    width: parent.width
                    text: empty ? "Listening…" : listeningContent.shownText
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
        Content {
            id: heardContent
            Row {
                anchors.centerIn: parent
                spacing: 8
                BriskMark { size: 16; anchors.verticalCenter: parent.verticalCenter }
                Message {
                    text: DS.quoted(heardContent.shownText)
                    width: Math.min(implicitWidth, stack.width - 24)
                    anchors.verticalCenter: parent.verticalCenter
                }
            }
        }
    }

    Component {
        id: executing
        Content {
            id: executingContent
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
                    text: executingContent.shownText
                    lines: 1
                    width: Math.min(implicitWidth, stack.width - 25)
                    anchors.verticalCenter: parent.verticalCenter
                }
            }
        }
    }

    Component {
        id: done
        Content {
            id: doneContent
            Row {
                anchors.centerIn: parent
                spacing: 8
                BriskMark { size: 18; flourish: true; anchors.verticalCenter: parent.verticalCenter }
                Message {
                    text: doneContent.shownText
                    width: Math.min(implicitWidth, stack.width - 26)
                    anchors.verticalCenter: parent.verticalCenter
                }
            }
        }
    }

    Component {
        id: miss
        Content {
            id: missContent
            Column {
                anchors.centerIn: parent
                width: parent.width
                spacing: 3
                IconRow { symbol: "questionmark.circle.fill"; message: "Didn't catch a command" }
                Text {
                    objectName: "secondaryText"
                    visible: missContent.shownText.length > 0
                    width: parent.width
                    text: DS.quoted(missContent.shownText)
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
        Content {
            id: infoContent
            IconRow {
                anchors.centerIn: parent
                symbol: "info.circle.fill"
                message: infoContent.shownText
            }
        }
    }

    Component {
        id: confirm
        Content {
            id: confirmContent
            Column {
                anchors.centerIn: parent
                spacing: 7
                Row {
                    spacing: 8
                    anchors.horizontalCenter: parent.horizontalCenter
                    BriskMark { size: 15; anchors.verticalCenter: parent.verticalCenter }
                    Message {
                        text: confirmContent.shownText
                        width: Math.min(implicitWidth, stack.width - 23)
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
