import QtQuick
import QtQuick.Layouts

// The output formats, one chip each, centred.
Item {
    id: bar
    required property var appModel

    implicitHeight: chips.implicitHeight + 20
    implicitWidth: chips.implicitWidth

    Row {
        id: chips
        anchors.centerIn: parent
        spacing: 8

        Repeater {
            // The formats in their enumeration order, which is the bar's order.
            model: 4
            FormatChip {
                required property int index
                objectName: "chip" + index
                text: bar.appModel.settings.formatDisplayName(index)
                selected: bar.appModel.settings.outputFormat === index
                onClicked: bar.appModel.settings.outputFormat = index
            }
        }
    }
}
