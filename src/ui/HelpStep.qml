import QtQuick

// One numbered step of the help.
Row {
    id: step
    required property string number
    required property string text
    width: parent ? parent.width : implicitWidth
    spacing: 8

    Rectangle {
        width: 16
        height: 16
        radius: 8
        color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.25)
        Text {
            anchors.centerIn: parent
            text: step.number
            font.pixelSize: 10
            font.bold: true
            color: Theme.primary
        }
    }
    Text {
        width: parent.width - 24
        text: step.text
        font.pixelSize: 11
        color: Theme.primary
        wrapMode: Text.WordWrap
    }
}
