import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisklet

// A setup card's title row: its symbol, its name, "OPEN" while it is the one
// applied, and a warning when it was made on other displays.
RowLayout {
    id: title
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var card: ({})
    spacing: 8

    Rectangle {
        Layout.preferredWidth: 26
        Layout.preferredHeight: 26
        radius: 6
        color: title.c.well
        DSIcon {
            objectName: "symbol"
            anchors.centerIn: parent
            name: title.card.symbol || ""
            size: 13
            color: title.c.inkSecondary
        }
    }
    Text {
        objectName: "name"
        // Never fills: the badge sits right after the name, the spacer takes the rest.
        Layout.maximumWidth: title.width - 26 - 8 - (badge.visible ? badge.width + 8 : 0)
                             - (displayWarning.visible ? displayWarning.implicitWidth + 16 : 0)
        text: title.card.name || ""
        textFormat: Text.PlainText
        font: DS.text.title
        color: title.c.ink
        elide: Text.ElideRight
        maximumLineCount: 1
    }
    Rectangle {
        id: badge
        objectName: "openBadge"
        visible: title.card.active === true
        implicitWidth: openText.implicitWidth + 10
        implicitHeight: openText.implicitHeight + 4
        radius: height / 2
        color: "transparent"
        border.width: 1
        border.color: Qt.alpha(title.c.success, 0.5)
        Text {
            id: openText
            objectName: "openText"
            anchors.centerIn: parent
            text: "OPEN"
            font: DS.tracked(DS.font(9, Font.Bold), 0.6)
            color: title.c.success
        }
    }
    Item {
        Layout.fillWidth: true
    }
    Row {
        id: displayWarning
        objectName: "displayWarning"
        visible: (title.card.displayLabel || "") !== ""
        spacing: 4
        DSIcon {
            objectName: "displayGlyph"
            anchors.verticalCenter: parent.verticalCenter
            name: "display.trianglebadge.exclamationmark"
            size: 12
            color: title.c.inkTertiary
        }
        Text {
            objectName: "displayLabel"
            anchors.verticalCenter: parent.verticalCenter
            text: title.card.displayLabel || ""
            font: DS.text.caption
            color: title.c.inkTertiary
        }
        HoverHandler {
            id: warningHover
        }
        ToolTip {
            objectName: "displayHelp"
            visible: warningHover.hovered
            delay: 500
            text: title.card.displayHelp || ""
        }
    }
}
