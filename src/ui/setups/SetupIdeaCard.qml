import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// One ready-made idea: its apps, name and blurb, and a way to start from it.
DSCard {
    id: idea
    property var idea: ({})
    signal create()
    padding: 16
    spacing: 8

    AppIconRow {
        objectName: "apps"
        appIDs: idea.idea.appIDs || []
        moreApps: idea.idea.moreApps || ""
        size: 20
    }
    Text {
        objectName: "ideaName"
        width: parent.width
        text: idea.idea.name || ""
        textFormat: Text.PlainText
        font: DS.text.headline
        color: idea.c.ink
        elide: Text.ElideRight
    }
    Text {
        objectName: "blurb"
        width: parent.width
        text: idea.idea.blurb || ""
        textFormat: Text.PlainText
        font: DS.text.caption
        color: idea.c.inkSecondary
        wrapMode: Text.Wrap
    }
    DSPlainButton {
        objectName: "createAndEdit"
        topPadding: 2
        text: "Create & edit"
        font: DS.text.captionMedium
        onClicked: idea.create()
    }
}
