import QtQuick

// One point of the preservation guide: a title and its explanation.
Column {
    id: point
    required property string title
    required property string text
    width: parent ? parent.width : implicitWidth
    spacing: 3

    Text {
        text: point.title
        font.pixelSize: 11
        font.weight: Font.DemiBold
        color: Theme.primary
    }
    Text {
        width: parent.width
        text: point.text
        font.pixelSize: 10
        color: Theme.secondary
        wrapMode: Text.WordWrap
    }
}
