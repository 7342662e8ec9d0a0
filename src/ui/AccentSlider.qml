import QtQuick
import QtQuick.Controls.Basic

// A slider tinted with the accent colour.
Slider {
    id: slider
    implicitHeight: 20
    padding: 0
    hoverEnabled: true

    background: Rectangle {
        x: slider.leftPadding
        y: slider.topPadding + (slider.availableHeight - height) / 2
        width: slider.availableWidth
        height: 4
        radius: 2
        color: Qt.rgba(1, 1, 1, 0.16)

        Rectangle {
            width: slider.visualPosition * parent.width
            height: parent.height
            radius: 2
            color: Theme.accent
        }
    }
    handle: Rectangle {
        x: slider.leftPadding + slider.visualPosition * (slider.availableWidth - width)
        y: slider.topPadding + (slider.availableHeight - height) / 2
        width: 14
        height: 14
        radius: 7
        color: slider.pressed ? "#d8d8d8" : "white"
        border.width: 0.5
        border.color: Qt.rgba(0, 0, 0, 0.3)
    }
}
