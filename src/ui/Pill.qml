import QtQuick
import QtQuick.Controls.Basic

// A capsule button with a symbol and a short text, in its fill and text colours.
AbstractButton {
    id: pill
    property string symbol
    property color fill: Theme.accent
    property color textColor: Theme.textOnAccent

    leftPadding: 14
    rightPadding: 14
    topPadding: 6
    bottomPadding: 6
    focusPolicy: Qt.TabFocus
    Accessible.name: text

    contentItem: Row {
        spacing: 6
        Symbol {
            anchors.verticalCenter: parent.verticalCenter
            name: pill.symbol
            size: 11
            color: pill.textColor
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: pill.text
            font.pixelSize: 12
            font.weight: Font.DemiBold
            color: pill.textColor
        }
    }
    background: Rectangle {
        radius: height / 2
        color: pill.fill
        opacity: pill.pressed ? 0.8 : 1
    }
}
