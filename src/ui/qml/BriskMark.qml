import QtQuick
import Brisklet

// The animated brand mark: the ribbon draws itself on and the star pops in, or
// the ribbon flicks back into place with two sparks flying off. Under Reduce
// Motion it simply shows complete. `level` (0…1) swells the star and its glow.
Item {
    id: mark
    property real size: 22
    property bool flat: false
    property color flatColor: "black"
    property real level: 0
    property bool drawOn: false
    property bool flourish: false

    property bool starVisible: true
    property real popScale: starVisible ? 1 : 0.4
    property real shownLevel: level
    property bool sparksFlying: false
    readonly property bool reduce: DS.reduceMotion

    width: size
    height: size

    Behavior on popScale {
        enabled: !mark.reduce
        NumberAnimation { duration: DS.motion.hudSpringDuration; easing: DS.motion.hudSpring }
    }
    Behavior on shownLevel {
        enabled: !mark.reduce
        NumberAnimation { duration: DS.motion.waveSpringDuration; easing: DS.motion.waveSpring }
    }

    BriskMarkItem {
        id: item
        objectName: "markItem"
        anchors.fill: parent
        flat: mark.flat
        flatColor: mark.flatColor
        ember: mark.Theme.c.ember
        starScale: mark.popScale * (1 + 0.18 * mark.shownLevel)
        starOpacity: mark.starVisible ? 1 : 0
        glow: mark.flat ? 0 : mark.shownLevel
        Behavior on starOpacity {
            enabled: !mark.reduce
            NumberAnimation { duration: DS.motion.hudSpringDuration; easing: DS.motion.hudSpring }
        }
    }

    NumberAnimation {
        id: drawAnimation
        target: item
        property: "progress"
        from: 0.001
        to: 1
        duration: DS.motion.standard
        easing: DS.motion.easeOut
    }
    NumberAnimation {
        id: flickAnimation
        target: item
        property: "castAngle"
        from: -8
        to: 0
        duration: DS.motion.hudSpringDuration
        easing: DS.motion.hudSpring
    }
    // Owned by the mark: a mark that goes away takes its pending pop with it.
    Timer {
        id: popTimer
        interval: 120
        onTriggered: mark.starVisible = true
    }

    Component.onCompleted: {
        if (reduce)
            return
        if (drawOn) {
            item.progress = 0.001
            starVisible = false
            drawAnimation.start()
            popTimer.start()
        }
        if (flourish) {
            item.castAngle = -8
            starVisible = false
            flickAnimation.start()
            starVisible = true
            sparksFlying = true
        }
    }

    component SparkDot: Rectangle {
        id: dot
        property real dotRadius
        property point from
        property point to
        property bool flown: false
        readonly property real m: mark.size / 28
        width: 2 * dotRadius
        height: 2 * dotRadius
        radius: dotRadius
        color: mark.Theme.c.ember
        x: (flown ? to.x : from.x) * m - dotRadius
        y: (flown ? to.y : from.y) * m - dotRadius
        opacity: flown ? 0 : 0.9
        Behavior on x { NumberAnimation { duration: DS.motion.deliberate; easing: DS.motion.easeOut } }
        Behavior on y { NumberAnimation { duration: DS.motion.deliberate; easing: DS.motion.easeOut } }
        Behavior on opacity { NumberAnimation { duration: DS.motion.deliberate; easing: DS.motion.easeOut } }
        Component.onCompleted: flown = true
    }

    Loader {
        objectName: "sparks"
        active: mark.sparksFlying
        sourceComponent: Item {
            SparkDot { dotRadius: 1.1 * mark.size / 28; from: Qt.point(23.8, 4.2); to: Qt.point(28.8, 0.2) }
            SparkDot { dotRadius: 0.8 * mark.size / 28; from: Qt.point(24.3, 7.7); to: Qt.point(29.3, 9.7) }
        }
    }
}
