import QtQuick
import QtQuick.Layouts

// "Opacity" with a slider and its value in whole percent.
RowLayout {
    id: percent
    required property var panel
    required property string field
    property string accessibleName: "Opacity"
    property real to: 1
    width: parent ? parent.width : implicitWidth
    spacing: 8

    Text {
        text: "Opacity"
        font.pixelSize: 12
        color: Theme.primary
    }
    AccentSlider {
        Layout.fillWidth: true
        from: 0
        to: percent.to
        value: percent.panel.settings[percent.field]
        Accessible.name: percent.accessibleName
        onMoved: percent.panel.set(percent.field, value)
    }
    ValueText {
        Layout.preferredWidth: 34
        horizontalAlignment: Text.AlignRight
        color: Theme.primary
        text: Math.round(percent.panel.settings[percent.field] * 100) + "%"
    }
}
