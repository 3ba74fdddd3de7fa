import QtQuick

// Stands in for a blur of what lies behind: nothing can sample the desktop here,
// so a deeper black keeps the display legible over any background.
Rectangle {
    color: Qt.rgba(0, 0, 0, 0.55)
}
