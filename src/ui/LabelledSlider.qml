import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

// A slider under a line with its label and its value as a whole number with a suffix.
Column {
    id: labelled
    required property var panel
    required property string label
    required property string field
    property real from: 0
    property real to: 1
    property real stepSize: 1
    property string suffix
    width: parent ? parent.width : implicitWidth
    spacing: 2

    RowLayout {
        width: parent.width
        Text {
            Layout.fillWidth: true
            text: labelled.label
            font.pixelSize: 12
            color: Theme.primary
        }
        ValueText {
            text: Math.round(labelled.panel.settings[labelled.field]) + labelled.suffix
        }
    }
    AccentSlider {
        width: parent.width
        from: labelled.from
        to: labelled.to
        stepSize: labelled.stepSize
        snapMode: Slider.SnapAlways
        value: labelled.panel.settings[labelled.field]
        Accessible.name: labelled.label
        onMoved: labelled.panel.set(labelled.field, value)
    }
}
