import QtQuick
import Brisklet

// A section's title in spaced capitals.
Text {
    property string title
    text: DS.upper(title)
    font: DS.tracked(DS.text.overline, 0.8)
    color: Theme.c.inkTertiary
}
