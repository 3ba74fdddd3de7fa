import QtQuick
import Brisklet

// The animated brand mark: the ribbon draws itself on and the star pops in, or
// the ribbon flicks back into place with two sparks flying off. Under Reduce
// Motion it simply shows complete. `level` (0…1) swells the star and its glow.
Item {
    id: mark
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property real size: 22
    property bool flat: false
    property color flatColor: "black"
    property real level: 0
    property bool drawOn: false
    property bool flourish: false

    property bool starVisible: true
    // Off while a state is set "without animation": the star then shows or goes at once.
    property bool animateStar: true
    property real popScale: starVisible ? 1 : 0.4
    property real shownLevel: level
    property bool sparksFlying: false
    readonly property bool reduce: DS.reduceMotion

    width: size
    height: size

    Behavior on popScale {
        enabled: !mark.reduce && mark.animateStar
        NumberAnimation { duration: DS.motion.hudSpringDuration; easing: DS.motion.hudSpring }
    }
    Behavior on shownLevel {
        enabled: !mark.reduce
        NumberAnimation { duration: DS.motion.waveSpringDuration; easing: DS.motion.waveSpring }
    }

    // What the canvas draws; each change repaints it.
    property real progress: 1
    property real castAngle: 0
    readonly property real starScale: popScale * (1 + 0.18 * shownLevel)
    property real starOpacity: starVisible ? 1 : 0
    readonly property real glow: flat ? 0 : shownLevel
    readonly property color ember: c.ember
    onProgressChanged: canvas.requestPaint()
    onCastAngleChanged: canvas.requestPaint()
    onStarScaleChanged: canvas.requestPaint()
    onStarOpacityChanged: canvas.requestPaint()
    onGlowChanged: canvas.requestPaint()
    onEmberChanged: canvas.requestPaint()
    Behavior on starOpacity {
        enabled: !mark.reduce && mark.animateStar
        NumberAnimation { duration: DS.motion.hudSpringDuration; easing: DS.motion.hudSpring }
    }

    Canvas {
        id: canvas
        objectName: "markCanvas"
        anchors.fill: parent
        onPaint: {
            const ctx = getContext("2d")
            ctx.reset()
            const s = mark.size
            const e = mark.ember
            const trace = steps => {
                ctx.beginPath()
                for (const st of steps) {
                    if (st[0] === "M")
                        ctx.moveTo(st[1], st[2])
                    else if (st[0] === "L")
                        ctx.lineTo(st[1], st[2])
                    else
                        ctx.bezierCurveTo(st[1], st[2], st[3], st[4], st[5], st[6])
                }
                ctx.closePath()
            }
            const aboutCentre = (rotate, scale) => {
                ctx.translate(width / 2, height / 2)
                ctx.rotate(rotate * Math.PI / 180)
                ctx.scale(scale, scale)
                ctx.translate(-width / 2, -height / 2)
            }

            // The ribbon, from faint at its start to full ember at its end.
            ctx.save()
            aboutCentre(mark.castAngle, 1)
            trace(DS.ribbonPath(s, mark.progress))
            if (mark.flat) {
                ctx.fillStyle = mark.flatColor
            } else {
                const g = ctx.createLinearGradient(s * 6.5 / 28, s * 22.5 / 28, s * 19 / 28, s * 9 / 28)
                g.addColorStop(0, Qt.rgba(e.r, e.g, e.b, 0.55))
                g.addColorStop(1, e)
                ctx.fillStyle = g
            }
            ctx.fill()
            ctx.restore()

            if (mark.starOpacity <= 0)
                return
            // The star, with a glow of widening strokes of falling alpha (no blur).
            ctx.save()
            ctx.globalAlpha = mark.starOpacity
            aboutCentre(0, mark.starScale)
            const star = DS.starPath(s)
            if (!mark.flat) {
                const radius = (2 + 3 * mark.glow) * s / 28
                const strength = 0.35 + 0.4 * mark.glow
                ctx.lineJoin = "round"
                for (let ring = 4; ring >= 1; --ring) {
                    trace(star)
                    ctx.lineWidth = radius * ring / 2
                    ctx.strokeStyle = Qt.rgba(e.r, e.g, e.b, strength * 0.22 * (5 - ring) / 4)
                    ctx.stroke()
                }
            }
            trace(star)
            ctx.fillStyle = mark.flat ? mark.flatColor : e
            ctx.fill()
            ctx.restore()
        }
    }

    NumberAnimation {
        id: drawAnimation
        target: mark
        property: "progress"
        from: 0.001
        to: 1
        duration: DS.motion.standard
        easing: DS.motion.easeOut
    }
    NumberAnimation {
        id: flickAnimation
        target: mark
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

    function hideStarAtOnce() {
        animateStar = false
        starVisible = false
        animateStar = true
    }

    Component.onCompleted: {
        if (reduce)
            return
        if (drawOn) {
            mark.progress = 0.001
            hideStarAtOnce()
            drawAnimation.start()
            popTimer.start()
        }
        if (flourish) {
            mark.castAngle = -8
            hideStarAtOnce()
            flickAnimation.start()
            // Pops from 0.4 as the ribbon flicks back.
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
        color: mark.c.ember
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
