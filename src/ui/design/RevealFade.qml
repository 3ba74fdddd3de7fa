import QtQuick
import Brisklet

// Opens and closes a block of rows (`target`) with the standard fade: `shown`
// follows `open`, turning true at once and false only once the fade-out has ended,
// so the rows go with the same motion they came with. Unless `animated` (read when
// `open` changes) they come and go at once. A change in mid-fade turns from the
// opacity reached.
NumberAnimation {
    id: fade
    property bool open: false
    property bool animated: !DS.reduceMotion
    // Whether the rows are there: kept by the fade, read by the view.
    property bool shown: false

    property: "opacity"
    duration: DS.motion.standard
    easing: DS.motion.easeOut

    Component.onCompleted: shown = open
    onOpenChanged: {
        stop()
        if (!animated) {
            shown = open
            target.opacity = 1
            return
        }
        from = shown ? target.opacity : 0
        to = open ? 1 : 0
        shown = true
        start()
    }
    onFinished: {
        if (!open) {
            shown = false
            target.opacity = 1
        }
    }
}
