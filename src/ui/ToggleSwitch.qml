import QtQuick
import QtQuick.Controls.Basic

// A small switch with its label at 12, accent-coloured while on.
Switch {
    id: control
    padding: 0
    spacing: 8
    font.pixelSize: 12
    Accessible.name: text

    indicator: Rectangle {
        x: control.leftPadding
        y: control.topPadding + (control.availableHeight - height) / 2
        width: 28
        height: 16
        radius: 8
        color: control.checked ? Theme.accent : Qt.rgba(1, 1, 1, 0.18)

        Rectangle {
            x: control.checked ? parent.width - width - 2 : 2
            y: 2
            width: 12
            height: 12
            radius: 6
            color: "white"
            Behavior on x { NumberAnimation { duration: 120 } }
        }
    }
    contentItem: Text {
        leftPadding: control.indicator.width + control.spacing
        text: control.text
        font: control.font
        color: Theme.primary
        verticalAlignment: Text.AlignVCenter
        wrapMode: Text.WordWrap
    }
}
