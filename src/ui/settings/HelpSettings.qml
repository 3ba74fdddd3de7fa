import QtQuick
import Brisklet

// Two ways out: a prepared problem report in the mail program, and the help page.
SettingsSection {
    id: section
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var services
    title: "Help"
    rowSpacing: 12

    Item {
        objectName: "reportRow"
        width: parent.width
        implicitHeight: Math.max(reportTexts.implicitHeight, reportButton.implicitHeight)
        Column {
            id: reportTexts
            anchors.verticalCenter: parent.verticalCenter
            spacing: 2
            Text {
                objectName: "reportTitle"
                text: "Something's not working?"
                font: DS.text.headline
                color: section.c.ink
            }
            Text {
                objectName: "reportDetail"
                text: "Email us — your app version is filled in automatically."
                font: DS.text.caption
                color: section.c.inkSecondary
            }
        }
        DSSecondaryButton {
            id: reportButton
            objectName: "report"
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            text: "Report a Problem…"
            onClicked: if (section.services) section.services.startProblemReport()
        }
    }
    SettingsDivider {}
    Item {
        objectName: "helpRow"
        width: parent.width
        implicitHeight: helpButton.implicitHeight
        Text {
            objectName: "helpText"
            anchors.verticalCenter: parent.verticalCenter
            text: "Guides and answers"
            font: DS.text.callout
            color: section.c.inkSecondary
        }
        DSSecondaryButton {
            id: helpButton
            objectName: "openHelp"
            anchors.right: parent.right
            text: "Open Help"
            onClicked: if (section.services) section.services.openHelpPage()
        }
    }
}
